#include "gui/GuiScrollingRows.h"

int guiRowHeight(TTF_Font* font) {
    if (font == nullptr) {
        return 20;
    }
    int height = TTF_FontLineSkip(font) + 4;
    if (height < 1) {
        height = TTF_FontHeight(font) + 4;
    }
    return height < 1 ? 24 : height;
}

std::optional<int> guiNavigationTarget(SDL_Keycode key, int current, int count, int page) {
    switch (key) {
    case SDLK_UP:
        return current < 0 ? 0 : current - 1;
    case SDLK_DOWN:
        return current < 0 ? 0 : current + 1;
    case SDLK_PAGEUP:
        return current < 0 ? 0 : current - page;
    case SDLK_PAGEDOWN:
        return current < 0 ? 0 : current + page;
    case SDLK_HOME:
        return 0;
    case SDLK_END:
        return count - 1;
    default:
        return std::nullopt;
    }
}

GuiScrollingRows::GuiScrollingRows(GuiObject* parent, int id, int x, int y, int width, int height,
                                   std::uint32_t colour, TTF_Font* font)
    : GuiObject(parent, id, x, y, width, height, colour), backgroundColour(guiColour(colour)),
      font_(font), rowHeight_(guiRowHeight(font)) {}

SDL_Rect GuiScrollingRows::viewRect() {
    ensureLayout();
    return scroll_.view();
}

void GuiScrollingRows::layout(SDL_Renderer* renderer, int newWidth, int newHeight) {
    GuiObject::layout(renderer, newWidth, newHeight);
    geometryChanged();
}

void GuiScrollingRows::attached() {
    rowHeight_ = guiRowHeight(font_);
    geometryChanged();
}

SDL_Rect GuiScrollingRows::paintBackground(SDL_Renderer* renderer) {
    const SDL_Rect bounds{x, y, width, height};
    SDL_SetRenderDrawColor(renderer, backgroundColour.r, backgroundColour.g, backgroundColour.b,
                           backgroundColour.a);
    SDL_RenderFillRect(renderer, &bounds);
    ensureLayout();
    return scroll_.view();
}

void GuiScrollingRows::handleEvent(GuiEvent* event) {
    if (event == nullptr || event->sdlEvent == nullptr) {
        return;
    }
    const SDL_Event& sdl = *event->sdlEvent;
    switch (sdl.type) {
    case SDL_MOUSEBUTTONDOWN:
        hasFocus = 1;
        if (sdl.button.button != SDL_BUTTON_LEFT) {
            break;
        }
        ensureLayout();
        if (scroll_.pressRows(sdl.button.x, sdl.button.y, rowHeight_)) {
            geometryChanged();
            break;
        }
        rowsPressed(sdl.button.x, sdl.button.y);
        break;
    case SDL_MOUSEMOTION:
        if (scroll_.drag(sdl.motion.x, sdl.motion.y)) {
            geometryChanged();
        }
        break;
    case SDL_MOUSEBUTTONUP:
        scroll_.release();
        break;
    case SDL_MOUSEWHEEL:
        ensureLayout();
        scroll_.wheel(sdl.wheel, rowHeight_);
        geometryChanged();
        break;
    case SDL_KEYDOWN:
        if (hasFocus != 0) {
            handleKey(sdl.key);
        }
        break;
    default:
        break;
    }
}
