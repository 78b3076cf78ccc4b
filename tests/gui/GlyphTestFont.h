#ifndef TRAKMOOR_TESTS_GUI_GLYPHTESTFONT_H
#define TRAKMOOR_TESTS_GUI_GLYPHTESTFONT_H

// A FreeType face of the toolkit's font at the text control's size (14 pixels), owned by the test.

#include <filesystem>
#include <stdexcept>
#include <string>

#include <ft2build.h>
#include FT_FREETYPE_H

inline std::string testFontPath() {
    const std::filesystem::path shipped =
        std::filesystem::path(TRAKMOOR_TEST_DATA) / ".." / ".." / "data" / "fonts" / "Vera.ttf";
    if (std::filesystem::exists(shipped)) {
        return shipped.string();
    }
    return "/usr/share/fonts/truetype/ttf-bitstream-vera/Vera.ttf";
}

class TestFace {
public:
    TestFace() {
        if (FT_Init_FreeType(&library_) != 0) {
            throw std::runtime_error("FreeType did not start");
        }
        if (FT_New_Face(library_, testFontPath().c_str(), 0, &face_) != 0) {
            FT_Done_FreeType(library_);
            throw std::runtime_error("font not found: " + testFontPath());
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
