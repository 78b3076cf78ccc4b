#ifndef TRAKMOOR_MAP_MAPLABELS_H
#define TRAKMOOR_MAP_MAPLABELS_H

// Feature names written onto the map picture: chosen by class and zoom, ranked by class, and
// placed greedily so that no two overlap, with a grid of 64-pixel cells keeping the overlap test
// local.  Placing (which only measures) is apart from drawing, so that the picture can be drawn in
// bands while the placement stays one pass in a fixed order.

#include "map/MapFeature.h"
#include "map/MapProjection.h"

#include <cairo.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace trakmoor {

// The zoom from which a class's names are shown; infinite for classes never labelled.
double labelMinZoom(FeatureClass featureClass);
// Lower values are placed first and win the space.
int labelPriority(FeatureClass featureClass);

struct PlacedLabel {
    const std::string* text = nullptr;
    // Where the text path starts, on whole pixels: every placement of a name then covers the same
    // pixels alike, so that its drawing can be reused.
    double originX = 0.0;
    double originY = 0.0;
    // The ink box grown by 4 pixels on every side.
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;
};

struct LabelArea {
    // Panel size; the picture covers (-width, -height) to (2 width, 2 height).
    int width = 0;
    int height = 0;
    double zoom = 1.0;
    cairo_font_face_t* font = nullptr;
};

// The colours of the halo and of the text over it, red, green, blue and alpha.
struct LabelColor {
    double red, green, blue, alpha;
};
inline constexpr LabelColor labelHalo{1.0, 1.0, 1.0, 0.88};
inline constexpr LabelColor labelInk{0.16, 0.18, 0.20, 0.92};

inline void setLabelSource(cairo_t* cr, const LabelColor& color) {
    cairo_set_source_rgba(cr, color.red, color.green, color.blue, color.alpha);
}

double labelFontSize(double zoom);
// Font, size, halo width and the line settings of the text path.
void useLabelStyle(cairo_t* cr, const LabelArea& area);

// Chooses and places the labels in drawing order.  `measure` only measures text; its font and
// size are changed.  Projections are with the pan and on the track's base plane.
// One label for each name placeMapLabels may place at the area's zoom, with its origin at 0, 0:
// the shapes of the names without their places.
std::vector<PlacedLabel> labelShapes(cairo_t* measure, std::span<const MapFeature> features,
                                     const LabelArea& area);

// `only`: the features to consider, ascending, when not all of them may show.
std::vector<PlacedLabel> placeMapLabels(cairo_t* measure, std::span<const MapFeature> features,
                                        const MapProjection& projection, const LabelArea& area,
                                        const std::vector<std::uint32_t>* only = nullptr);

// White halo, then dark text.  `cr` is translated so that panel coordinates apply.  With
// `inkAsText` the dark text is written as glyphs rather than filled as outlines, so that a PDF or
// SVG keeps the names searchable.
void drawPlacedLabels(cairo_t* cr, std::span<const PlacedLabel> labels, const LabelArea& area,
                      bool inkAsText = false);

// Both steps on one context.
void DrawMapLabels(cairo_t* cr, std::span<const MapFeature> features,
                   const MapProjection& projection, const LabelArea& area);

} // namespace trakmoor

#endif
