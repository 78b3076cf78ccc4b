// Glyph layout and drawing against the real font and FreeType, drawn by SDL's software renderer
// into a surface that is read back.

#include "gui/GuiGlyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "GlyphTestFont.h"

namespace {

using namespace std::string_literals;

// ---------------------------------------------------------------------------------------------
// UTF-8
// ---------------------------------------------------------------------------------------------

struct DecodeCase {
    const char* name;
    std::string bytes;
    char32_t codePoint;
    int length;
};

TEST(Utf8Decoding, WellFormedAndMalformedSequences) {
    const DecodeCase cases[] = {
        {"ascii", "A", U'A', 1},
        {"two bytes", "\xC3\xB6", U'ö', 2},
        {"three bytes", "\xE2\x80\xA2", 0x2022, 3},
        {"four bytes", "\xF0\x9F\x98\x80", 0x1F600, 4},
        {"stray continuation", "\x80", kReplacementChar, 1},
        {"overlong slash", "\xC0\xAF", kReplacementChar, 1},
        {"overlong three", "\xE0\x80\xAF", kReplacementChar, 1},
        {"surrogate", "\xED\xA0\x80", kReplacementChar, 1},
        {"past U+10FFFF", "\xF4\x90\x80\x80", kReplacementChar, 1},
        {"cut short", "\xE2\x80", kReplacementChar, 1},
        {"bad continuation", "\xC3(", kReplacementChar, 1},
        {"invalid lead", "\xFF", kReplacementChar, 1},
    };
    for (const auto& c : cases) {
        const Utf8Char got = decodeUtf8(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(got.codePoint, c.codePoint) << c.name;
        EXPECT_EQ(got.length, c.length) << c.name;
    }
}

TEST(Utf8Decoding, CharacterOffsetsWalkMixedAndBrokenText) {
    const std::string text = "a\xC3\xB6\xFF"
                             "b\xE2\x82\xAC"; // a ö <bad> b €
    EXPECT_EQ(utf8CharCount(text), 5);
    const std::size_t expected[] = {0, 1, 3, 4, 5, 8, 8};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(byteOffsetOfChar(text, i), expected[i]) << "char " << i;
    }
    EXPECT_EQ(byteOffsetOfChar(text, -3), 0u);
}

TEST(Utf8Decoding, SanitizeReplacesOnlyBadBytes) {
    EXPECT_EQ(sanitizeUtf8("ok \xC3\xB6"), "ok \xC3\xB6");
    EXPECT_EQ(sanitizeUtf8("x\xFFy"), "x\xEF\xBF\xBDy");
    EXPECT_EQ(sanitizeUtf8("\xE2\x80"), "\xEF\xBF\xBD\xEF\xBF\xBD");
    std::string encoded;
    appendUtf8(encoded, 0x1F600);
    EXPECT_EQ(decodeUtf8(encoded.data(), encoded.size()).codePoint, 0x1F600u);
}

// ---------------------------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------------------------

class GlyphLayout : public ::testing::Test {
protected:
    TestFace face_;
    FaceMetrics metrics_ = faceMetrics(face_.get());
};

TEST_F(GlyphLayout, TabAdvancesFortyPixelsAndLineBreakStartsNextLine) {
    const auto boxes = layoutGlyphs(face_.get(), "a\tb\nc", 100, 50, 400, {});
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[1].codePoint, 9);
    EXPECT_EQ(boxes[1].width, 40);
    // The character after the tab starts exactly 40 pixels after the tab's pen position.
    const int penAfterTab = boxes[1].x + 40;
    EXPECT_NEAR(boxes[2].x, penAfterTab, 2);
    EXPECT_EQ(boxes[3].codePoint, 10);
    EXPECT_EQ(boxes[3].width, 0);
    EXPECT_EQ(boxes[4].baseline, boxes[0].baseline + metrics_.lineHeight);
    EXPECT_EQ(boxes[0].baseline, 50 + 5 + metrics_.ascender);
    EXPECT_NEAR(boxes[4].x, 105, 2);
}

TEST_F(GlyphLayout, TrailingLineBreakGetsPhantomBoxOnTheEmptyLine) {
    const auto boxes = layoutGlyphs(face_.get(), "ab\n", 0, 0, 300, {});
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[3].codePoint, 32);
    EXPECT_EQ(boxes[3].width, 0);
    EXPECT_EQ(boxes[3].x, 5);
    EXPECT_EQ(boxes[3].baseline, boxes[0].baseline + metrics_.lineHeight);
    EXPECT_EQ(layoutGlyphs(face_.get(), "", 0, 0, 300, {}).size(), 0u);
}

TEST_F(GlyphLayout, WrapMovesSecondWordToTheLeftEdgeOfTheNextLine) {
    // "hello" fits in 60 usable pixels (82 - 22), "hello world" does not.
    const auto boxes = layoutGlyphs(face_.get(), "hello world", 10, 0, 82, {false, true});
    ASSERT_EQ(boxes.size(), 11u);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(boxes[i].baseline, boxes[0].baseline) << i;
    }
    for (int i = 6; i < 11; ++i) {
        EXPECT_EQ(boxes[i].baseline, boxes[0].baseline + metrics_.lineHeight) << i;
    }
    EXPECT_NEAR(boxes[6].x, 15, 2); // "w" starts at the left edge
    // Without wrapping everything stays on one line.
    const auto flat = layoutGlyphs(face_.get(), "hello world", 10, 0, 82, {});
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(),
                            [&](const GlyphBox& b) { return b.baseline == flat[0].baseline; }));
}

TEST_F(GlyphLayout, WrapBreaksAWordLongerThanTheLineBetweenCharacters) {
    const int width = 72; // 50 usable pixels
    const auto boxes = layoutGlyphs(face_.get(), "abcdefghijklmnop", 0, 0, width, {false, true});
    ASSERT_EQ(boxes.size(), 16u);
    int lines = 1;
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        if (boxes[i].baseline != boxes[i - 1].baseline) {
            ++lines;
            EXPECT_NEAR(boxes[i].x, 5, 2) << "a new line starts at the left edge";
        }
    }
    EXPECT_GE(lines, 3);
    for (const GlyphBox& b : boxes) {
        EXPECT_LE(b.x, 5 + 50) << "no glyph starts past the usable width";
    }
}

TEST_F(GlyphLayout, PasswordShowsBulletsAndIsNeverBroken) {
    const auto boxes = layoutGlyphs(face_.get(), "a b\tc\n", 0, 0, 30, {true, true});
    ASSERT_EQ(boxes.size(), 6u) << "no phantom box in password mode";
    for (const GlyphBox& b : boxes) {
        EXPECT_EQ(b.codePoint, 0x2022);
        EXPECT_EQ(b.baseline, boxes[0].baseline);
    }
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        EXPECT_GT(boxes[i].x, boxes[i - 1].x);
    }
}

TEST_F(GlyphLayout, PasswordFallsBackToAsteriskWithoutBulletGlyph) {
    // The Macintosh character map of the font has no U+2022 entry.
    FT_Face face = face_.get();
    bool selected = false;
    for (int i = 0; i < face->num_charmaps; ++i) {
        if (face->charmaps[i]->platform_id == 1) {
            selected = FT_Set_Charmap(face, face->charmaps[i]) == 0;
        }
    }
    ASSERT_TRUE(selected);
    const auto boxes = layoutGlyphs(face, "pw", 0, 0, 200, {true, false});
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].codePoint, '*');
    EXPECT_EQ(boxes[1].codePoint, '*');
}

TEST_F(GlyphLayout, BoxesAdvanceLeftToRightAndMalformedBytesGetBoxes) {
    const std::string text = "Weg \xC3\xBC"
                             "ber\xFF"
                             "AV";
    const auto boxes = layoutGlyphs(face_.get(), text, 0, 0, 1000, {});
    ASSERT_EQ(static_cast<int>(boxes.size()), utf8CharCount(text));
    for (std::size_t i = 1; i < boxes.size(); ++i) {
        EXPECT_GT(boxes[i].x, boxes[i - 1].x) << i;
        EXPECT_GE(boxes[i].width, 0);
    }
}

TEST_F(GlyphLayout, LongSingleLineTextIsLaidOutInFull) {
    const std::string text(200000, 'x');
    const auto boxes = layoutGlyphs(face_.get(), text, 0, 0, 100, {});
    ASSERT_EQ(boxes.size(), text.size());
    EXPECT_EQ(boxes.back().baseline, boxes.front().baseline);
    EXPECT_GT(boxes.back().x, 100000);
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

class GlyphPainting : public GlyphLayout {
protected:
    void SetUp() override {
        surface_.reset(SDL_CreateRGBSurfaceWithFormat(0, 200, 60, 32, SDL_PIXELFORMAT_ARGB8888));
        ASSERT_TRUE(surface_);
        renderer_ = SDL_CreateSoftwareRenderer(surface_.get());
        ASSERT_NE(renderer_, nullptr);
        SDL_SetRenderDrawColor(renderer_, 0, 200, 0, 255);
        SDL_RenderClear(renderer_);
    }
    void TearDown() override {
        if (renderer_ != nullptr) {
            SDL_DestroyRenderer(renderer_);
        }
    }

    GlyphPaintState state(const std::vector<GlyphBox>& glyphs) const {
        GlyphPaintState s;
        s.glyphs = &glyphs;
        s.face = face_.get();
        s.bounds = {10, 10, 150, 30};
        s.textArea = s.bounds;
        return s;
    }
    SDL_Color pixel(int x, int y) const {
        const auto* row = static_cast<const Uint8*>(surface_->pixels) + y * surface_->pitch;
        Uint32 value = reinterpret_cast<const Uint32*>(row)[x];
        SDL_Color c;
        SDL_GetRGBA(value, surface_->format, &c.r, &c.g, &c.b, &c.a);
        return c;
    }
    int countPixels(SDL_Rect r, bool (*pred)(SDL_Color)) const {
        int n = 0;
        for (int y = r.y; y < r.y + r.h; ++y) {
            for (int x = r.x; x < r.x + r.w; ++x) {
                n += pred(pixel(x, y)) ? 1 : 0;
            }
        }
        return n;
    }
    static bool isBlue(SDL_Color c) { return c.r == 0 && c.g == 0 && c.b == 255; }
    static bool isDark(SDL_Color c) { return c.r < 100 && c.g < 100 && c.b < 100; }

    struct SurfaceDeleter {
        void operator()(SDL_Surface* s) const noexcept { SDL_FreeSurface(s); }
    };
    std::unique_ptr<SDL_Surface, SurfaceDeleter> surface_;
    SDL_Renderer* renderer_ = nullptr;
};

TEST_F(GlyphPainting, FillsControlWhiteAndDrawsTextInsideOnly) {
    const auto glyphs = layoutGlyphs(face_.get(), "WWWWWWWWWWWWWWWWWWWW", 10, 10, 150, {});
    paintGlyphs(renderer_, state(glyphs), nullptr);
    EXPECT_GT(countPixels({10, 10, 150, 30}, isDark), 50);
    const SDL_Color outside = pixel(170, 20);
    EXPECT_EQ(outside.g, 200) << "the text is clipped to the control";
    const SDL_Color corner = pixel(158, 38);
    EXPECT_EQ(corner.r, 255);
}

TEST_F(GlyphPainting, SelectionIsBlueOnlyWhileFocused) {
    const auto glyphs = layoutGlyphs(face_.get(), "select me", 10, 10, 150, {});
    GlyphPaintState s = state(glyphs);
    s.selectionFrom = 0;
    s.selectionTo = 6;
    paintGlyphs(renderer_, s, nullptr);
    EXPECT_EQ(countPixels(s.bounds, isBlue), 0);

    s.focused = true;
    paintGlyphs(renderer_, s, nullptr);
    const int selectedWidth = glyphs[6].x - glyphs[0].x;
    const int blue = countPixels(s.bounds, isBlue);
    EXPECT_GT(blue, selectedWidth * metrics_.lineHeight / 2);
    EXPECT_LE(blue, selectedWidth * metrics_.lineHeight);
    // The unselected word stays on white.
    EXPECT_EQ(countPixels({glyphs[7].x, 10, 30, 30}, isBlue), 0);
}

TEST_F(GlyphPainting, CursorIsTwoPixelBlackBarBeforeItsCharacter) {
    const auto glyphs = layoutGlyphs(face_.get(), "ab", 10, 10, 150, {});
    GlyphPaintState s = state(glyphs);
    s.cursorVisible = true;
    s.cursorIndex = 2; // after the last glyph
    paintGlyphs(renderer_, s, nullptr);
    const int cx = glyphs[1].x + glyphs[1].width;
    const int cy = glyphs[1].baseline - metrics_.ascender - 3 + metrics_.lineHeight / 2;
    for (int dx = 0; dx < 2; ++dx) {
        const SDL_Color c = pixel(cx + dx, cy);
        EXPECT_TRUE(c.r == 0 && c.g == 0 && c.b == 0) << dx;
    }
    EXPECT_EQ(pixel(cx + 3, cy).r, 255);

    // A selection hides the cursor.
    SDL_RenderClear(renderer_);
    s.selectionFrom = 0;
    s.selectionTo = 1;
    paintGlyphs(renderer_, s, nullptr);
    EXPECT_EQ(pixel(cx, cy).r, 255);
}

TEST_F(GlyphPainting, ScrollOffsetsMoveTheTextAndClipAtTheTextArea) {
    const auto glyphs = layoutGlyphs(face_.get(), "H", 30, 10, 150, {});
    GlyphPaintState s = state(glyphs);
    auto leftmostDark = [&] {
        for (int x = 0; x < 200; ++x) {
            if (countPixels({x, 0, 1, 60}, isDark) > 0) {
                return x;
            }
        }
        return -1;
    };
    paintGlyphs(renderer_, s, nullptr);
    const int before = leftmostDark();
    ASSERT_GT(before, 30);
    s.scrollX = 7;
    paintGlyphs(renderer_, s, nullptr);
    EXPECT_EQ(leftmostDark(), before - 7);
    // Scrolled past the text area's left edge, nothing is drawn outside it.
    s.scrollX = 40;
    s.textArea = {20, 10, 140, 30};
    SDL_RenderClear(renderer_);
    paintGlyphs(renderer_, s, nullptr);
    EXPECT_EQ(countPixels({0, 0, 20, 60}, isDark), 0);
}

} // namespace
