#include "gui/GuiButton.h"

#include "gui/GuiEngine.h"
#include "gui/GuiPanels.h"
#include "gui/GuiWindow.h"

#include <SDL_image.h>

#include <iostream>

extern const unsigned char trakmoor_gui_image_button_png[];
extern const std::size_t trakmoor_gui_image_button_png_size;

namespace {

void drawLine(SDL_Renderer* renderer, int x1, int y1, int x2, int y2) {
    SDL_RenderDrawLine(renderer, x1, y1, x2, y2);
}

bool isPress(const GuiEvent* event) {
    return event->sdlEvent != nullptr && event->sdlEvent->type == SDL_MOUSEBUTTONDOWN;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// GuiButton

GuiButton::GuiButton(GuiObject* parent, int id, int x, int y, int width, int height,
                     std::uint32_t colour, const std::string& label, TTF_Font* font,
                     std::uint32_t flags)
    : GuiObject(parent, id, x, y, width, height, colour & 0x00FFFFFFu), label(label), flags(flags),
      font(font), constructorColour(colour) {}

void GuiButton::setColour(std::uint32_t packed) {
    colour = guiColour(packed);
    invalidate();
}

void GuiButton::notifyToggle() {
    // Copied: a handler may add handlers.
    auto handlers = onToggle;
    for (auto& handler : handlers) {
        if (handler) {
            handler(this, pressed);
        }
    }
}

bool GuiButton::getValue(std::string& value) {
    if (!isSticky()) {
        return false;
    }
    value.assign(1, pressed ? '1' : '0');
    return true;
}

bool GuiButton::setValue(const std::string& value) {
    bool wanted = false;
    if (!isSticky() || !parseBool(value, wanted)) {
        return false;
    }
    if (wanted != pressed) {
        pressed = wanted;
        invalidate();
        notifyToggle();
    }
    return true;
}

void GuiButton::handleEvent(GuiEvent* event) {
    if (event->sdlEvent == nullptr) {
        return;
    }
    const SDL_Event& sdl = *event->sdlEvent;
    if (sdl.type == SDL_MOUSEBUTTONDOWN) {
        if (guiDebugOutput()) {
            std::cout << "BUTTON DOWN" << std::endl;
        }
        if (isSticky()) {
            pressed = !pressed;
        } else {
            pressed = true;
            pressTicks = lastRepeatTicks = nowTicks();
            repeated = false;
        }
        invalidate();
        notifyToggle();
    } else if (sdl.type == SDL_MOUSEBUTTONUP && !isSticky()) {
        pressed = false;
        invalidate();
        if (repeated) {
            return; // the repeats were the clicks
        }
        const int px = sdl.button.x;
        const int py = sdl.button.y;
        // Strictly inside: a release on the outline pixel does not count as a click.
        if (x < px && px < x + width && y < py && py < y + height && window != nullptr) {
            window->postEvent(GuiCmdButton, id, 0, this);
        }
    }
}

void GuiButton::update(std::uint32_t ticks) {
    if ((flags & AutoRepeat) == 0 || isSticky() || !pressed) {
        return;
    }
    if (ticks - pressTicks >= repeatDelay && ticks - lastRepeatTicks >= repeatInterval) {
        repeated = true;
        lastRepeatTicks = ticks;
        if (window != nullptr) {
            window->postEvent(GuiCmdButton, id, 0, this);
        }
    }
}

void GuiButton::paintFrame(SDL_Renderer* renderer) {
    const int w = width;
    const int h = height;
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    drawLine(renderer, x + 1, y, x + w - 1, y);
    drawLine(renderer, x, y + 1, x + w, y + 1);
    drawLine(renderer, x, y + h - 1, x + w, y + h - 1);
    drawLine(renderer, x + 1, y + h, x + w - 1, y + h);
    drawLine(renderer, x, y + 1, x, y + h - 1);
    drawLine(renderer, x + 1, y + 1, x + 1, y + h - 1);
    drawLine(renderer, x + w, y + 1, x + w, y + h - 1);
    drawLine(renderer, x + w - 1, y + 1, x + w - 1, y + h - 1);
    if (colour.a != 0) {
        SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
        SDL_Rect face{x + 2, y + 2, w - 3, h - 3};
        SDL_RenderFillRect(renderer, &face);
        return;
    }
    const Uint8 light = pressed ? 192 : 255;
    SDL_SetRenderDrawColor(renderer, light, light, light, 255);
    drawLine(renderer, x + 2, y + 2, x + w - 3, y + 2);
    drawLine(renderer, x + 2, y + 3, x + w - 4, y + 3);
    drawLine(renderer, x + 2, y + 2, x + 2, y + h - 3);
    drawLine(renderer, x + 3, y + 2, x + 3, y + h - 4);
    const Uint8 dark = pressed ? 192 : 128;
    SDL_SetRenderDrawColor(renderer, dark, dark, dark, 255);
    drawLine(renderer, x + 2, y + h - 2, x + w - 3, y + h - 2);
    drawLine(renderer, x + 3, y + h - 3, x + w - 3, y + h - 3);
    drawLine(renderer, x + w - 2, y + 2, x + w - 2, y + h - 2);
    drawLine(renderer, x + w - 3, y + 3, x + w - 3, y + h - 2);
}

void GuiButton::paint(SDL_Renderer* renderer) {
    paintFrame(renderer);
    SDL_Point size = textSize(font, label);
    drawString(renderer, font, label, x + (width - size.x) / 2,
               y + (height - size.y) / 2 + (pressed ? 1 : 0));
}

GuiButton* GuiButton::pressedButton(const std::vector<GuiButton*>& group) {
    for (GuiButton* button : group) {
        if (button != nullptr && button->pressed) {
            return button;
        }
    }
    return nullptr;
}

void GuiButton::releaseOthers(const std::vector<GuiButton*>& group, GuiButton* keeper) {
    for (GuiButton* button : group) {
        if (button != nullptr && button != keeper) {
            button->pressed = false;
            button->invalidate();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// GuiImageButton

GuiImageButton::GuiImageButton(GuiObject* parent, int id, int x, int y, int width, int height,
                               std::uint32_t colour, SDL_Renderer* renderer, std::uint32_t flags)
    : GuiButton(parent, id, x, y, width, height, colour, std::string(), nullptr, flags) {
    if (renderer == nullptr) {
        return;
    }
    SDL_RWops* memory = SDL_RWFromConstMem(trakmoor_gui_image_button_png,
                                           static_cast<int>(trakmoor_gui_image_button_png_size));
    showPicture(renderer,
                SdlSurfacePtr(memory != nullptr ? IMG_LoadTyped_RW(memory, 1, "PNG") : nullptr));
}

bool GuiImageButton::loadImage(SDL_Renderer* renderer, const std::string& path) {
    clearImage();
    invalidate();
    return loadPicture(renderer, path);
}

void GuiImageButton::clearImage() {
    dropPicture();
    invalidate();
}

void GuiImageButton::paint(SDL_Renderer* renderer) {
    if (renderer == nullptr) {
        return;
    }
    paintFrame(renderer);
    if (image() == nullptr) {
        return;
    }
    SDL_Rect inner{x + 4, y + 4 + (pressed ? 1 : 0), width - 8, height - 8};
    SDL_Rect target = guiFitImage(inner, imageWidth, imageHeight);
    SDL_RenderCopy(renderer, image(), nullptr, &target);
}

// ---------------------------------------------------------------------------------------------
// GuiCheckBox

GuiCheckBox::GuiCheckBox(GuiObject* parent, int id, int x, int y, int width, int height,
                         std::uint32_t colour, const std::string& label, TTF_Font* font,
                         std::uint32_t flags)
    : GuiButton(parent, id, x, y, width, height, colour, label, font, flags | Sticky) {}

void GuiCheckBox::handleEvent(GuiEvent* event) {
    if (!isPress(event)) {
        return;
    }
    if (guiDebugOutput()) {
        std::cout << "BUTTON DOWN" << std::endl;
    }
    pressed = !pressed;
    invalidate();
    notifyToggle();
}

void GuiCheckBox::paint(SDL_Renderer* renderer) {
    SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
    SDL_Rect inner{x + 2, y + 2, 12, 12};
    SDL_RenderFillRect(renderer, &inner);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_Rect outer{x, y, 16, 16};
    SDL_RenderDrawRect(renderer, &outer);
    SDL_Rect second{x + 1, y + 1, 14, 14};
    SDL_RenderDrawRect(renderer, &second);
    if (pressed) {
        for (int k = 0; k < 3; ++k) {
            drawLine(renderer, x + 1, y + k, x + 14, y + 13 + k);
            drawLine(renderer, x + 1, y + 15 - k, x + 14, y + 2 - k);
        }
    }
    drawString(renderer, font, label, x + 25, y);
}
