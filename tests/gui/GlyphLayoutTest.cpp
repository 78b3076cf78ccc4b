// Glyph layout against the real font and FreeType.

#include "GuiTestSupport.h"

#include "gui/GuiGlyphs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

TEST(Utf8Decoding, WellFormedAndMalformedSequences) {
    const struct {
        std::string bytes;
        char32_t codePoint;
        int length;
    } cases[] = {
        {"A", U'A', 1},
        {"\xC3\xB6", U'ö', 2},
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\x80", kReplacementChar, 1},             // stray continuation
        {"\xC0\xAF", kReplacementChar, 1},         // overlong slash
        {"\xE0\x80\xAF", kReplacementChar, 1},     // overlong, three bytes
        {"\xED\xA0\x80", kReplacementChar, 1},     // surrogate
        {"\xF4\x90\x80\x80", kReplacementChar, 1}, // past U+10FFFF
        {"\xE2\x80", kReplacementChar, 1},         // cut short
        {"\xFF", kReplacementChar, 1},
    };
    for (const auto& c : cases) {
        const Utf8Char got = decodeUtf8(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(got.codePoint, c.codePoint) << c.bytes;
        EXPECT_EQ(got.length, c.length) << c.bytes;
    }
    const std::string text = "a\xC3\xB6\xFF"
                             "b\xE2\x82\xAC"; // a ö <bad> b €
    EXPECT_EQ(utf8CharCount(text), 5);
    const std::size_t expected[] = {0, 1, 3, 4, 5, 8, 8};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(byteOffsetOfChar(text, i), expected[i]) << "char " << i;
    }
    EXPECT_EQ(byteOffsetOfChar(text, -3), 0u);
}

class GlyphLayout : public ::testing::Test {
protected:
    guitest::TestEngine engine_;
    FT_Face face_ = engine_.fontFace();
    FaceMetrics metrics_ = faceMetrics(face_);
};

TEST_F(GlyphLayout, TabAdvancesFortyPixelsAndLineBreakStartsNextLine) {
    const auto boxes = layoutGlyphs(face_, "a\tb\nc", 100, 50, 400, {});
    ASSERT_EQ(boxes.size(), 5u);
    EXPECT_EQ(boxes[1].width, 40);
    EXPECT_NEAR(boxes[2].x, boxes[1].x + 40, 2);
    EXPECT_EQ(boxes[3].width, 0);
    EXPECT_EQ(boxes[0].baseline, 50 + 5 + metrics_.ascender);
    EXPECT_EQ(boxes[4].baseline, boxes[0].baseline + metrics_.lineHeight);
    EXPECT_NEAR(boxes[4].x, 105, 2);
}

TEST_F(GlyphLayout, WrapMovesWordsToTheNextLineAndBreaksTooLongOnes) {
    // "hello" fits in 60 usable pixels (82 - 22), "hello world" does not.
    const auto boxes = layoutGlyphs(face_, "hello world", 10, 0, 82, {false, true});
    ASSERT_EQ(boxes.size(), 11u);
    EXPECT_EQ(boxes[5].baseline, boxes[0].baseline);
    EXPECT_EQ(boxes[6].baseline, boxes[0].baseline + metrics_.lineHeight);
    EXPECT_EQ(boxes[10].baseline, boxes[6].baseline);
    EXPECT_NEAR(boxes[6].x, 15, 2); // "w" starts at the left edge
    const auto flat = layoutGlyphs(face_, "hello world", 10, 0, 82, {});
    EXPECT_EQ(flat[10].baseline, flat[0].baseline) << "without wrapping: one line";

    const auto word = layoutGlyphs(face_, "abcdefghijklmnop", 0, 0, 72, {false, true});
    int lines = 1;
    for (std::size_t i = 1; i < word.size(); ++i) {
        if (word[i].baseline != word[i - 1].baseline) {
            ++lines;
            EXPECT_NEAR(word[i].x, 5, 2) << "a new line starts at the left edge";
        }
        EXPECT_LE(word[i].x, 5 + 50) << "no glyph starts past the usable width";
    }
    EXPECT_GE(lines, 3);
}

TEST_F(GlyphLayout, PasswordFallsBackToAsteriskWithoutBulletGlyph) {
    // The Macintosh character map of the font has no U+2022 entry.
    FT_Face face = face_;
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

} // namespace
