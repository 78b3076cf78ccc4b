#include "map/MapStyle.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace trakmoor {

namespace {

ClassStyle line(double minZoom, int priority, RgbColor color, double width, bool dashed = false) {
    return ClassStyle{minZoom, priority, color, width, dashed, 0.0};
}

ClassStyle area(double minZoom, int priority, RgbColor color, double alpha) {
    return ClassStyle{minZoom, priority, color, 0.0, false, alpha};
}

const std::array<ClassStyle, featureClassCount>& styleTable() {
    static const std::array<ClassStyle, featureClassCount> table = {
        ClassStyle{},
        line(0.05, 6, {0.88, 0.43, 0.18}, 4.2),
        line(0.05, 6, {0.91, 0.62, 0.30}, 3.5),
        line(0.2, 6, {0.88, 0.76, 0.40}, 3.0),
        line(0.35, 6, {0.62, 0.61, 0.58}, 2.2),
        line(0.75, 6, {0.58, 0.57, 0.54}, 1.5),
        line(0.5, 6, {0.54, 0.42, 0.27}, 1.2, true),
        line(0.2, 5, {0.35, 0.36, 0.38}, 2.0, true),
        line(0.2, 4, {0.20, 0.55, 0.78}, 1.6),
        area(0.05, 1, {0.48, 0.74, 0.89}, 0.82),
        line(0.2, 4, {0.55, 0.43, 0.65}, 1.2, true),
        area(0.05, 0, {0.53, 0.73, 0.48}, 0.48),
        area(0.35, 0, {0.73, 0.84, 0.55}, 0.45),
        area(0.05, 0, {0.82, 0.80, 0.76}, 0.40),
        area(0.05, 0, {0.72, 0.67, 0.64}, 0.42),
        area(0.75, 2, {0.70, 0.72, 0.74}, 0.48),
        area(1.25, 3, {0.66, 0.58, 0.50}, 0.52),
    };
    return table;
}

constexpr RgbColor waterOutline{0.18, 0.52, 0.74};
constexpr RgbColor boundaryOutline{0.55, 0.43, 0.65};
constexpr RgbColor plainOutline{0.38, 0.40, 0.40};
constexpr RgbColor bridgeCasing{0.3, 0.3, 0.3};

constexpr std::array<LegendRow, 10> legend = {{
    {"Major road", {0.88, 0.48, 0.20}},
    {"Local road", {0.66, 0.64, 0.60}},
    {"Path", {0.55, 0.43, 0.28}},
    {"Railway", {0.38, 0.39, 0.41}},
    {"Water", {0.25, 0.58, 0.78}},
    {"Boundary", {0.55, 0.43, 0.65}},
    {"Forest", {0.46, 0.67, 0.42}},
    {"Grass / park", {0.68, 0.80, 0.48}},
    {"Built-up area", {0.72, 0.67, 0.62}},
    {"Building / parking", {0.63, 0.58, 0.52}},
}};

} // namespace

const ClassStyle& styleOf(FeatureClass featureClass) {
    const auto code = static_cast<std::size_t>(featureClass);
    return styleTable()[code < styleTable().size() ? code : 0];
}

bool isVisibleAtZoom(FeatureClass featureClass, double zoom) {
    return featureClass != FeatureClass::None && zoom >= styleOf(featureClass).minZoom;
}

double lineWidthScale(double zoom) {
    // A NaN zoom would poison every width; treat it as the smallest scale.
    const double scale = std::pow(zoom, 0.18);
    return std::isnan(scale) ? 0.72 : std::clamp(scale, 0.72, 1.65);
}

LinePaint linePaintFor(const MapFeature& feature, double zoom) {
    const ClassStyle& style = styleOf(feature.featureClass);
    LinePaint paint;
    paint.line.color = style.color;
    paint.line.width = style.lineWidth * lineWidthScale(zoom);
    paint.line.dashed = style.alwaysDashed || feature.tunnel;
    paint.line.alpha = feature.tunnel ? 0.48 : 0.82;
    if (feature.bridge) {
        paint.hasCasing = true;
        paint.casing = StrokePaint{bridgeCasing, 0.72, paint.line.width + 2.0, false};
    }
    return paint;
}

AreaPaint areaPaintFor(const MapFeature& feature, double zoom) {
    const ClassStyle& style = styleOf(feature.featureClass);
    AreaPaint paint;
    paint.fill = style.color;
    paint.fillAlpha = style.fillAlpha;
    paint.outline.dashed = feature.boundary;
    const double scale = lineWidthScale(zoom);
    if (feature.featureClass == FeatureClass::Water) {
        paint.outline.color = waterOutline;
        paint.outline.alpha = 0.86;
    } else if (feature.boundary) {
        paint.outline.color = boundaryOutline;
        paint.outline.alpha = 0.72;
    } else {
        paint.outline.color = plainOutline;
        paint.outline.alpha = 0.42;
    }
    if (feature.boundary) {
        paint.outline.width = scale * 1.2;
    } else if (feature.featureClass == FeatureClass::Water) {
        paint.outline.width = scale * 1.1;
    } else {
        paint.outline.width = scale * 0.8;
    }
    return paint;
}

int drawSortKey(const MapFeature& feature) {
    const int shift = feature.tunnel ? -1 : (feature.bridge ? 1 : 0);
    return 3 * feature.layer + shift;
}

std::vector<std::size_t> drawOrder(std::span<const MapFeature> features) {
    std::vector<std::size_t> order(features.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int keyA = drawSortKey(features[a]);
        const int keyB = drawSortKey(features[b]);
        if (keyA != keyB) {
            return keyA < keyB;
        }
        return styleOf(features[a].featureClass).priority <
               styleOf(features[b].featureClass).priority;
    });
    return order;
}

std::span<const LegendRow> legendRows() {
    return legend;
}

} // namespace trakmoor
