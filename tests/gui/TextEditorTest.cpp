// Editing, selection and cursor movement of the text control's editor, on real glyph layouts.

#include "gui/GuiTextEditor.h"

#include <gtest/gtest.h>

#include "GlyphTestFont.h"

namespace {

class TextEditor : public ::testing::Test {
protected:
    void SetUp() override {
        editor_.setFace(face_.get());
        editor_.setGeometry(0, 0, 400);
        editor_.setOptions({});
    }
    TestFace face_;
    GuiTextEditor editor_;
    static constexpr SelectionMode kMove = SelectionMode::Move;
    static constexpr SelectionMode kExtend = SelectionMode::Extend;
};

// ---------------------------------------------------------------------------------------------
// Edits
// ---------------------------------------------------------------------------------------------

TEST_F(TextEditor, InsertAdvancesByCharactersNotBytes) {
    EXPECT_TRUE(editor_.insert("Grüße"));
    EXPECT_EQ(editor_.cursorIndex(), 5);
    editor_.moveTo(2, kMove);
    editor_.insert("\xE2\x82\xAC"); // €
    EXPECT_EQ(editor_.text(), "Gr\xE2\x82\xAC\xC3\xBC\xC3\x9F"
                              "e");
    EXPECT_EQ(editor_.cursorIndex(), 3);
    EXPECT_EQ(editor_.charCount(), 6);
}

TEST_F(TextEditor, MalformedInputIsStoredAsReplacementCharacters) {
    editor_.insert("a\xFF\xC3");
    EXPECT_EQ(editor_.text(), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(editor_.cursorIndex(), 3);
}

TEST_F(TextEditor, BackspaceAndDeleteRemoveWholeCharactersAndStopAtTheEnds) {
    editor_.insert("aö");
    EXPECT_TRUE(editor_.backspace());
    EXPECT_EQ(editor_.text(), "a");
    EXPECT_FALSE(editor_.deleteForward()) << "nothing after the cursor";
    editor_.moveTo(0, kMove);
    EXPECT_FALSE(editor_.backspace()) << "nothing before position 0";
    EXPECT_EQ(editor_.text(), "a");
    EXPECT_TRUE(editor_.deleteForward());
    EXPECT_EQ(editor_.text(), "");
}

TEST_F(TextEditor, TypingReplacesTheSelection) {
    editor_.setText("hello world");
    editor_.moveTo(0, kMove);
    editor_.moveTo(5, kExtend);
    EXPECT_EQ(editor_.selectedText(), "hello");
    editor_.insert("bye");
    EXPECT_EQ(editor_.text(), "bye world");
    EXPECT_FALSE(editor_.hasSelection());
    EXPECT_EQ(editor_.cursorIndex(), 3);
}

TEST_F(TextEditor, SetTextKeepsCursorOnlyWhereItFits) {
    editor_.setText("abcdef");
    editor_.moveTo(4, kMove);
    editor_.moveTo(6, kExtend);
    editor_.setText("abcdefgh");
    EXPECT_EQ(editor_.cursorIndex(), 6);
    EXPECT_EQ(editor_.selectionAnchor(), -1);
    EXPECT_EQ(editor_.selectionStartByte(), -1);
    editor_.setText("ab");
    EXPECT_EQ(editor_.cursorIndex(), 2);
}

// ---------------------------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------------------------

TEST_F(TextEditor, ShiftMovesGrowTheSelectionFromTheFirstAnchorWithByteRange) {
    editor_.setText("äbcd");
    editor_.moveTo(0, kMove);
    editor_.moveRight(kExtend);
    editor_.moveRight(kExtend);
    EXPECT_EQ(editor_.selectionAnchor(), 0);
    EXPECT_EQ(editor_.selectionEnd(), 2);
    EXPECT_EQ(editor_.selectionStartByte(), 0);
    EXPECT_EQ(editor_.selectionEndByte(), 3);
    EXPECT_EQ(editor_.selectedText(), "äb");
    editor_.moveLeft(kExtend);
    EXPECT_EQ(editor_.selectedText(), "ä");
    editor_.moveLeft(kMove);
    EXPECT_FALSE(editor_.hasSelection());
    EXPECT_EQ(editor_.cursorIndex(), 0);
    editor_.moveLeft(kMove);
    EXPECT_EQ(editor_.cursorIndex(), 0) << "never before the start";
}

TEST_F(TextEditor, SelectAllCoversTheTextAndNothingOnEmpty) {
    editor_.selectAll();
    EXPECT_FALSE(editor_.hasSelection());
    editor_.setText("x\xC3\xBCz");
    editor_.selectAll();
    EXPECT_EQ(editor_.selectionAnchor(), 0);
    EXPECT_EQ(editor_.selectionEnd(), 3);
    EXPECT_EQ(editor_.cursorIndex(), 3);
    EXPECT_EQ(editor_.selectionEndByte(), 4);
    EXPECT_TRUE(editor_.selectionByKeyboard());
    EXPECT_TRUE(editor_.deleteSelection());
    EXPECT_EQ(editor_.text(), "");
}

// ---------------------------------------------------------------------------------------------
// Lines
// ---------------------------------------------------------------------------------------------

TEST_F(TextEditor, UpAndDownKeepTheColumnAndStopAtTheTextEnds) {
    editor_.setText("abcdef\nabcdef\nab");
    const int lineHeight = editor_.lineHeight();
    editor_.moveTo(3, kMove);
    const SDL_Point start = editor_.cursorPoint();
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 10);
    EXPECT_EQ(editor_.cursorPoint().y, start.y + lineHeight);
    // The last line is shorter: the nearest position is its end.
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 16);
    editor_.moveLines(1, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 16) << "below the last line: the end";
    editor_.moveLines(-1, kExtend);
    EXPECT_EQ(editor_.selectionAnchor(), 16);
    EXPECT_EQ(editor_.selectionEnd(), editor_.cursorIndex());
    editor_.moveLines(-5, kMove);
    EXPECT_EQ(editor_.cursorIndex(), 0) << "above the first line: the start";
}

TEST_F(TextEditor, HomeAndEndStayOnTheCursorsLine) {
    editor_.setText("first\nsecond\nthird");
    editor_.moveTo(9, kMove); // inside "second"
    editor_.moveToLineStart(kMove);
    EXPECT_EQ(editor_.cursorIndex(), 6);
    editor_.moveToLineEnd(kExtend);
    EXPECT_EQ(editor_.cursorIndex(), 12) << "before the line break";
    EXPECT_EQ(editor_.selectedText(), "second");
    editor_.moveTo(15, kMove);
    editor_.moveToLineEnd(kMove);
    EXPECT_EQ(editor_.cursorIndex(), 18);
}

TEST_F(TextEditor, PhantomBoxLetsTheCursorStandOnTheEmptyLastLine) {
    editor_.setText("ab\n");
    editor_.moveTo(3, kMove);
    const SDL_Point p = editor_.cursorPoint();
    EXPECT_EQ(p.x, kGlyphMargin);
    EXPECT_EQ(p.y, editor_.glyphs()[0].baseline + editor_.lineHeight());
    editor_.moveToLineStart(kMove);
    EXPECT_EQ(editor_.cursorIndex(), 3);
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
    struct Case {
        int height, expectedLines;
    };
    for (const Case c : {Case{30, 1}, Case{40, 1}, Case{40 + 3 * lineHeight, 3},
                         Case{40 + 3 * lineHeight + lineHeight - 1, 3}}) {
        editor_.moveTo(0, kMove);
        editor_.movePages(1, c.height, kMove);
        EXPECT_EQ(editor_.cursorIndex(), 5 * c.expectedLines) << "height " << c.height;
    }
    editor_.moveTo(0, kMove);
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

TEST_F(TextEditor, ContentGrowsWithLinesAndWidth) {
    editor_.setText("a");
    const int oneLineHeight = editor_.contentHeight();
    const int narrow = editor_.contentWidth();
    editor_.setText("a\nbbbbbbbbbbbbbbbbbb\nc");
    EXPECT_EQ(editor_.contentHeight(), oneLineHeight + 2 * editor_.lineHeight());
    EXPECT_GT(editor_.contentWidth(), narrow + 100);
}

} // namespace
