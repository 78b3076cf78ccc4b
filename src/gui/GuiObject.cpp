#include "gui/GuiObject.h"

#include "gui/GuiEngine.h"
#include "gui/GuiWindow.h"

#include <locale>
#include <sstream>

GuiObject::GuiObject(GuiObject* parent, int id, int x, int y, int width, int height,
                     std::uint32_t colour)
    : x(x), y(y), baseX(x), baseY(y), width(width), height(height), parent(parent), id(id),
      colour(guiColour(colour)) {}

GuiObject::~GuiObject() {
    if (!cacheTexture) {
        return;
    }
    AppWindow* owner = window != nullptr ? window->appWindow : nullptr;
    if (owner != nullptr && owner->engine != nullptr && owner->renderer) {
        owner->engine->releaseTextureLater(owner->renderer.get(), std::move(cacheTexture));
    }
}

GuiObject* GuiObject::findByName(const std::string& wanted) {
    return !name.empty() && name == wanted ? this : nullptr;
}

bool GuiObject::locatePart(const std::string&, SDL_Rect&) {
    return false;
}

bool GuiObject::findPart(const std::string& partName, GuiObject*& owner, SDL_Rect& rect) {
    if (locatePart(partName, rect)) {
        owner = this;
        return true;
    }
    return false;
}

bool GuiObject::getValue(std::string&) {
    return false;
}
bool GuiObject::setValue(const std::string&) {
    return false;
}
bool GuiObject::getValueOf(const std::string&, std::string&) {
    return false;
}
bool GuiObject::setValueOf(const std::string&, const std::string&) {
    return false;
}

GuiObject* GuiObject::hitTest(int px, int py) {
    return contains(px, py) ? this : nullptr;
}

GuiObject* GuiObject::wheelTarget(int, int) {
    return wantsWheel() ? this : nullptr;
}

void GuiObject::update(std::uint32_t) {}

void GuiObject::paint(SDL_Renderer* renderer) {
    SDL_SetRenderDrawColor(renderer, colour.r, colour.g, colour.b, colour.a);
    SDL_Rect rect{x, y, width, height};
    SDL_RenderFillRect(renderer, &rect);
}

void GuiObject::layout(SDL_Renderer*, int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
}

void GuiObject::mouseEnter(int, int) {}
void GuiObject::mouseLeave() {}
void GuiObject::focusLost() {}
void GuiObject::attached() {}

void GuiObject::deleteLater() {
    if (window != nullptr) {
        window->scheduleDelete(this);
    }
}

GuiWindow* GuiObject::ownerWindow() {
    if (window != nullptr) {
        return window;
    }
    return dynamic_cast<GuiWindow*>(this);
}

AppWindow* GuiObject::appWindow() {
    GuiWindow* owner = ownerWindow();
    return owner != nullptr ? owner->appWindow : nullptr;
}

GuiEngine* GuiObject::engine() {
    GuiWindow* owner = ownerWindow();
    return owner != nullptr ? owner->engine : nullptr;
}

std::uint32_t GuiObject::nowTicks() {
    GuiEngine* owner = engine();
    return owner != nullptr ? owner->frameTicks() : SDL_GetTicks();
}

bool GuiObject::parseBool(const std::string& text, bool& value) {
    if (text == "1" || text == "true") {
        value = true;
        return true;
    }
    if (text == "0" || text == "false") {
        value = false;
        return true;
    }
    return false;
}

std::string GuiObject::formatNumber(double value) {
    std::ostringstream out;
    out.imbue(std::locale::classic());
    out << value;
    return out.str();
}

SDL_Point GuiObject::textSize(TTF_Font* font, const std::string& text) {
    SDL_Point size{0, 0};
    if (font == nullptr || text.empty() ||
        TTF_SizeUTF8(font, text.c_str(), &size.x, &size.y) != 0) {
        return SDL_Point{0, 0};
    }
    return size;
}

SDL_Rect GuiObject::drawString(SDL_Renderer* renderer, TTF_Font* font, const std::string& text,
                               int px, int py, SDL_Color textColour) {
    if (renderer == nullptr || font == nullptr || text.empty()) {
        return SDL_Rect{px, py, 0, 0};
    }
    SdlSurfacePtr surface(TTF_RenderUTF8_Blended(font, text.c_str(), textColour));
    if (!surface) {
        return SDL_Rect{px, py, 0, 0};
    }
    SdlTexturePtr texture(SDL_CreateTextureFromSurface(renderer, surface.get()));
    SDL_Rect target{px, py, surface->w, surface->h};
    if (!texture) {
        return SDL_Rect{px, py, 0, 0};
    }
    SDL_RenderCopy(renderer, texture.get(), nullptr, &target);
    if (GuiEngine* owner = engine()) {
        owner->releaseTextureLater(renderer, std::move(texture));
    }
    return target;
}
