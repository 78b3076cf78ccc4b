#ifndef TRAKMOOR_GUI_GUIOBJECT_H
#define TRAKMOOR_GUI_GUIOBJECT_H

// The base of every control.  A control lives in the flat child list of one window, which owns
// it; positions are absolute window coordinates in logical pixels.

#include "gui/GuiEvent.h"
#include "gui/SdlHandles.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cstdint>
#include <string>

class GuiEngine;
class GuiWindow;
struct AppWindow;

// Unpacks a toolkit colour 0xAABBGGRR (red in the lowest byte).
constexpr SDL_Color guiColour(std::uint32_t packed) {
    return SDL_Color{static_cast<Uint8>(packed & 0xFF), static_cast<Uint8>((packed >> 8) & 0xFF),
                     static_cast<Uint8>((packed >> 16) & 0xFF),
                     static_cast<Uint8>((packed >> 24) & 0xFF)};
}

class GuiObject {
public:
    GuiObject(GuiObject* parent, int id, int x, int y, int width, int height, std::uint32_t colour);
    GuiObject(const GuiObject&) = delete;
    GuiObject& operator=(const GuiObject&) = delete;
    virtual ~GuiObject();

    // The control whose tooltip shows while this one is hovered.
    virtual GuiObject* tooltipTarget() { return this; }
    virtual GuiObject* findByName(const std::string& wanted);
    // Where a named part of this control lies, for scripted access to sub-elements.
    virtual bool locatePart(const std::string& partName, SDL_Rect& rect);
    virtual bool findPart(const std::string& partName, GuiObject*& owner, SDL_Rect& rect);
    virtual bool getValue(std::string& value);
    virtual bool setValue(const std::string& value);
    virtual bool getValueOf(const std::string& partName, std::string& value);
    virtual bool setValueOf(const std::string& partName, const std::string& value);
    virtual GuiObject* hitTest(int px, int py);
    virtual bool wantsWheel() const { return false; }
    virtual GuiObject* wheelTarget(int px, int py);
    // Cached controls are painted into a texture of their own and repainted only when dirty.
    virtual bool isCached() const { return false; }
    virtual const char* className() const { return "GuiObject"; }
    virtual void update(std::uint32_t ticks);
    virtual void paint(SDL_Renderer* renderer);
    virtual void layout(SDL_Renderer* renderer, int newWidth, int newHeight);
    virtual void handleEvent(GuiEvent* event) = 0;
    virtual void mouseEnter(int localX, int localY);
    virtual void mouseLeave();
    virtual void focusLost();
    // Called when the control has been added to a window.
    virtual void attached();

    void invalidate() { dirty = 1; }
    // Called by the window after it painted the control; what was invalidated has been shown.
    virtual void markPainted() { dirty = 0; }
    // Deletes the control after the event being handled; safe from inside its own handler.
    void deleteLater();
    bool contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }

    // The window this control belongs to: the one it was added to, or itself for a root.
    GuiWindow* ownerWindow();
    AppWindow* appWindow();
    GuiEngine* engine();
    // The time the running frame stands at (SDL_GetTicks when not inside an engine).
    std::uint32_t nowTicks();

    // Accepts "1"/"true" and "0"/"false"; anything else fails and leaves `value`.
    static bool parseBool(const std::string& text, bool& value);
    // Writes a number independently of the current locale.
    static std::string formatNumber(double value);

    // Pixel size of `text` in `font`; 0 x 0 without a font or for empty text.
    static SDL_Point textSize(TTF_Font* font, const std::string& text);
    // Draws `text` at its natural size with its top-left at (px, py).  The texture is released
    // late, as a draw queued with it may still be pending.  Returns what was drawn (empty if
    // nothing: no font, empty text or a rendering failure).
    SDL_Rect drawString(SDL_Renderer* renderer, TTF_Font* font, const std::string& text, int px,
                        int py, SDL_Color colour = SDL_Color{0, 0, 0, 255});

    // Absolute position inside the window.
    int x = 0;
    int y = 0;
    // Position relative to the window it was created for; absolute = base + window position.
    int baseX = 0;
    int baseY = 0;
    int width = 0;
    int height = 0;
    GuiObject* parent = nullptr;
    // The window this control was added to; null until added.
    GuiWindow* window = nullptr;
    // Reported as `id` in the commands this control posts.
    int id = 0;
    SDL_Color colour{};
    int hasFocus = 0;
    std::string tooltip;
    std::string name;
    SdlTexturePtr cacheTexture;
    int dirty = 1;
};

#endif // TRAKMOOR_GUI_GUIOBJECT_H
