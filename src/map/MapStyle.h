#ifndef TRAKMOOR_MAP_MAPSTYLE_H
#define TRAKMOOR_MAP_MAPSTYLE_H

// How each feature class is drawn, and in which order: plain tables and small functions that the
// map painter reads, kept apart from cairo so they can be checked on their own.

#include "map/MapFeature.h"

#include <cstddef>
#include <span>
#include <vector>

namespace trakmoor {

struct RgbColor {
    double red = 0.0;
    double green = 0.0;
    double blue = 0.0;

    friend bool operator==(const RgbColor&, const RgbColor&) = default;
};

struct ClassStyle {
    // The class is hidden while the view zoom is below this.
    double minZoom = 0.0;
    // Lower priorities are drawn first, under higher ones.
    int priority = 0;
    // Line classes: stroke colour and base width. Area classes: fill colour and its alpha.
    RgbColor color;
    double lineWidth = 0.0;
    bool alwaysDashed = false;
    double fillAlpha = 0.0;
};

// Index by class code; entry 0 (None) is never drawn.
const ClassStyle& styleOf(FeatureClass featureClass);

bool isVisibleAtZoom(FeatureClass featureClass, double zoom);

// zoom^0.18 clamped to 0.72..1.65: line widths grow slowly when zooming in, and stay legible.
double lineWidthScale(double zoom);

// Dash pattern on, off in pixels, for dashed lines and boundary outlines.
inline constexpr double dashOn = 5.0;
inline constexpr double dashOff = 4.0;

struct StrokePaint {
    RgbColor color;
    double alpha = 0.0;
    double width = 0.0;
    bool dashed = false;
};

struct LinePaint {
    bool hasCasing = false;
    // Stroked first, under the line, for bridges.
    StrokePaint casing;
    StrokePaint line;
};

struct AreaPaint {
    RgbColor fill;
    double fillAlpha = 0.0;
    StrokePaint outline;
};

// For features of a line class (1..8 and 10).
LinePaint linePaintFor(const MapFeature& feature, double zoom);
// For closed features of an area class; filled with the even-odd rule.
AreaPaint areaPaintFor(const MapFeature& feature, double zoom);

// Sort key of the draw order: layers apart, and within a layer tunnels under bridges.
int drawSortKey(const MapFeature& feature);
// Indices of `features` in drawing order: ascending sort key, then priority; ties keep list order.
std::vector<std::size_t> drawOrder(std::span<const MapFeature> features);

struct LegendRow {
    // Untranslated message identifier.
    const char* label;
    RgbColor swatch;
};

std::span<const LegendRow> legendRows();

} // namespace trakmoor

#endif
