#include "gui/GuiListCtrl.h"

#include "gui/GuiClip.h"

#include <algorithm>

GuiListCtrl::GuiListCtrl(GuiObject* parent, int id, int x, int y, int width, int height,
                         std::uint32_t colour, TTF_Font* font)
    : GuiScrollingRows(parent, id, x, y, width, height, colour, font) {}

// ---------------------------------------------------------------------------------------------
// Items and selection
// ---------------------------------------------------------------------------------------------

int GuiListCtrl::addItem(int value, std::string text) {
    items_.push_back({value, std::move(text)});
    itemWidths_.push_back(-1);
    contentWidthKnown_ = false;
    markLayoutDirty();
    return itemCount() - 1;
}

void GuiListCtrl::clear() {
    items_.clear();
    itemWidths_.clear();
    contentWidth_ = 0;
    contentWidthKnown_ = true;
    selectedIndex_ = -1;
    scroll_.scrollX = scroll_.scrollY = 0;
    markLayoutDirty();
}

const ComboItem* GuiListCtrl::item(int index) const {
    return index >= 0 && index < itemCount() ? &items_[index] : nullptr;
}

const ComboItem* GuiListCtrl::selectedItem() const {
    return item(selectedIndex_);
}

int GuiListCtrl::selectedValue() const {
    const ComboItem* selected = selectedItem();
    return selected != nullptr ? selected->value : -1;
}

void GuiListCtrl::select(int index) {
    if (index < 0 || index >= itemCount()) {
        selectedIndex_ = -1;
    } else {
        selectedIndex_ = index;
        scrollIntoView(index);
    }
    invalidate();
}

void GuiListCtrl::userSelect(int index) {
    select(index);
    if (onSelectionChange) {
        onSelectionChange(this, selectedIndex_);
    }
}

void GuiListCtrl::scrollToTop() {
    scroll_.scrollX = scroll_.scrollY = 0;
    markLayoutDirty();
}

void GuiListCtrl::setFont(TTF_Font* font) {
    font_ = font;
    rowHeight_ = guiRowHeight(font);
    std::fill(itemWidths_.begin(), itemWidths_.end(), -1);
    contentWidthKnown_ = items_.empty();
    markLayoutDirty();
}

bool GuiListCtrl::getValue(std::string& value) {
    const ComboItem* selected = selectedItem();
    value = selected != nullptr ? selected->text : std::string();
    return true;
}

bool GuiListCtrl::setValue(const std::string& value) {
    if (value.empty()) {
        select(-1);
        return true;
    }
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [&](const ComboItem& i) { return i.text == value; });
    if (found == items_.end()) {
        return false;
    }
    select(static_cast<int>(found - items_.begin()));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------

int GuiListCtrl::measure(const std::string& text) const {
    int w = 0;
    int h = 0;
    if (font_ == nullptr || text.empty() || TTF_SizeUTF8(font_, text.c_str(), &w, &h) != 0) {
        return 0;
    }
    return w;
}

int GuiListCtrl::contentWidth() {
    if (!contentWidthKnown_) {
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (itemWidths_[i] < 0) {
                itemWidths_[i] = measure(items_[i].text);
                contentWidth_ = std::max(contentWidth_, itemWidths_[i]);
            }
        }
        contentWidthKnown_ = true;
    }
    return contentWidth_;
}

void GuiListCtrl::ensureLayout() {
    // Positions move with the window, so the bars are placed on every call; only the text
    // widths are kept between layouts.
    layoutDirty_ = false;
    const int widest = contentWidth();
    scroll_.layout({x, y, width, height}, widest > 0 ? widest + 8 : 0, itemCount() * rowHeight_);
}

int GuiListCtrl::rowAt(int px, int py) {
    ensureLayout();
    const int row = scroll_.rowAt(px, py, rowHeight_);
    return row < itemCount() ? row : -1;
}

void GuiListCtrl::scrollIntoView(int index) {
    ensureLayout();
    scroll_.scrollRowIntoView(index, rowHeight_);
    markLayoutDirty();
    ensureLayout();
}

// ---------------------------------------------------------------------------------------------
// Painting
// ---------------------------------------------------------------------------------------------

void GuiListCtrl::paint(SDL_Renderer* renderer) {
    const SDL_Rect view = paintBackground(renderer);
    {
        GuiClipScope clip(renderer, view);
        const int count = itemCount();
        const int first = scroll_.scrollY / rowHeight_;
        const int last = std::min(count - 1, (scroll_.scrollY + view.h) / rowHeight_);
        const int textHeight = font_ != nullptr ? TTF_FontHeight(font_) : 0;
        for (int row = std::max(first, 0); row <= last; ++row) {
            const bool selected = row == selectedIndex_;
            const int rowY = y + row * rowHeight_ - scroll_.scrollY;
            const SDL_Color& fill = selected ? selectionColour : backgroundColour;
            SDL_SetRenderDrawColor(renderer, fill.r, fill.g, fill.b, fill.a);
            const SDL_Rect rowRect{x, rowY, view.w, rowHeight_};
            SDL_RenderFillRect(renderer, &rowRect);
            drawString(renderer, font_, items_[row].text, x + 4 - scroll_.scrollX,
                       rowY + (rowHeight_ - textHeight) / 2,
                       selected ? selectedTextColour : textColour);
        }
    }
    scroll_.paint(renderer);
}

// ---------------------------------------------------------------------------------------------
// Input
// ---------------------------------------------------------------------------------------------

bool GuiListCtrl::handleKey(const SDL_KeyboardEvent& key) {
    const int count = itemCount();
    ensureLayout();
    const std::optional<int> target =
        guiNavigationTarget(key.keysym.sym, selectedIndex_, count, scroll_.rowsPerPage(rowHeight_));
    if (!target) {
        return false;
    }
    if (count == 0) {
        return true;
    }
    const int row = std::clamp(*target, 0, count - 1);
    if (row != selectedIndex_) {
        userSelect(row);
    }
    return true;
}

void GuiListCtrl::rowsPressed(int px, int py) {
    const int row = rowAt(px, py);
    if (row != selectedIndex_) {
        userSelect(row);
    }
}
