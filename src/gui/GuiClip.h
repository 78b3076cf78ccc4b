#ifndef TRAKMOOR_GUI_GUICLIP_H
#define TRAKMOOR_GUI_GUICLIP_H

// Narrows the renderer's clip rectangle for one scope and puts the previous one back after it,
// so that a control can clip its rows without undoing a clip set by whoever paints it.

#include <SDL.h>

class GuiClipScope {
public:
    GuiClipScope(SDL_Renderer* renderer, SDL_Rect rect) : renderer_(renderer) {
        hadClip_ = SDL_RenderIsClipEnabled(renderer) == SDL_TRUE;
        SDL_RenderGetClipRect(renderer, &previous_);
        SDL_Rect clip = rect;
        if (hadClip_ && !SDL_IntersectRect(&previous_, &rect, &clip)) {
            clip = {rect.x, rect.y, 0, 0};
        }
        // An empty clip rectangle would switch clipping off in SDL: keep one pixel outside.
        if (clip.w <= 0 || clip.h <= 0) {
            clip = {-2, -2, 1, 1};
        }
        SDL_RenderSetClipRect(renderer, &clip);
    }
    GuiClipScope(const GuiClipScope&) = delete;
    GuiClipScope& operator=(const GuiClipScope&) = delete;
    ~GuiClipScope() { SDL_RenderSetClipRect(renderer_, hadClip_ ? &previous_ : nullptr); }

private:
    SDL_Renderer* renderer_;
    SDL_Rect previous_{};
    bool hadClip_ = false;
};

#endif
