#ifndef TRAKMOOR_MAP_TRACKPAINTER_H
#define TRAKMOOR_MAP_TRACKPAINTER_H

// The current track over the map and everything attached to it, in a fixed order: height lines,
// the track line, the direct line between the markers, start and finish flags, waypoint dots,
// the A-B section, the cursor and the marker flags.

#include "map/MapProjection.h"
#include "track/Gpx.h"
#include "track/TrackMarks.h"

#include <cairo.h>

#include <cstdint>

namespace trakmoor {

// Pictures drawn with their bottom centre on a point; null or failed ones are left out.
struct FlagImages {
    cairo_surface_t* start = nullptr;
    cairo_surface_t* finish = nullptr;
    cairo_surface_t* markA = nullptr;
    cairo_surface_t* markB = nullptr;

    friend bool operator==(const FlagImages&, const FlagImages&) = default;
};

struct TrackDecorations {
    TrackMarks marks;
    bool showWaypoints = false;
    bool showDirectLine = false;
    FlagImages flags;

    friend bool operator==(const TrackDecorations&, const TrackDecorations&) = default;
};

struct TrackPaintOptions {
    // Leave out of the track line the points that fall into the pixel of the last drawn one.
    bool thinSamePixel = true;
    // Leave out segments already drawn; the picture is the same.
    bool dropRepeats = true;
    // Stroke long lines in tiles of the picture, each clipped to its own pixels.
    bool strokeInTiles = true;
};

// All positions with the pan applied; heights follow the projection's "Height" setting.
void paintTrack(cairo_t* cr, const MapProjection& projection, const Track& track,
                const TrackDecorations& decorations, const TrackPaintOptions& options = {});

// Draws `image` with its bottom centre at `anchor`, unless it is unusable.
void drawFlag(cairo_t* cr, cairo_surface_t* image, ScreenPoint anchor);

} // namespace trakmoor

#endif
