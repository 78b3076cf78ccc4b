#ifndef TRAKMOOR_GUI_GUILISTCTRL_H
#define TRAKMOOR_GUI_GUILISTCTRL_H

// A scrollable single-column list of (value, text) items with single selection: the file
// dialog's list and the base of the combo box's drop-down.

#include "gui/GuiObject.h"
#include "gui/GuiScrollBar.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

struct ComboItem {
    int value = 0;
    std::string text; // UTF-8
};

// Row height of the scrolling controls for a font: line skip + 4, else height + 4, else 24.
int guiRowHeight(TTF_Font* font);

// The row that a navigation key (arrows up and down, page up and down, home, end) moves a
// selection to among `count` rows, from `current` (-1 for none: any move then starts at the first
// row), `page` rows a page.  Not clamped to the rows.  Empty for keys that do not navigate.
std::optional<int> guiNavigationTarget(SDL_Keycode key, int current, int count, int page);

class GuiListCtrl : public GuiObject {
public:
    GuiListCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                std::uint32_t colour, TTF_Font* font);

    const char* className() const override { return "GuiListCtrl"; }
    bool isCached() const override { return true; }
    bool wantsWheel() const override { return true; }
    void paint(SDL_Renderer* renderer) override;
    void layout(SDL_Renderer* renderer, int newWidth, int newHeight) override;
    void handleEvent(GuiEvent* event) override;
    void attached() override;
    // The selected item's text (empty if none).
    bool getValue(std::string& value) override;
    // Selects the first item with exactly this text; empty text clears the selection.
    bool setValue(const std::string& value) override;

    int addItem(int value, std::string text);
    void clear();
    // Selects and scrolls into view; an invalid index clears the selection.  Posts nothing.
    void select(int index);
    const ComboItem* item(int index) const;
    const ComboItem* selectedItem() const;
    int selectedValue() const;
    int selectedIndex() const { return selectedIndex_; }
    int itemCount() const { return static_cast<int>(items_.size()); }
    void scrollToTop();
    void setFont(TTF_Font* font);
    TTF_Font* font() const { return font_; }

    int rowHeight() const { return rowHeight_; }
    // The item row under a window point, or -1 (outside the view or past the last item).
    int rowAt(int px, int py);
    // The visible part of the list (the control less its scroll bars).
    SDL_Rect viewRect();
    const GuiScrollArea& scrollArea() { return scroll_; }
    int scrollX() const { return scroll_.scrollX; }
    int scrollY() const { return scroll_.scrollY; }
    int contentWidth();

    // Called after the user changed the selection with the mouse or the keyboard.
    std::function<void(GuiListCtrl*, int index)> onSelectionChange;

    SDL_Color backgroundColour;
    SDL_Color textColour{0, 0, 0, 255};
    SDL_Color selectionColour{0, 120, 215, 255};
    SDL_Color selectedTextColour{255, 255, 255, 255};

protected:
    // The user's selection: selects and reports it.  Overridden by the drop-down.
    virtual void userSelect(int index);
    // Lays out if anything changed since the last layout.
    void ensureLayout();
    void markLayoutDirty() {
        layoutDirty_ = true;
        invalidate();
    }
    // Keyboard navigation; true if the key was one of the list's.
    bool handleNavigationKey(const SDL_KeyboardEvent& key);

private:
    void scrollIntoView(int index);
    int measure(const std::string& text) const;

    std::vector<ComboItem> items_;
    // Text widths are measured when first needed, not for every added item.
    mutable std::vector<int> itemWidths_;
    int contentWidth_ = 0;
    bool contentWidthKnown_ = true;
    bool layoutDirty_ = true;
    TTF_Font* font_ = nullptr;
    int rowHeight_ = 20;
    GuiScrollArea scroll_;
    int selectedIndex_ = -1;
};

#endif
