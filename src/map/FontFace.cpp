#include "map/FontFace.h"

#include <cairo-ft.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <vector>

namespace trakmoor {

namespace {

// Everything FreeType reads from while cairo uses the face.  Each face gets its own library, as
// a FreeType library must not be shared between threads that create faces.
struct FreeTypeHolder {
    std::vector<unsigned char> bytes;
    FT_Library library = nullptr;
    FT_Face face = nullptr;

    ~FreeTypeHolder() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

const cairo_user_data_key_t holderKey{};

} // namespace

CairoFontFacePtr makeFontFace(std::span<const unsigned char> fontBytes, bool syntheticBold) {
    auto holder = std::make_unique<FreeTypeHolder>();
    holder->bytes.assign(fontBytes.begin(), fontBytes.end());
    if (holder->bytes.empty() || FT_Init_FreeType(&holder->library) != 0 ||
        FT_New_Memory_Face(holder->library, holder->bytes.data(),
                           static_cast<FT_Long>(holder->bytes.size()), 0, &holder->face) != 0) {
        return nullptr;
    }
    CairoFontFacePtr face(cairo_ft_font_face_create_for_ft_face(holder->face, 0));
    if (cairo_font_face_status(face.get()) != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    if (syntheticBold) {
        cairo_ft_font_face_set_synthesize(face.get(), CAIRO_FT_SYNTHESIZE_BOLD);
    }
    const cairo_status_t status =
        cairo_font_face_set_user_data(face.get(), &holderKey, holder.get(), [](void* data) {
            delete static_cast<FreeTypeHolder*>(data);
        });
    if (status != CAIRO_STATUS_SUCCESS) {
        return nullptr;
    }
    holder.release();
    return face;
}

void useFont(cairo_t* cr, cairo_font_face_t* face, double size, cairo_font_weight_t weight) {
    if (face != nullptr) {
        cairo_set_font_face(cr, face);
    } else {
        cairo_select_font_face(cr, "Sans", CAIRO_FONT_SLANT_NORMAL, weight);
    }
    cairo_set_font_size(cr, size);
}

} // namespace trakmoor
