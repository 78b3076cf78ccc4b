#ifndef TRAKMOOR_MAP_GRAPHPAINTER_H
#define TRAKMOOR_MAP_GRAPHPAINTER_H

// The statistics graph below the map: elevation and/or speed of the current track over the point
// index, its maximum, and the cursor with its value.

#include "track/Gpx.h"

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace trakmoor {

// What the graph can show.  The "Statistics" selector offers the first three always and each
// channel's curve only for a track that has that channel.
enum class GraphMode : std::int32_t {
    Height = 0,
    Speed = 1,
    HeightAndSpeed = 2,
    HeartRate = 3,
    Cadence = 4,
    Power = 5,
    Temperature = 6,
};

// The modes the selector offers for a track, in its order.
std::vector<GraphMode> graphModesFor(const Track& track);

// The selector's English label of a mode: "Height", "Speed", "Height + speed", "Heart rate",
// "Cadence", "Power", "Temperature".
const char* graphModeLabel(GraphMode mode);

struct GraphPaintOptions {
    // Leave out of the curves the points that fall into the pixel of the last drawn one.
    bool thinSamePixel = true;
    // Stroke long curves in clipped strips of pixel columns rather than in one piece.
    bool strokeInStrips = true;
};

// One curve's values and the range its scale covers.
struct GraphValues {
    std::vector<double> values;
    double lo = 0.0;
    double hi = 0.0;
    double range = 1.0;
};

// What the graph of a track shows in a mode: the first curve (heights, or speeds in "Speed"), and
// the speeds as the second curve in "Height + speed".
struct GraphSeries {
    GraphMode mode = GraphMode::Height;
    GraphValues first;
    GraphValues second;
};

// Unknown modes, and channels the track does not have, give Height.
GraphSeries computeGraphSeries(const Track& track, std::int32_t statisticsMode);

// The background, the grid and the curves: everything that does not follow the cursor.  Draws no
// text, so it may run on any thread with a context of its own.
void paintGraphCurves(cairo_t* cr, int width, int height, const GraphSeries& series,
                      const GraphPaintOptions& options = {});

// The cursor line, the maximum and the cursor's value over the curves.
void paintGraphOverlay(cairo_t* cr, int width, int height, const GraphSeries& series,
                       std::int32_t cursorIndex, cairo_font_face_t* font);

// The point of a track of `count` points that the graph plots at panel column `x`: the nearest,
// and the first or last one beyond the plotted width.
std::int32_t graphIndexAt(double x, int width, std::int32_t count);

// "123 m" or "12.3 km/h", independent of the locale.
std::string FormatGraphValue(double value, bool isSpeed);

// A text on a light box, kept inside the panel.  The font is the caller's.
void DrawGraphText(cairo_t* cr, int width, int height, const std::string& text, double x, double y);

// Paints the whole panel for a track with at least one point (nothing otherwise).  `font` is the
// bold face for the texts; null uses cairo's bold "Sans".  Unknown modes draw as Height.
void PaintGraphPanel(cairo_t* cr, int width, int height, const Track& track,
                     std::int32_t statisticsMode, std::int32_t cursorIndex, cairo_font_face_t* font,
                     const GraphPaintOptions& options = {});

} // namespace trakmoor

#endif
