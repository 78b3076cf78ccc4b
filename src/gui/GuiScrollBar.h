#ifndef TRAKMOOR_GUI_GUISCROLLBAR_H
#define TRAKMOOR_GUI_GUISCROLLBAR_H

// Scroll bars of the scrolling controls (lists, tree lists, multi-line text).  A bar is a plain
// record inside its control; GuiScrollArea ties the two bars of a control to its scroll offsets,
// so that the three controls share one behaviour for sizing, paging and dragging.

#include <SDL.h>

#include <algorithm>

inline constexpr int kScrollBarThickness = 14;
// How far one wheel notch or one sideways page step moves content horizontally, in pixels.
inline constexpr int kHorizontalScrollStep = 40;

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
    // A press for content made of rows: pages by the view less one row vertically and by the
    // view less one horizontal step sideways.
    bool pressRows(int px, int py, int rowHeight);
    // A wheel turn: `lineStep` pixels a notch vertically (16 when it is not positive), a fixed
    // step sideways; shift turns a vertical wheel sideways.  Lay out first: the offsets are
    // clamped to the content laid out last.
    void wheel(const SDL_MouseWheelEvent& wheel, int lineStep);

    // Moves the offsets and clamps them to the content laid out last.
    void scrollBy(int dx, int dy);
    void clamp();

    // For content made of rows of `rowHeight`: the row under the window point (px, py), or -1
    // outside the view.  The caller checks the row against its row count.
    int rowAt(int px, int py, int rowHeight) const;
    // Scrolls vertically by the least that shows the whole row.
    void scrollRowIntoView(int row, int rowHeight);
    // Whole rows in the view, at least 1.
    int rowsPerPage(int rowHeight) const { return std::max(view_.h / std::max(rowHeight, 1), 1); }

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
