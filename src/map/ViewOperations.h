#ifndef TRAKMOOR_MAP_VIEWOPERATIONS_H
#define TRAKMOOR_MAP_VIEWOPERATIONS_H

// The arithmetic of the view commands, apart from the controls that trigger them: zoom limits,
// zooming about a fixed point, the turn that puts the direction of travel up, and the presets.

#include "map/ViewState.h"
#include "track/Gpx.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace trakmoor {

inline constexpr double minZoom = 0.05;
inline constexpr double maxZoom = 50.0;

// factor x zoom, kept within minZoom..maxZoom.
double zoomedBy(double zoom, double factor);

// Zooms `view` by `factor` so that the panel point (mouseX, mouseY) keeps showing the same place.
void zoomAbout(ViewState& view, double factor, double mouseX, double mouseY, int panelWidth,
               int panelHeight);

// The extra screen turn that makes the step from point `cursorIndex` to the next one point up,
// in degrees of latitude and longitude as the projection uses them; 0 for fewer than two points.
double travelHeadingOffset(const Track& track, int cursorIndex);

// The Z angle of a perspective preset ("Reset", "North-side", "East-side", "South-side",
// "West-side"); nothing for "Custom" or an unknown entry.
std::optional<std::int32_t> presetAngleZ(int presetIndex);

// A typed angle: a whole number as strtol reads it in base 10 (leading blanks and one sign
// allowed) that uses up the whole text and fits in 32 bits; nothing otherwise.
std::optional<std::int32_t> parseAngleText(std::string_view text);

} // namespace trakmoor

#endif
