#ifndef TRAKMOOR_GUI_GUISCROLLINGROWS_H
#define TRAKMOOR_GUI_GUISCROLLINGROWS_H

// The common part of the list and the tree list: rows of one height in a scroll area, one font,
// one colour scheme, and the same handling of the bars, the wheel and the keyboard focus.

#include "gui/GuiObject.h"
#include "gui/GuiScrollBar.h"

#include <optional>

// Row height of the scrolling controls for a font: line skip + 4, else height + 4, else 24.
int guiRowHeight(TTF_Font* font);

// The row that a navigation key (arrows up and down, page up and down, home, end) moves a
// selection to among `count` rows, from `current` (-1 for none: any move then starts at the first
// row), `page` rows a page.  Not clamped to the rows.  Empty for keys that do not navigate.
std::optional<int> guiNavigationTarget(SDL_Keycode key, int current, int count, int page);

class GuiScrollingRows : public GuiObject {
public:
    GuiScrollingRows(GuiObject* parent, int id, int x, int y, int width, int height,
                     std::uint32_t colour, TTF_Font* font);

    bool isCached() const override { return true; }
    bool wantsWheel() const override { return true; }
    void layout(SDL_Renderer* renderer, int newWidth, int newHeight) override;
    void handleEvent(GuiEvent* event) override;
    void attached() override;

    int rowHeight() const { return rowHeight_; }
    // The rows' area (the control less its header and scroll bars).
    SDL_Rect viewRect();
    const GuiScrollArea& scrollArea() { return scroll_; }
    int scrollX() const { return scroll_.scrollX; }
    int scrollY() const { return scroll_.scrollY; }

    SDL_Color backgroundColour;
    SDL_Color textColour{0, 0, 0, 255};
    SDL_Color selectionColour{0, 120, 215, 255};
    SDL_Color selectedTextColour{255, 255, 255, 255};

protected:
    // Places the bars for the current rows; positions move with the window, so on every call.
    virtual void ensureLayout() = 0;
    // The rows, their sizes or the offsets changed: lay out again before the next use, repaint.
    virtual void geometryChanged() = 0;
    // A left press on the rows (not on a bar).
    virtual void rowsPressed(int px, int py) = 0;
    // A key while focused; true if it was one of the control's.
    virtual bool handleKey(const SDL_KeyboardEvent& key) = 0;
    // Fills the whole control with the background, lays out, and returns the rows' area.
    SDL_Rect paintBackground(SDL_Renderer* renderer);

    TTF_Font* font_ = nullptr;
    int rowHeight_ = 20;
    GuiScrollArea scroll_;
};

#endif
