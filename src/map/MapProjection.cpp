#include "map/MapProjection.h"

#include <algorithm>
#include <numbers>

namespace trakmoor {

namespace {

constexpr double margin = 56.0;
constexpr double minimumRange = 1e-12;
constexpr double metresPerDegree = 111320.0;

double radians(std::int32_t degrees) {
    return degrees * std::numbers::pi / 180.0;
}

// The same scale for both axes, without a latitude correction, so the heading offset (worked out
// in plain degrees) matches what is drawn.
double fittedScale(const TrackBoundsCache& bounds, const ViewState& view, int width, int height) {
    const double lonRange = std::max(bounds.maxLon - bounds.minLon, minimumRange);
    const double latRange = std::max(bounds.maxLat - bounds.minLat, minimumRange);
    return std::min((width - margin) / lonRange, (height - margin) / latRange) * view.zoom;
}

} // namespace

void refreshTrackBounds(TrackBoundsCache& bounds, const Track& track) {
    if (bounds.track == &track && bounds.pointCount == track.pointCount()) {
        return;
    }
    bounds.track = &track;
    bounds.pointCount = track.pointCount();
    bounds.minLat = bounds.maxLat = bounds.minLon = bounds.maxLon = 0.0;
    for (std::int32_t i = 0; i < track.pointCount(); ++i) {
        const WayPoint& p = *track.pointAt(i);
        if (i == 0) {
            bounds.minLat = bounds.maxLat = p.lat();
            bounds.minLon = bounds.maxLon = p.lon();
            continue;
        }
        bounds.minLat = std::min(bounds.minLat, p.lat());
        bounds.maxLat = std::max(bounds.maxLat, p.lat());
        bounds.minLon = std::min(bounds.minLon, p.lon());
        bounds.maxLon = std::max(bounds.maxLon, p.lon());
    }
}

MapProjection::MapProjection(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                             int width, int height)
    : halfWidth_(width / 2.0), halfHeight_(height / 2.0), panX_(view.panX), panY_(view.panY),
      showHeight_(view.showHeight) {
    refreshTrackBounds(bounds, track);
    centerLat_ = (bounds.minLat + bounds.maxLat) / 2.0;
    centerLon_ = (bounds.minLon + bounds.maxLon) / 2.0;
    scale_ = fittedScale(bounds, view, width, height);
    if (const WayPoint* first = track.pointAt(0)) {
        baseElevation_ = first->ele();
    }
    cosX_ = std::cos(radians(view.angleX));
    sinX_ = std::sin(radians(view.angleX));
    cosY_ = std::cos(radians(view.angleY));
    sinY_ = std::sin(radians(view.angleY));
    const double turn = radians(view.angleZ) + view.headingOffset;
    cosZ_ = std::cos(turn);
    sinZ_ = std::sin(turn);
}

ScreenPoint MapProjection::project(double lat, double lon, double ele, bool applyPan) const {
    const double x0 = (lon - centerLon_) * scale_;
    const double y0 = (centerLat_ - lat) * scale_;
    const double z0 = (ele - baseElevation_) * scale_ / metresPerDegree;
    const double y1 = cosX_ * y0 - sinX_ * z0;
    const double z1 = sinX_ * y0 + cosX_ * z0;
    const double x2 = cosY_ * x0 + sinY_ * z1;
    ScreenPoint p{halfWidth_ + cosZ_ * x2 - sinZ_ * y1, halfHeight_ + sinZ_ * x2 + cosZ_ * y1};
    if (applyPan) {
        p.x += panX_;
        p.y += panY_;
    }
    return p;
}

ScreenPoint MapProjection::projectWayPoint(const WayPoint& point, bool applyPan) const {
    return project(point.lat(), point.lon(), showHeight_ ? point.ele() : baseElevation_, applyPan);
}

ScreenPoint ProjectPoint(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                         int width, int height, double lat, double lon, double ele, bool applyPan) {
    return MapProjection(view, bounds, track, width, height).project(lat, lon, ele, applyPan);
}

ScreenPoint ProjectWayPoint(const ViewState& view, TrackBoundsCache& bounds, const Track& track,
                            int width, int height, const WayPoint& point, bool applyPan) {
    return MapProjection(view, bounds, track, width, height).projectWayPoint(point, applyPan);
}

std::optional<int> nearestTrackPoint(const MapProjection& projection, const Track& track, double x,
                                     double y) {
    std::optional<int> nearest;
    double nearestDistance = 0.0;
    for (int i = 0; i < track.pointCount(); ++i) {
        const ScreenPoint at = projection.projectWayPoint(*track.pointAt(i), true);
        const double dx = at.x - x;
        const double dy = at.y - y;
        // A point the projection cannot place (no finite height) gives NaN and never wins.
        if (const double distance = dx * dx + dy * dy; !nearest || distance < nearestDistance) {
            if (std::isfinite(distance)) {
                nearest = i;
                nearestDistance = distance;
            }
        }
    }
    return nearest;
}

std::optional<MapPoint> freeCursorPositionAt(const ViewState& view, TrackBoundsCache& bounds,
                                             const Track& track, int width, int height, double x,
                                             double y) {
    if (track.pointCount() == 0) {
        return std::nullopt;
    }
    refreshTrackBounds(bounds, track);
    const double scale = fittedScale(bounds, view, width, height);
    MapPoint position;
    position.lon = (x - view.panX - width * 0.5) / scale + (bounds.minLon + bounds.maxLon) * 0.5;
    position.lat = (bounds.minLat + bounds.maxLat) * 0.5 - (y - view.panY - height * 0.5) / scale;
    return position;
}

} // namespace trakmoor
