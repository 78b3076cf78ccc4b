#ifndef TRAKMOOR_GUI_GUITEXTCTRL_H
#define TRAKMOOR_GUI_GUITEXTCTRL_H

// The editable text field: single-line or multi-line (optionally wrapped), read-only or password,
// with a blinking cursor, mouse and keyboard selection, the clipboard and, when multi-line,
// scroll bars.  Editing itself lives in GuiTextEditor; this class turns events into edits and
// keeps the cursor in view.

#include "gui/GuiObject.h"
#include "gui/GuiScrollBar.h"
#include "gui/GuiTextEditor.h"
#include "gui/IEditable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class GuiTextCtrl : public GuiObject, public IEditable {
public:
    enum Flags : unsigned {
        MultiLine = 1u << 0,
        ReadOnly = 1u << 1,
        Password = 1u << 2, // never multi-line
        Wrap = 1u << 3,     // only with MultiLine
    };

    GuiTextCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                std::uint32_t colour, FT_Face face, unsigned flags);

    const char* className() const override { return "GuiTextCtrl"; }
    bool isCached() const override { return true; }
    bool wantsWheel() const override { return multiLine_; }
    void update(std::uint32_t ticks) override;
    void paint(SDL_Renderer* renderer) override;
    void layout(SDL_Renderer* renderer, int newWidth, int newHeight) override;
    void handleEvent(GuiEvent* event) override;
    void focusLost() override;
    void attached() override;
    bool getValue(std::string& value) override;
    bool setValue(const std::string& value) override;

    const std::string& text() const { return editor_.text(); }
    // Replaces the text, drops the selection, keeps the cursor where it still fits.  Does not
    // call onChange: only the user's edits do.
    void setText(const std::string& text);
    std::string selectedText() const { return editor_.selectedText(); }
    bool deleteSelection();
    void ensureCursorVisible();
    // Two lines for diagnostics: cursor and selection, then scroll offsets and the code point at
    // the cursor.
    std::array<std::string, 2> debugStatus() const;

    // Called after an event in which the user changed the text.
    std::function<void()> onChange;
    // The most characters typing and pasting may leave in the field; 0 sets no limit.
    int maxCharacters = 0;

    bool isMultiLine() const { return multiLine_; }
    bool isReadOnly() const { return readOnly_; }
    bool isPassword() const { return password_; }
    bool wraps() const { return wrap_; }
    int cursorIndex() const { return editor_.cursorIndex(); }
    int selectionAnchor() const { return editor_.selectionAnchor(); }
    int selectionEnd() const { return editor_.selectionEnd(); }
    int scrollX() const { return scroll_.scrollX; }
    int scrollY() const { return scroll_.scrollY; }
    const std::vector<GlyphBox>& glyphs() const { return editor_.glyphs(); }
    const GuiScrollArea& scrollArea() const { return scroll_; }
    bool cursorShown() const { return cursorShown_; }
    bool cursorOn() const { return cursorOn_; }
    // The part of the control that shows text (less its scroll bars).
    SDL_Rect textArea() const;
    // Places the cursor in the text, without selection.
    void setCursor(int index);

private:
    void handleKey(const SDL_KeyboardEvent& key);
    void handleCtrlKey(const SDL_KeyboardEvent& key);
    bool insertText(std::string text);
    void paste();
    void edited();
    void touchCursor();
    void updateScrollRanges();
    void syncGeometry();
    int characterAt(int px, int py) const;

    GuiTextEditor editor_;
    GuiScrollArea scroll_;
    FT_Face face_ = nullptr;
    bool multiLine_ = false;
    bool readOnly_ = false;
    bool password_ = false;
    bool wrap_ = false;

    std::uint32_t lastEditTicks_ = 0;
    std::uint32_t blinkTicks_ = 0;
    bool cursorOn_ = true;
    bool cursorShown_ = false;
    std::optional<std::uint32_t> cursorChangeSince_;
    bool mouseSelecting_ = false;
};

#endif
