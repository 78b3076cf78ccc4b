#include "gui/GuiTextEditor.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// Set-up and layout
// ---------------------------------------------------------------------------------------------

void GuiTextEditor::setFace(FT_Face face) {
    face_ = face;
    relayout();
}

void GuiTextEditor::setGeometry(int x, int y, int width) {
    if (x == x_ && y == y_ && width == width_ && !glyphs_.empty()) {
        return;
    }
    x_ = x;
    y_ = y;
    width_ = width;
    relayout();
}

void GuiTextEditor::setOptions(GlyphLayoutOptions options) {
    options_ = options;
    relayout();
}

void GuiTextEditor::relayout() {
    metrics_ = faceMetrics(face_);
    glyphs_ = layoutGlyphs(face_, text_, x_, y_, width_, options_);
    charCount_ = utf8CharCount(text_);
}

void GuiTextEditor::setText(std::string_view text) {
    text_.assign(text);
    relayout();
    clearSelection();
    cursorIndex_ = std::min(cursorIndex_, charCount_);
}

int GuiTextEditor::contentWidth() const {
    int right = 0;
    for (const GlyphBox& box : glyphs_) {
        right = std::max(right, box.x + box.width - x_);
    }
    return right + kGlyphMargin;
}

int GuiTextEditor::contentHeight() const {
    if (glyphs_.empty()) {
        return metrics_.lineHeight + 2 * kGlyphMargin;
    }
    return glyphs_.back().baseline - y_ - metrics_.ascender + metrics_.lineHeight +
           2 * kGlyphMargin;
}

// ---------------------------------------------------------------------------------------------
// Selection
// ---------------------------------------------------------------------------------------------

bool GuiTextEditor::hasSelection() const {
    return selectionAnchor_ >= 0 && selectionEnd_ >= 0 && selectionAnchor_ != selectionEnd_;
}

void GuiTextEditor::clearSelection() {
    selectionAnchor_ = selectionEnd_ = -1;
    selectionStartByte_ = selectionEndByte_ = -1;
    selectionByKeyboard_ = false;
}

void GuiTextEditor::setSelection(int anchor, int end) {
    selectionAnchor_ = anchor;
    selectionEnd_ = end;
    updateSelectionBytes();
}

void GuiTextEditor::updateSelectionBytes() {
    if (selectionAnchor_ < 0 || selectionEnd_ < 0) {
        selectionStartByte_ = selectionEndByte_ = -1;
        return;
    }
    const int from = std::min(selectionAnchor_, selectionEnd_);
    const int to = std::max(selectionAnchor_, selectionEnd_);
    selectionStartByte_ = static_cast<int>(byteOffsetOfChar(text_, from));
    selectionEndByte_ = static_cast<int>(byteOffsetOfChar(text_, to));
}

std::string GuiTextEditor::selectedText() const {
    if (!hasSelection()) {
        return {};
    }
    return text_.substr(selectionStartByte_, selectionEndByte_ - selectionStartByte_);
}

void GuiTextEditor::selectAll() {
    if (text_.empty()) {
        return;
    }
    cursorIndex_ = charCount_;
    setSelection(0, charCount_);
    selectionByKeyboard_ = true;
}

void GuiTextEditor::beginMouseSelection(int index) {
    cursorIndex_ = clampIndex(index);
    setSelection(cursorIndex_, cursorIndex_);
    selectionByKeyboard_ = false;
}

void GuiTextEditor::extendMouseSelection(int index) {
    if (selectionAnchor_ < 0) {
        beginMouseSelection(index);
        return;
    }
    cursorIndex_ = clampIndex(index);
    setSelection(selectionAnchor_, cursorIndex_);
}

// ---------------------------------------------------------------------------------------------
// Edits
// ---------------------------------------------------------------------------------------------

bool GuiTextEditor::eraseChars(int from, int to) {
    from = clampIndex(from);
    to = clampIndex(to);
    if (from >= to) {
        return false;
    }
    const std::size_t begin = byteOffsetOfChar(text_, from);
    const std::size_t end = byteOffsetOfChar(text_, to);
    text_.erase(begin, end - begin);
    cursorIndex_ = from;
    clearSelection();
    relayout();
    return true;
}

bool GuiTextEditor::deleteSelection() {
    if (!hasSelection()) {
        clearSelection();
        return false;
    }
    return eraseChars(std::min(selectionAnchor_, selectionEnd_),
                      std::max(selectionAnchor_, selectionEnd_));
}

bool GuiTextEditor::insert(std::string_view utf8) {
    const bool removed = deleteSelection();
    if (utf8.empty()) {
        return removed;
    }
    const std::string clean = sanitizeUtf8(utf8);
    text_.insert(byteOffsetOfChar(text_, cursorIndex_), clean);
    relayout();
    cursorIndex_ = clampIndex(cursorIndex_ + utf8CharCount(clean));
    return true;
}

bool GuiTextEditor::backspace() {
    if (deleteSelection()) {
        return true;
    }
    return cursorIndex_ > 0 && eraseChars(cursorIndex_ - 1, cursorIndex_);
}

bool GuiTextEditor::deleteForward() {
    if (deleteSelection()) {
        return true;
    }
    return eraseChars(cursorIndex_, cursorIndex_ + 1);
}

// ---------------------------------------------------------------------------------------------
// Cursor movement
// ---------------------------------------------------------------------------------------------

int GuiTextEditor::clampIndex(int index) const {
    return std::clamp(index, 0, charCount_);
}

void GuiTextEditor::moveTo(int index, SelectionMode mode) {
    index = clampIndex(index);
    if (mode == SelectionMode::Extend) {
        const int anchor = selectionAnchor_ >= 0 ? selectionAnchor_ : cursorIndex_;
        cursorIndex_ = index;
        setSelection(anchor, index);
        selectionByKeyboard_ = true;
    } else {
        clearSelection();
        cursorIndex_ = index;
    }
}

SDL_Point GuiTextEditor::cursorPoint() const {
    if (glyphs_.empty()) {
        return {x_ + kGlyphMargin, y_ + kGlyphMargin + metrics_.ascender};
    }
    if (cursorIndex_ < static_cast<int>(glyphs_.size())) {
        const GlyphBox& box = glyphs_[cursorIndex_];
        return {box.x, box.baseline};
    }
    const GlyphBox& last = glyphs_.back();
    return {last.x + last.width, last.baseline};
}

int GuiTextEditor::nearestOnLine(int baseline, int x) const {
    int best = -1;
    int bestDistance = INT_MAX;
    const int count = static_cast<int>(glyphs_.size());
    for (int i = 0; i < count; ++i) {
        if (std::abs(glyphs_[i].baseline - baseline) > 1) {
            continue;
        }
        const int distance = std::abs(glyphs_[i].x - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    // The end of the text is a cursor position too, though no glyph stands there.
    if (!glyphs_.empty() && charCount_ >= count) {
        const GlyphBox& last = glyphs_.back();
        if (std::abs(last.baseline - baseline) <= 1 &&
            std::abs(last.x + last.width - x) < bestDistance) {
            best = charCount_;
        }
    }
    return best;
}

void GuiTextEditor::moveLines(int lines, SelectionMode mode) {
    if (glyphs_.empty() || lines == 0) {
        return;
    }
    const SDL_Point p = cursorPoint();
    const int target = nearestOnLine(p.y + lines * metrics_.lineHeight, p.x);
    if (target >= 0) {
        moveTo(target, mode);
    } else {
        // Past the first or the last line: to the start or the end of the text.
        moveTo(lines < 0 ? 0 : charCount_, mode);
    }
}

void GuiTextEditor::movePages(int direction, int controlHeight, SelectionMode mode) {
    const int lineHeight = metrics_.lineHeight;
    if (glyphs_.empty() || lineHeight <= 0) {
        return;
    }
    const int page = controlHeight <= 40 ? 1 : std::max((controlHeight - 40) / lineHeight, 1);
    moveLines(direction < 0 ? -page : page, mode);
}

void GuiTextEditor::moveToLineStart(SelectionMode mode) {
    if (glyphs_.empty()) {
        return;
    }
    const int baseline = cursorPoint().y;
    int index = std::min(cursorIndex_, static_cast<int>(glyphs_.size()) - 1);
    while (index > 0 && glyphs_[index - 1].baseline == baseline &&
           glyphs_[index - 1].codePoint != 10) {
        --index;
    }
    if (glyphs_[index].baseline != baseline) {
        ++index; // the cursor stood after a line break, on the empty last line
    }
    moveTo(index, mode);
}

void GuiTextEditor::moveToLineEnd(SelectionMode mode) {
    if (glyphs_.empty()) {
        return;
    }
    const int baseline = cursorPoint().y;
    const int count = static_cast<int>(glyphs_.size());
    int index = cursorIndex_;
    while (index < count && glyphs_[index].baseline == baseline && glyphs_[index].codePoint != 10) {
        ++index;
    }
    moveTo(index, mode);
}

int GuiTextEditor::indexAt(int px, int py) const {
    if (glyphs_.empty()) {
        return 0;
    }
    // The line: the one whose band (baseline - ascender - 3, one line high) holds py, clamped to
    // the first and the last line.
    const int firstBaseline = glyphs_.front().baseline;
    const int lastBaseline = glyphs_.back().baseline;
    const int lineHeight = std::max(metrics_.lineHeight, 1);
    const int top = firstBaseline - metrics_.ascender - kGlyphLineOffset;
    int line = py < top ? 0 : (py - top) / lineHeight;
    int baseline = std::min(firstBaseline + line * lineHeight, lastBaseline);

    const int count = static_cast<int>(glyphs_.size());
    int lastOnLine = -1;
    for (int i = 0; i < count; ++i) {
        const GlyphBox& box = glyphs_[i];
        if (std::abs(box.baseline - baseline) > 1) {
            continue;
        }
        if (box.codePoint == 10 || px < box.x + box.width / 2) {
            return std::min(i, charCount_);
        }
        lastOnLine = i;
    }
    return lastOnLine < 0 ? charCount_ : std::min(lastOnLine + 1, charCount_);
}
