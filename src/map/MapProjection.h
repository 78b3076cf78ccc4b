#ifndef TRAKMOOR_MAP_MAPPROJECTION_H
#define TRAKMOOR_MAP_MAPPROJECTION_H

// The one mapping from latitude, longitude and elevation to map-panel pixels: fitted to the
// current track's box less a 56-pixel margin, zoomed, tilted and turned by the view's angles and
// shifted by its pan.  A parallel projection; there is no perspective division.

#include "map/MapFeature.h"
#include "map/ViewState.h"
#include "track/Gpx.h"

#include <cmath>
#include <optional>

namespace trakmoor {

struct ScreenPoint {
    double x = 0.0;
    double y = 0.0;

    bool isFinite() const { return std::isfinite(x) && std::isfinite(y); }
};

// The transform for one track, view and panel size, with its sines and cosines worked out once,
// so that a painter can project many points cheaply.  Refreshes `bounds` when it was computed for
// another track or another point count.  Holds no reference to the view or the track.
class MapProjection {
public:
    MapProjection(const ViewState& view, TrackBoundsCache& bounds, const Track& track, int width,
                  int height);

    ScreenPoint project(double lat, double lon, double ele, bool applyPan) const;
    // At the point's own elevation with "Height" on, otherwise on the base plane.
    ScreenPoint projectWayPoint(const WayPoint& point, bool applyPan) const;
    // On the base plane, as map vertices and labels are.
    ScreenPoint projectFlat(double lat, double lon, bool applyPan) const {
        return project(lat, lon, baseElevation_, applyPan);
    }

    // Elevation of the track's first point (0 for a track without points).
    double baseElevation() const { return baseElevation_; }
    // Pixels per degree, zoom included.
    double scale() const { return scale_; }
    bool showsHeight() const { return showHeight_; }

private:
    double centerLat_ = 0.0;
    double centerLon_ = 0.0;
    double scale_ = 0.0;
    double baseElevation_ = 0.0;
    double cosX_ = 1.0, sinX_ = 0.0;
    double cosY_ = 1.0, sinY_ = 0.0;
    double cosZ_ = 1.0, sinZ_ = 0.0;
    double halfWidth_ = 0.0;
    double halfHeight_ = 0.0;
    double panX_ = 0.0;
    double panY_ = 0.0;
    bool showHeight_ = false;
};

// Recomputes the cache when it belongs to another track or point count.
void refreshTrackBounds(TrackBoundsCache& bounds, const Track& track);

ScreenPoint ProjectPoint(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                         int width, int height, double lat, double lon, double ele, bool applyPan);
ScreenPoint ProjectWayPoint(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                            int width, int height, const WayPoint& point, bool applyPan);

// The index of the track point whose projection (pan applied) lies nearest to panel pixel (x, y);
// the lower index on a tie.  None when no point can be placed.
std::optional<int> nearestTrackPoint(const MapProjection& projection, const Track& track, double x,
                                     double y);

// The position under panel pixel (x, y) for a view without angles and heading offset, as the
// free cursor is placed.  None for a track without points.
std::optional<MapPoint> freeCursorPositionAt(const ViewState& view, TrackBoundsCache& bounds,
                                             const Track& track, int width, int height, double x,
                                             double y);

} // namespace trakmoor

#endif
