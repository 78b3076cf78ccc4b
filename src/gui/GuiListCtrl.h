#ifndef TRAKMOOR_GUI_GUILISTCTRL_H
#define TRAKMOOR_GUI_GUILISTCTRL_H

// A scrollable single-column list of (value, text) items with single selection: the file
// dialog's list and the base of the combo box's drop-down.

#include "gui/GuiScrollingRows.h"

#include <functional>
#include <string>
#include <vector>

struct ComboItem {
    int value = 0;
    std::string text; // UTF-8
};

class GuiListCtrl : public GuiScrollingRows {
public:
    GuiListCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                std::uint32_t colour, TTF_Font* font);

    const char* className() const override { return "GuiListCtrl"; }
    void paint(SDL_Renderer* renderer) override;
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

    // The item row under a window point, or -1 (outside the view or past the last item).
    int rowAt(int px, int py);
    int contentWidth();

    // Called after the user changed the selection with the mouse or the keyboard.
    std::function<void(GuiListCtrl*, int index)> onSelectionChange;

protected:
    // The user's selection: selects and reports it.  Overridden by the drop-down.
    virtual void userSelect(int index);
    void ensureLayout() override;
    void geometryChanged() override { markLayoutDirty(); }
    void rowsPressed(int px, int py) override;
    // Keyboard navigation; true if the key was one of the list's.
    bool handleKey(const SDL_KeyboardEvent& key) override;
    void markLayoutDirty() {
        layoutDirty_ = true;
        invalidate();
    }

private:
    void scrollIntoView(int index);
    int measure(const std::string& text) const;

    std::vector<ComboItem> items_;
    // Text widths are measured when first needed, not for every added item.
    mutable std::vector<int> itemWidths_;
    int contentWidth_ = 0;
    bool contentWidthKnown_ = true;
    bool layoutDirty_ = true;
    int selectedIndex_ = -1;
};

#endif
