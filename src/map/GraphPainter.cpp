#include "map/GraphPainter.h"

#include "map/FontFace.h"
#include "map/PanelBackground.h"
#include "map/PixelThinning.h"
#include "track/TrackInfoRows.h"
#include "track/TrackStats.h"

#include <libintl.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

// Marks the labels for the catalogue; the engine translates them when it shows them.
#define N_(text) (text)

namespace trakmoor {

namespace {

// Clamps into lo..hi; an empty range gives lo, and so does a value that is not a number.
double clampLowWins(double value, double lo, double hi) {
    return std::fmax(std::fmin(value, hi), lo);
}

using Series = GraphValues;

// Widened by the finite values only, so one bad elevation cannot make the whole scale unusable.
void fitRange(Series& series, std::optional<double> start) {
    bool seeded = start.has_value();
    series.lo = series.hi = start.value_or(0.0);
    for (std::size_t i = start ? 1 : 0; i < series.values.size(); ++i) {
        const double v = series.values[i];
        if (!std::isfinite(v)) {
            continue;
        }
        if (!seeded) {
            series.lo = series.hi = v;
            seeded = true;
            continue;
        }
        series.lo = std::min(series.lo, v);
        series.hi = std::max(series.hi, v);
    }
    series.range = std::max(series.hi - series.lo, 1.0);
}

// The curves keep this far from every edge of the panel.
constexpr double graphMargin = 12.0;

class GraphGeometry {
public:
    GraphGeometry(int width, int height, std::int32_t count)
        : height_(height), step_((width - 2 * graphMargin) / std::max(count - 1, 1)) {}

    double x(std::int32_t index) const { return graphMargin + index * step_; }
    double y(const Series& series, double value) const {
        return (height_ - 12.0) - (value - series.lo) * (height_ - 24.0) / series.range;
    }

private:
    int height_;
    double step_;
};

// One stroke of tens of thousands of segments in a panel this low keeps thousands of edges active
// on every scan line of cairo's rasteriser.  Strokes of pixel columns, each clipped to its own
// columns and given every segment that can reach into them, paint every pixel once with the same
// coverage as the single stroke, and each stays small.
constexpr std::size_t singleStrokePoints = 2048;
constexpr double stripWidth = 32.0;
// Half the line width plus the round join around a vertex, with room to spare.
constexpr double strokeReach = 3.0;

void strokeInStrips(cairo_t* cr, const std::vector<ScreenPoint>& points, int height) {
    auto firstBeyond = [&](double x) {
        return std::upper_bound(points.begin(), points.end(), x,
                                [](double v, const ScreenPoint& p) { return v < p.x; }) -
               points.begin();
    };
    auto firstFrom = [&](double x) {
        return std::lower_bound(points.begin(), points.end(), x,
                                [](const ScreenPoint& p, double v) { return p.x < v; }) -
               points.begin();
    };
    const auto count = static_cast<std::ptrdiff_t>(points.size());
    const double left = std::floor(points.front().x - strokeReach);
    const double right = points.back().x + strokeReach;
    for (double x0 = left; x0 < right; x0 += stripWidth) {
        const double x1 = x0 + stripWidth;
        // The segment that enters the strip's reach from further left is drawn whole.
        const std::ptrdiff_t begin = std::max<std::ptrdiff_t>(firstFrom(x0 - strokeReach) - 1, 0);
        const std::ptrdiff_t end = std::min(firstBeyond(x1 + strokeReach) + 1, count);
        if (end - begin < 1) {
            continue;
        }
        cairo_save(cr);
        cairo_rectangle(cr, x0, -height, stripWidth, 3.0 * height);
        cairo_clip(cr);
        cairo_move_to(cr, points[begin].x, points[begin].y);
        for (std::ptrdiff_t i = begin + 1; i < end; ++i) {
            cairo_line_to(cr, points[i].x, points[i].y);
        }
        cairo_stroke(cr);
        cairo_restore(cr);
    }
}

// Strokes the series from point `from` on, continuing from `start`.
void drawSeries(cairo_t* cr, const GraphGeometry& geometry, const Series& series, std::size_t from,
                ScreenPoint start, int height, const GraphPaintOptions& options) {
    std::vector<ScreenPoint> points{start};
    points.reserve(series.values.size() - from + 1);
    // The curve turns in almost every pixel, so its runs are cut at thirds of a pixel.
    PixelThinning thinning(options.thinSamePixel, start, 3);
    auto keep = [&points](ScreenPoint p) { points.push_back(p); };
    for (std::size_t i = from; i < series.values.size(); ++i) {
        const ScreenPoint p{geometry.x(static_cast<std::int32_t>(i)),
                            geometry.y(series, series.values[i])};
        if (std::isfinite(p.y)) {
            thinning.add(p, keep);
        }
    }
    thinning.finish(keep);
    cairo_set_line_width(cr, 2.0);
    // Mitred corners of a dense zigzag would stick out up to ten line widths.
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    if (options.strokeInStrips && points.size() > singleStrokePoints) {
        strokeInStrips(cr, points, height);
        return;
    }
    cairo_new_path(cr);
    cairo_move_to(cr, start.x, start.y);
    for (std::size_t i = 1; i < points.size(); ++i) {
        cairo_line_to(cr, points[i].x, points[i].y);
    }
    cairo_stroke(cr);
}

std::optional<Channel> channelOf(GraphMode mode) {
    switch (mode) {
    case GraphMode::HeartRate:
        return Channel::HeartRate;
    case GraphMode::Cadence:
        return Channel::Cadence;
    case GraphMode::Power:
        return Channel::Power;
    case GraphMode::Temperature:
        return Channel::Temperature;
    default:
        return std::nullopt;
    }
}

// The cursor's value and the maximum in the unit of the curve.
std::string formatSeriesValue(GraphMode mode, double value) {
    if (const auto channel = channelOf(mode)) {
        return formatChannelValue(*channel, value);
    }
    return FormatGraphValue(value, mode == GraphMode::Speed);
}

double textWidth(cairo_t* cr, const std::string& text) {
    cairo_text_extents_t extents;
    cairo_text_extents(cr, text.c_str(), &extents);
    return extents.width;
}

} // namespace

std::int32_t graphIndexAt(double x, int width, std::int32_t count) {
    const double fraction =
        std::clamp((x - graphMargin) / std::max(width - 2 * graphMargin, 1.0), 0.0, 1.0);
    return static_cast<std::int32_t>(std::lround(fraction * (count - 1)));
}

std::string FormatGraphValue(double value, bool isSpeed) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                      std::chars_format::fixed, isSpeed ? 1 : 0);
    std::string text(buffer, result.ec == std::errc() ? result.ptr : buffer);
    text += isSpeed ? " km/h" : " m";
    return text;
}

void DrawGraphText(cairo_t* cr, int width, int height, const std::string& text, double x,
                   double y) {
    const double w = textWidth(cr, text);
    x = clampLowWins(x, 4.0, width - w - 10.0);
    y = clampLowWins(y, 13.0, height - 5.0);
    cairo_rectangle(cr, x - 3.0, y - 12.0, w + 6.0, 16.0);
    cairo_set_source_rgba(cr, 1.0, 1.0, 1.0, 0.88);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.12, 0.13, 0.14);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

std::vector<GraphMode> graphModesFor(const Track& track) {
    std::vector<GraphMode> modes = {GraphMode::Height, GraphMode::Speed, GraphMode::HeightAndSpeed};
    for (GraphMode mode :
         {GraphMode::HeartRate, GraphMode::Cadence, GraphMode::Power, GraphMode::Temperature}) {
        if (track.hasChannel(*channelOf(mode))) {
            modes.push_back(mode);
        }
    }
    return modes;
}

const char* graphModeLabel(GraphMode mode) {
    switch (mode) {
    case GraphMode::Height:
        return N_("Height");
    case GraphMode::Speed:
        return N_("Speed");
    case GraphMode::HeightAndSpeed:
        return N_("Height + speed");
    case GraphMode::HeartRate:
        return N_("Heart rate");
    case GraphMode::Cadence:
        return N_("Cadence");
    case GraphMode::Power:
        return N_("Power");
    case GraphMode::Temperature:
        return N_("Temperature");
    }
    return N_("Height");
}

GraphSeries computeGraphSeries(const Track& track, std::int32_t statisticsMode) {
    GraphSeries series;
    const std::int32_t n = track.pointCount();
    series.mode = static_cast<GraphMode>(statisticsMode);
    const auto channel = channelOf(series.mode);
    if (channel ? !track.hasChannel(*channel)
                : series.mode != GraphMode::Speed && series.mode != GraphMode::HeightAndSpeed) {
        series.mode = GraphMode::Height;
    }
    if (n == 0) {
        return series;
    }
    if (channel && series.mode != GraphMode::Height) {
        // Points without a reading leave a gap in the curve.
        series.first.values.resize(static_cast<std::size_t>(n));
        for (std::int32_t i = 0; i < n; ++i) {
            series.first.values[i] = track.channelValue(*channel, i);
        }
        fitRange(series.first, std::nullopt);
        return series;
    }
    // Point 0 has no step before it and counts as speed 0.  A recording without positions has
    // only the speed its device measured.
    std::vector<double> speeds;
    if (series.mode != GraphMode::Height) {
        speeds.resize(static_cast<std::size_t>(n));
        const bool measured = !track.hasPositions() && track.hasChannel(Channel::Speed);
        for (std::int32_t i = measured ? 0 : 1; i < n; ++i) {
            speeds[i] = measured ? track.channelValue(Channel::Speed, i) : pointSpeed(track, i);
        }
    }
    if (series.mode == GraphMode::Speed) {
        series.first.values = std::move(speeds);
        fitRange(series.first, 0.0);
        return series;
    }
    series.first.values.resize(static_cast<std::size_t>(n));
    for (std::int32_t i = 0; i < n; ++i) {
        series.first.values[i] = track.pointAt(i)->ele();
    }
    fitRange(series.first, std::isfinite(series.first.values[0])
                               ? std::optional(series.first.values[0])
                               : std::nullopt);
    if (series.mode == GraphMode::HeightAndSpeed) {
        series.second.values = std::move(speeds);
        fitRange(series.second, 0.0);
    }
    return series;
}

void paintGraphCurves(cairo_t* cr, int width, int height, const GraphSeries& series,
                      const GraphPaintOptions& options) {
    paintGraphBackground(cr, width, height);
    const auto n = static_cast<std::int32_t>(series.first.values.size());
    if (n == 0) {
        return;
    }
    const GraphGeometry geometry(width, height, n);
    cairo_save(cr);
    cairo_set_source_rgb(cr, 0.12, 0.42, 0.68);
    drawSeries(cr, geometry, series.first, 0, {12.0, height - 12.0}, height, options);
    if (series.mode == GraphMode::HeightAndSpeed) {
        cairo_set_source_rgb(cr, 0.82, 0.30, 0.12);
        drawSeries(cr, geometry, series.second, 1, {geometry.x(0), geometry.y(series.second, 0.0)},
                   height, options);
    }
    cairo_restore(cr);
}

void paintGraphOverlay(cairo_t* cr, int width, int height, const GraphSeries& series,
                       std::int32_t cursorIndex, cairo_font_face_t* font) {
    const auto n = static_cast<std::int32_t>(series.first.values.size());
    if (n == 0) {
        return;
    }
    const bool twoSeries = series.mode == GraphMode::HeightAndSpeed;
    const GraphGeometry geometry(width, height, n);
    cairo_save(cr);
    useFont(cr, font, 11.0, CAIRO_FONT_WEIGHT_BOLD);
    std::string maximum = gettext("Max: ") + formatSeriesValue(series.mode, series.first.hi);
    if (twoSeries) {
        maximum += " / " + FormatGraphValue(series.second.hi, true);
    }

    std::string cursorText;
    double tx = 0.0;
    double ty = 0.0;
    if (cursorIndex >= 0 && cursorIndex < n) {
        const double cx = geometry.x(cursorIndex);
        cairo_move_to(cr, cx, 0.0);
        cairo_line_to(cr, cx, height);
        cairo_set_source_rgb(cr, 0.90, 0.55, 0.05);
        cairo_set_line_width(cr, 2.0);
        cairo_stroke(cr);

        const double value = series.first.values[cursorIndex];
        cursorText = formatSeriesValue(series.mode, value);
        if (twoSeries) {
            cursorText += " / " + FormatGraphValue(series.second.values[cursorIndex], true);
        }
        const double w = textWidth(cr, cursorText);
        tx = cx + w + 14.0 >= width ? cx - w - 7.0 : cx + 7.0;
        ty = geometry.y(series.first, value) - 6.0;
        // Keep the value off the maximum label in the top left corner.
        const double shownX = clampLowWins(tx, 4.0, width - w - 10.0);
        const double shownY = clampLowWins(ty, 13.0, height - 5.0);
        if (shownX - 3.0 < textWidth(cr, maximum) + 10.0 && shownY - 12.0 < 18.0) {
            ty = 32.0;
        }
    }
    DrawGraphText(cr, width, height, maximum, 7.0, 14.0);
    if (!cursorText.empty()) {
        DrawGraphText(cr, width, height, cursorText, tx, ty);
    }
    cairo_restore(cr);
}

void PaintGraphPanel(cairo_t* cr, int width, int height, const Track& track,
                     std::int32_t statisticsMode, std::int32_t cursorIndex, cairo_font_face_t* font,
                     const GraphPaintOptions& options) {
    if (track.pointCount() == 0) {
        return;
    }
    const GraphSeries series = computeGraphSeries(track, statisticsMode);
    paintGraphCurves(cr, width, height, series, options);
    paintGraphOverlay(cr, width, height, series, cursorIndex, font);
}

} // namespace trakmoor
