#ifndef TRAKMOOR_GUI_GUITEXTEDITOR_H
#define TRAKMOOR_GUI_GUITEXTEDITOR_H

// The editing behaviour of the text control without events, scrolling or drawing: the text,
// its glyph layout, the cursor and the selection, and every edit and cursor movement.  Positions
// are character indices (UTF-8 characters); edits insert or erase whole characters.

#include <string>
#include <string_view>
#include <vector>

#include "gui/GuiGlyphs.h"

enum class SelectionMode { Move, Extend };

class GuiTextEditor {
public:
    GuiTextEditor() = default;

    // Font and geometry of the owning control; lays the text out again.
    void setFace(FT_Face face);
    void setGeometry(int x, int y, int width);
    void setOptions(GlyphLayoutOptions options);

    const std::string& text() const { return text_; }
    // Replaces the text, drops the selection and keeps the cursor where it still fits.
    void setText(std::string_view text);

    const std::vector<GlyphBox>& glyphs() const { return glyphs_; }
    FT_Face face() const { return face_; }
    int charCount() const { return charCount_; }

    int cursorIndex() const { return cursorIndex_; }
    int selectionAnchor() const { return selectionAnchor_; }
    int selectionEnd() const { return selectionEnd_; }
    int selectionStartByte() const { return selectionStartByte_; }
    int selectionEndByte() const { return selectionEndByte_; }
    bool selectionByKeyboard() const { return selectionByKeyboard_; }
    bool hasSelection() const;
    std::string selectedText() const;

    // Edits; each returns true if the text changed.
    bool insert(std::string_view utf8); // replaces the selection, malformed bytes become U+FFFD
    bool deleteSelection();
    bool backspace();
    bool deleteForward();

    // Cursor movements; Extend grows the selection from its anchor, Move drops it.
    void moveTo(int index, SelectionMode mode);
    void moveLeft(SelectionMode mode) { moveTo(cursorIndex_ - 1, mode); }
    void moveRight(SelectionMode mode) { moveTo(cursorIndex_ + 1, mode); }
    void moveLines(int lines, SelectionMode mode); // Up (negative) and Down
    void moveToLineStart(SelectionMode mode);
    void moveToLineEnd(SelectionMode mode);
    // Page Up (negative) and Page Down for a control of the given height.
    void movePages(int direction, int controlHeight, SelectionMode mode);
    void selectAll();
    void clearSelection();

    // Mouse selection: a press places the cursor and the anchor, motion moves the end.
    void beginMouseSelection(int index);
    void extendMouseSelection(int index);

    // The character position nearest to the point (window coordinates, scroll already added).
    int indexAt(int px, int py) const;
    // The cursor's reference point: the cursor glyph's (x, baseline), or just after the last one.
    SDL_Point cursorPoint() const;

    int lineHeight() const { return metrics_.lineHeight; }
    int ascender() const { return metrics_.ascender; }
    // Extent of the laid-out text relative to the control's left and top edge.
    int contentWidth() const;
    int contentHeight() const;

private:
    void relayout();
    void setSelection(int anchor, int end);
    void updateSelectionBytes();
    int clampIndex(int index) const;
    // The glyph nearest in x on the line whose baseline is `baseline` (within 1 pixel), or -1.
    int nearestOnLine(int baseline, int x) const;
    bool eraseChars(int from, int to);

    std::string text_;
    std::vector<GlyphBox> glyphs_;
    int charCount_ = 0;
    FT_Face face_ = nullptr;
    FaceMetrics metrics_;
    int x_ = 0;
    int y_ = 0;
    int width_ = 0;
    GlyphLayoutOptions options_;

    int cursorIndex_ = 0;
    int selectionAnchor_ = -1;
    int selectionEnd_ = -1;
    int selectionStartByte_ = -1;
    int selectionEndByte_ = -1;
    bool selectionByKeyboard_ = false;
};

#endif
