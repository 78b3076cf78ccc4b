#ifndef TRAKMOOR_GUI_GUISCROLLBAR_H
#define TRAKMOOR_GUI_GUISCROLLBAR_H

// Scroll bars of the scrolling controls (lists, tree lists, multi-line text).  A bar is a plain
// record inside its control; GuiScrollArea ties the two bars of a control to its scroll offsets,
// so that the three controls share one behaviour for sizing, paging and dragging.

#include <SDL.h>

inline constexpr int kScrollBarThickness = 14;

struct GuiScrollBar {
    bool visible = false;
    bool horizontal = false;
    int minThumb = 16;
    SDL_Rect track{};
    SDL_Rect thumb{};
    bool dragging = false;
    int dragOrigin = 0;     // pointer coordinate at the press
    int dragThumbStart = 0; // thumb coordinate at the press

    // Sizes and places the thumb for a content of `contentLength` seen through `viewLength`,
    // scrolled to `position` of at most `maxPosition`.
    void layout(SDL_Rect trackRect, int contentLength, int viewLength, int position,
                int maxPosition);

    bool thumbContains(int px, int py) const;
    bool trackContains(int px, int py) const;
    // The pointer coordinate along the bar.
    int along(int px, int py) const { return horizontal ? px : py; }
    int trackStart() const { return horizontal ? track.x : track.y; }
    int trackLength() const { return horizontal ? track.w : track.h; }
    int thumbStart() const { return horizontal ? thumb.x : thumb.y; }
    int thumbLength() const { return horizontal ? thumb.w : thumb.h; }

    void startDrag(int px, int py);
    // The scroll position that a drag to the pointer (px, py) asks for.
    int dragPosition(int px, int py, int maxPosition) const;

    void paint(SDL_Renderer* renderer) const;
};

// The scrolling state of one control: offsets, the two bars and the visible part (the view).
class GuiScrollArea {
public:
    GuiScrollArea();

    int scrollX = 0;
    int scrollY = 0;
    GuiScrollBar verticalBar;
    GuiScrollBar horizontalBar;

    // Decides which bars are needed for content of the given size inside `area`, clamps the
    // offsets and places the bars.  The view is `area` less the visible bars.
    void layout(SDL_Rect area, int contentWidth, int contentHeight);

    const SDL_Rect& view() const { return view_; }
    int maxScrollX() const { return maxX_; }
    int maxScrollY() const { return maxY_; }
    int contentWidth() const { return contentWidth_; }
    int contentHeight() const { return contentHeight_; }

    // A press at (px, py): starts a drag on a thumb or pages on a track.  True if a bar took it.
    // The caller lays out again afterwards.
    bool press(int px, int py, int verticalPage, int horizontalPage);
    // Pointer motion; true while a thumb is being dragged (the offsets then changed).
    bool drag(int px, int py);
    bool dragging() const { return verticalBar.dragging || horizontalBar.dragging; }
    void release();

    // Moves the offsets and clamps them to the content laid out last.
    void scrollBy(int dx, int dy);
    void clamp();

    void paint(SDL_Renderer* renderer) const;

private:
    SDL_Rect view_{};
    SDL_Rect area_{};
    int maxX_ = 0;
    int maxY_ = 0;
    int contentWidth_ = 0;
    int contentHeight_ = 0;
};

#endif
