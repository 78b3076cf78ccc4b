#ifndef TRAKMOOR_TESTS_GUI_GLYPHTESTFONT_H
#define TRAKMOOR_TESTS_GUI_GLYPHTESTFONT_H

// A FreeType face of the toolkit's built-in font at the text control's 14 pixels, without an
// engine.

#include "gui/GuiEngine.h"

#include <stdexcept>

class TestFace {
public:
    TestFace() {
        const auto font = GuiEngine::builtInFont();
        if (FT_Init_FreeType(&library_) != 0 ||
            FT_New_Memory_Face(library_, font.data(), static_cast<FT_Long>(font.size()), 0,
                               &face_) != 0) {
            throw std::runtime_error("cannot open the built-in font");
        }
        FT_Select_Charmap(face_, FT_ENCODING_UNICODE);
        FT_Set_Pixel_Sizes(face_, 0, 14);
    }
    TestFace(const TestFace&) = delete;
    TestFace& operator=(const TestFace&) = delete;
    ~TestFace() {
        FT_Done_Face(face_);
        FT_Done_FreeType(library_);
    }
    FT_Face get() const { return face_; }

private:
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

#endif
