#include "map/ViewOperations.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace trakmoor {

double zoomedBy(double zoom, double factor) {
    return std::clamp(factor * zoom, kMinZoom, kMaxZoom);
}

void zoomAbout(ViewState& view, double factor, double mouseX, double mouseY, int panelWidth,
               int panelHeight) {
    const double oldZoom = view.zoom;
    view.zoom = zoomedBy(view.zoom, factor);
    const double ratio = view.zoom / oldZoom;
    const double dx = mouseX - panelWidth / 2.0;
    const double dy = mouseY - panelHeight / 2.0;
    view.panX = dx - (dx - view.panX) * ratio;
    view.panY = dy - (dy - view.panY) * ratio;
}

double travelHeadingOffset(const Track& track, int cursorIndex) {
    const int count = track.pointCount();
    if (count < 2) {
        return 0.0;
    }
    const int j = std::clamp(cursorIndex, 0, count - 2);
    const WayPoint* p = track.pointAt(j);
    const WayPoint* q = track.pointAt(j + 1);
    return -std::numbers::pi / 2.0 - std::atan2(-(q->lat() - p->lat()), q->lon() - p->lon());
}

std::optional<std::int32_t> presetAngleZ(int presetIndex) {
    // The named side of the map comes to the bottom of the panel.
    constexpr std::int32_t angles[] = {0, 180, 90, 0, 270};
    if (presetIndex < 0 || presetIndex >= static_cast<int>(std::size(angles))) {
        return std::nullopt;
    }
    return angles[presetIndex];
}

} // namespace trakmoor
