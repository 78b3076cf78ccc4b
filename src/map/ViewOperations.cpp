#include "map/ViewOperations.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>

namespace trakmoor {

double zoomedBy(double zoom, double factor) {
    return std::clamp(factor * zoom, minZoom, maxZoom);
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

std::optional<std::int32_t> parseAngleText(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])) != 0) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    if (at == text.size() || std::isdigit(static_cast<unsigned char>(text[at])) == 0) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data() + at, end, magnitude);
    const std::uint64_t limit =
        negative ? std::uint64_t{1} << 31 : std::uint64_t{std::numeric_limits<std::int32_t>::max()};
    if (error != std::errc() || stop != end || magnitude > limit) {
        return std::nullopt;
    }
    const auto value = static_cast<std::int64_t>(magnitude);
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace trakmoor
