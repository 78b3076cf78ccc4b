#ifndef TRAKMOOR_MAP_FONTFACE_H
#define TRAKMOOR_MAP_FONTFACE_H

// Text on the map, the legend and the graph is drawn with one embedded font through cairo's
// FreeType backend, so the pictures do not depend on the fonts a machine happens to have.

#include <cairo.h>

#include <memory>
#include <span>

namespace trakmoor {

struct CairoFontFaceDeleter {
    void operator()(cairo_font_face_t* face) const noexcept { cairo_font_face_destroy(face); }
};
using CairoFontFacePtr = std::unique_ptr<cairo_font_face_t, CairoFontFaceDeleter>;

// A font face over a copy of the font file's bytes; the copy and the FreeType objects live as
// long as cairo holds the face.  `syntheticBold` emboldens the outlines, for the bold texts of a
// font that has only its regular style.  Null when FreeType cannot read the bytes.
CairoFontFacePtr makeFontFace(std::span<const unsigned char> fontBytes, bool syntheticBold = false);

// Selects `face`, or cairo's own "Sans" when it is null, at the given size.
void useFont(cairo_t* cr, cairo_font_face_t* face, double size,
             cairo_font_weight_t weight = CAIRO_FONT_WEIGHT_NORMAL);

} // namespace trakmoor

#endif
