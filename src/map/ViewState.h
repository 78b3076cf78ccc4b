#ifndef TRAKMOOR_MAP_VIEWSTATE_H
#define TRAKMOOR_MAP_VIEWSTATE_H

// How the map panel looks at the current track: the user's zoom, pan and three whole-degree
// angles, the heading offset of "follow direction", and the options that change the projection.

#include "track/Gpx.h"

#include <cstdint>

namespace trakmoor {

struct ViewState {
    // 1.0 shows the whole track; kept in 0.05..50.
    double zoom = 1.0;
    // Pixels added after rotation.
    double panX = 0.0;
    double panY = 0.0;
    // Degrees, kept in 0..359.
    std::int32_t angleX = 0;
    std::int32_t angleY = 0;
    std::int32_t angleZ = 0;
    // Radians, turned further in the screen plane while following the travel direction.
    double headingOffset = 0.0;
    // "Height": points are lifted by their elevation.
    bool showHeight = false;
    // "Center cursor": the cursor stays in the middle of the panel.
    bool followCursor = false;
    // "Follow direction": the view turns with the travel direction.
    bool followDirection = false;

    friend bool operator==(const ViewState&, const ViewState&) = default;
};

// The latitude and longitude range of the track the view was last fitted to.  Recomputed when the
// track or its point count changes; a new document invalidates it before the old tracks go.
struct TrackBoundsCache {
    const Track* track = nullptr;
    std::int32_t pointCount = -1;
    double minLat = 0.0;
    double maxLat = 0.0;
    double minLon = 0.0;
    double maxLon = 0.0;

    void invalidate() {
        track = nullptr;
        pointCount = -1;
    }
};

// Keeps a whole-degree angle in 0..359.
constexpr std::int32_t normalizeAngle(std::int64_t degrees) {
    return static_cast<std::int32_t>(((degrees % 360) + 360) % 360);
}

} // namespace trakmoor

#endif
