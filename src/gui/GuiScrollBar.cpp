#include "gui/GuiScrollBar.h"

#include <algorithm>
#include <cmath>

namespace {

int roundToInt(double v) {
    return static_cast<int>(std::lround(v));
}

bool rectContains(const SDL_Rect& r, int px, int py) {
    return px >= r.x && px < r.x + r.w && py >= r.y && py < r.y + r.h;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// GuiScrollBar
// ---------------------------------------------------------------------------------------------

void GuiScrollBar::layout(SDL_Rect trackRect, int contentLength, int viewLength, int position,
                          int maxPosition) {
    track = trackRect;
    const int length = trackLength();
    int thumbLen = length;
    if (contentLength >= 1) {
        const double share = static_cast<double>(viewLength) / contentLength;
        thumbLen = std::max(roundToInt(share * length), minThumb);
    }
    thumbLen = std::min(thumbLen, length);
    int start = trackStart();
    if (length > thumbLen) {
        const double fraction =
            static_cast<double>(std::clamp(position, 0, std::max(maxPosition, 0))) /
            std::max(maxPosition, 1);
        start += roundToInt(fraction * (length - thumbLen));
    } else {
        thumbLen = length;
    }
    thumb = track;
    if (horizontal) {
        thumb.x = start;
        thumb.w = thumbLen;
    } else {
        thumb.y = start;
        thumb.h = thumbLen;
    }
}

bool GuiScrollBar::thumbContains(int px, int py) const {
    return visible && rectContains(thumb, px, py);
}

bool GuiScrollBar::trackContains(int px, int py) const {
    return visible && rectContains(track, px, py);
}

void GuiScrollBar::startDrag(int px, int py) {
    dragging = true;
    dragOrigin = along(px, py);
    dragThumbStart = thumbStart();
}

int GuiScrollBar::dragPosition(int px, int py, int maxPosition) const {
    const int room = trackLength() - thumbLength();
    const int wanted = dragThumbStart + (along(px, py) - dragOrigin);
    const int offset = std::clamp(wanted - trackStart(), 0, std::max(room, 0));
    return roundToInt(static_cast<double>(offset) / std::max(room, 1) * maxPosition);
}

void GuiScrollBar::paint(SDL_Renderer* renderer) const {
    if (!visible) {
        return;
    }
    SDL_SetRenderDrawColor(renderer, 230, 230, 230, 255);
    SDL_RenderFillRect(renderer, &track);
    SDL_SetRenderDrawColor(renderer, 160, 160, 160, 255);
    SDL_RenderFillRect(renderer, &thumb);
}

// ---------------------------------------------------------------------------------------------
// GuiScrollArea
// ---------------------------------------------------------------------------------------------

GuiScrollArea::GuiScrollArea() {
    horizontalBar.horizontal = true;
}

void GuiScrollArea::layout(SDL_Rect area, int contentWidth, int contentHeight) {
    area_ = area;
    contentWidth_ = std::max(contentWidth, 0);
    contentHeight_ = std::max(contentHeight, 0);
    int viewW = area.w;
    int viewH = area.h;
    bool needV = false;
    bool needH = false;
    // Each bar narrows the other direction, which may make the other bar necessary too.
    for (int pass = 0; pass < 2; ++pass) {
        needV = contentHeight_ > viewH;
        needH = contentWidth_ > viewW;
        viewW = area.w - (needV ? kScrollBarThickness : 0);
        viewH = area.h - (needH ? kScrollBarThickness : 0);
    }
    viewW = std::max(viewW, 0);
    viewH = std::max(viewH, 0);
    view_ = {area.x, area.y, viewW, viewH};
    maxX_ = std::max(contentWidth_ - viewW, 0);
    maxY_ = std::max(contentHeight_ - viewH, 0);
    clamp();

    verticalBar.visible = needV;
    horizontalBar.visible = needH;
    if (needV) {
        verticalBar.layout({area.x + viewW, area.y, kScrollBarThickness, viewH}, contentHeight_,
                           viewH, scrollY, maxY_);
    }
    if (needH) {
        horizontalBar.layout({area.x, area.y + viewH, viewW, kScrollBarThickness}, contentWidth_,
                             viewW, scrollX, maxX_);
    }
}

bool GuiScrollArea::press(int px, int py, int verticalPage, int horizontalPage) {
    auto pressBar = [&](GuiScrollBar& bar, int& position, int page) {
        if (!bar.trackContains(px, py)) {
            return false;
        }
        if (bar.thumbContains(px, py)) {
            bar.startDrag(px, py);
        } else if (bar.along(px, py) < bar.thumbStart()) {
            position -= std::max(page, 1);
        } else {
            position += std::max(page, 1);
        }
        return true;
    };
    const bool taken = pressBar(verticalBar, scrollY, verticalPage) ||
                       pressBar(horizontalBar, scrollX, horizontalPage);
    clamp();
    return taken;
}

bool GuiScrollArea::drag(int px, int py) {
    if (verticalBar.dragging) {
        scrollY = verticalBar.dragPosition(px, py, maxY_);
    } else if (horizontalBar.dragging) {
        scrollX = horizontalBar.dragPosition(px, py, maxX_);
    } else {
        return false;
    }
    clamp();
    return true;
}

void GuiScrollArea::release() {
    verticalBar.dragging = false;
    horizontalBar.dragging = false;
}

bool GuiScrollArea::pressRows(int px, int py, int rowHeight) {
    return press(px, py, std::max(view_.h - rowHeight, 1),
                 std::max(view_.w - kHorizontalScrollStep, 1));
}

void GuiScrollArea::wheel(const SDL_MouseWheelEvent& wheel, int lineStep) {
    const int flip = wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1;
    const int wheelX = wheel.x * flip;
    const int wheelY = wheel.y * flip;
    const int step = lineStep < 1 ? 16 : lineStep;
    int dx = 0;
    if (wheelX != 0) {
        dx = -wheelX * kHorizontalScrollStep;
    } else if ((SDL_GetModState() & KMOD_SHIFT) != 0) {
        dx = -wheelY * kHorizontalScrollStep;
    }
    scrollBy(dx, -wheelY * step);
}

int GuiScrollArea::rowAt(int px, int py, int rowHeight) const {
    if (px < view_.x || px >= view_.x + view_.w || py < view_.y || py >= view_.y + view_.h ||
        rowHeight < 1) {
        return -1;
    }
    return (py - view_.y + scrollY) / rowHeight;
}

void GuiScrollArea::scrollRowIntoView(int row, int rowHeight) {
    const int top = row * rowHeight;
    const int bottom = top + rowHeight;
    if (scrollY > top) {
        scrollY = top;
    }
    if (bottom > scrollY + view_.h) {
        scrollY = bottom - view_.h;
    }
}

void GuiScrollArea::scrollBy(int dx, int dy) {
    scrollX += dx;
    scrollY += dy;
    clamp();
}

void GuiScrollArea::clamp() {
    scrollX = std::clamp(scrollX, 0, maxX_);
    scrollY = std::clamp(scrollY, 0, maxY_);
}

void GuiScrollArea::paint(SDL_Renderer* renderer) const {
    verticalBar.paint(renderer);
    horizontalBar.paint(renderer);
    if (verticalBar.visible && horizontalBar.visible) {
        const SDL_Rect corner{view_.x + view_.w, view_.y + view_.h, kScrollBarThickness,
                              kScrollBarThickness};
        SDL_SetRenderDrawColor(renderer, 230, 230, 230, 255);
        SDL_RenderFillRect(renderer, &corner);
    }
}
