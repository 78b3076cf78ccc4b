// Cursor movement of the text control's editor over lines, on real glyph layouts.

#include "GuiTestSupport.h"

#include "gui/GuiTextEditor.h"

#include <gtest/gtest.h>

namespace {

class TextEditor : public ::testing::Test {
protected:
    void SetUp() override {
        editor_.setFace(engine_.fontFace());
        editor_.setGeometry(0, 0, 400);
        editor_.setOptions({});
    }
    guitest::TestEngine engine_;
    GuiTextEditor editor_;
    static constexpr SelectionMode kMove = SelectionMode::Move;
    static constexpr SelectionMode kExtend = SelectionMode::Extend;
};

TEST_F(TextEditor, SetTextKeepsCursorOnlyWhereItFits) {
    editor_.setText("abcdef");
    editor_.moveTo(4, kMove);
    editor_.moveTo(6, kExtend);
    editor_.setText("abcdefgh");
    EXPECT_EQ(editor_.cursorIndex(), 6);
    EXPECT_EQ(editor_.selectionAnchor(), -1);
    editor_.setText("ab");
    EXPECT_EQ(editor_.cursorIndex(), 2);
}

TEST_F(TextEditor, UpDownHomeAndEndKeepToLinesAndStopAtTheTextEnds) {
    editor_.setText("abcdef\nabcdef\nab");
    editor_.moveTo(3, kMove);
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 10) << "the column is kept";
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 16) << "a shorter line: its end";
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 16) << "below the last line: the end";
    editor_.moveLines(-5, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 0) << "above the first line: the start";
    editor_.moveTo(9, kMove);
    editor_.moveToLineStart(kMove);
    EXPECT_EQ(editor_.cursorIndex(), 7);
    editor_.moveToLineEnd(kExtend);
    EXPECT_EQ(editor_.selectedText(), "abcdef") << "the end is before the line break";
}

TEST_F(TextEditor, PhantomBoxLetsTheCursorStandOnTheEmptyLastLine) {
    editor_.setText("ab\n");
    editor_.moveTo(3, kMove);
    const SDL_Point p = editor_.cursorPoint();
    EXPECT_EQ(p.x, kGlyphMargin);
    EXPECT_EQ(p.y, editor_.glyphs()[0].baseline + editor_.lineHeight());
    editor_.moveLines(-1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 0);
}

TEST_F(TextEditor, PagesMoveByWholeLinesOfTheControlHeight) {
    std::string text;
    for (int i = 0; i < 20; ++i) {
        text += "line\n";
    }
    editor_.setText(text);
    const int lineHeight = editor_.lineHeight();
    for (const auto& [height, lines] :
         {std::pair{30, 1}, {40 + 3 * lineHeight, 3}, {40 + 4 * lineHeight - 1, 3}}) {
        editor_.moveTo(0, kMove);
        editor_.movePages(1, height, kMove);
        EXPECT_EQ(editor_.cursorIndex(), 5 * lines) << "height " << height;
    }
    editor_.movePages(1, 100000, kMove);
    EXPECT_EQ(editor_.cursorIndex(), editor_.charCount()) << "no line there: the end";
    editor_.movePages(-1, 100000, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 0);
}

TEST_F(TextEditor, PointerMapsToTheNearestGlyphEdge) {
    editor_.setText("WWW\nW");
    const auto& g = editor_.glyphs();
    const int y = g[0].baseline - 2;
    EXPECT_EQ(editor_.indexAt(g[1].x + 1, y), 1);
    EXPECT_EQ(editor_.indexAt(g[1].x + g[1].width - 1, y), 2);
    EXPECT_EQ(editor_.indexAt(390, y), 3) << "past the line end: before its break";
    EXPECT_EQ(editor_.indexAt(-50, -50), 0);
    EXPECT_EQ(editor_.indexAt(390, 1000), 5) << "below the last line: its end";
}

} // namespace
