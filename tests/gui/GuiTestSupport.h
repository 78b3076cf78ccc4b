#ifndef TRAKMOOR_TESTS_GUI_GUITESTSUPPORT_H
#define TRAKMOOR_TESTS_GUI_GUITESTSUPPORT_H

// Drives the toolkit headless: a real engine on SDL's dummy video driver with the software
// renderer, real SDL events pushed into the queue, frames run one at a time at given ticks, and
// pixels read back from the renderer.

#include "gui/GuiEngine.h"
#include "gui/GuiObject.h"
#include "gui/GuiWindow.h"
#include "gui/IEditable.h"
#include "gui/SdlHandles.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace guitest {

// The font must be registered before the engine loads it, hence a base constructed first.
struct EmbeddedFontFirst {
    EmbeddedFontFirst() {
        auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
    }
};

// An engine that behaves like an application's: it passes SDL events to the root, forwards a
// dialog's commands to it, draws each window by update, paint and present, and records it all.
class TestEngine : private EmbeddedFontFirst, public GuiEngine {
public:
    void drawWindow(AppWindow* window) override {
        ++drawCount;
        GuiEngine::drawWindow(window);
    }

    void handleEvent(AppWindow* window, GuiEvent* event) override {
        if (event->kind == GuiEventCommand) {
            commands.push_back(*event);
        } else {
            sdlEvents.push_back(*event->sdlEvent);
            eventWindows.push_back(window);
        }
        GuiEngine::handleEvent(window, event);
    }

    std::vector<GuiEvent> commands;
    // SDL events as routed to handleEvent, with the window they went to.
    std::vector<SDL_Event> sdlEvents;
    std::vector<AppWindow*> eventWindows;
    int drawCount = 0;
};

// Events that SDL queued on its own (window shown, focus...) would shift what a test expects.
inline void discardQueuedEvents() {
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
}

inline AppWindow* openWindow(TestEngine& engine, int width, int height,
                             std::uint32_t colour = 0xFFF0F0F0u) {
    AppWindow* window = engine.createWindow(&engine, "test", SDL_WINDOWPOS_CENTERED,
                                            SDL_WINDOWPOS_CENTERED, width, height, 0, colour);
    discardQueuedEvents();
    return window;
}

inline SDL_Event eventFor(const AppWindow* window, Uint32 type) {
    SDL_Event event{};
    event.type = type;
    // windowID sits at the same place in every window-bound event.
    event.window.windowID = window != nullptr ? window->id : 0;
    return event;
}

inline void pushMotion(const AppWindow* window, int x, int y) {
    SDL_Event event = eventFor(window, SDL_MOUSEMOTION);
    event.motion.x = x;
    event.motion.y = y;
    SDL_PushEvent(&event);
}

inline void pushButton(const AppWindow* window, bool down, int x, int y,
                       Uint8 button = SDL_BUTTON_LEFT, Uint8 clicks = 1) {
    SDL_Event event = eventFor(window, down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP);
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.button.clicks = clicks;
    event.button.x = x;
    event.button.y = y;
    SDL_PushEvent(&event);
}

inline void pushKey(const AppWindow* window, SDL_Keycode key, Uint16 modifiers = KMOD_NONE,
                    bool repeat = false) {
    SDL_Event event = eventFor(window, SDL_KEYDOWN);
    event.key.state = SDL_PRESSED;
    event.key.repeat = repeat ? 1 : 0;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = SDL_GetScancodeFromKey(key);
    event.key.keysym.mod = modifiers;
    SDL_PushEvent(&event);
}

inline void pushText(const AppWindow* window, const char* utf8) {
    SDL_Event event = eventFor(window, SDL_TEXTINPUT);
    std::strncpy(event.text.text, utf8, sizeof event.text.text - 1);
    SDL_PushEvent(&event);
}

inline void pushWheel(const AppWindow* window, int x, int y, int amount, int sideways = 0,
                      bool flipped = false) {
    SDL_Event event = eventFor(window, SDL_MOUSEWHEEL);
    event.wheel.y = amount;
    event.wheel.x = sideways;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    event.wheel.mouseX = x;
    event.wheel.mouseY = y;
    SDL_PushEvent(&event);
}

inline void pushWindowEvent(const AppWindow* window, Uint8 subtype) {
    SDL_Event event = eventFor(window, SDL_WINDOWEVENT);
    event.window.event = subtype;
    SDL_PushEvent(&event);
}

// Runs frames at `ticks` until the queue is empty.  One event is taken per frame, and a pushed
// event may wait one more frame behind the marker SDL leaves in the queue when it polls, so
// tests that need an event handled at a given time use this rather than a single frame.
inline void runUntilIdle(GuiEngine& engine, std::uint32_t ticks) {
    do {
        engine.runFrame(ticks);
    } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
}

// A click: press and release at the same point, each in its own frame.
inline void click(GuiEngine& engine, const AppWindow* window, int x, int y, std::uint32_t ticks,
                  Uint8 button = SDL_BUTTON_LEFT) {
    pushButton(window, true, x, y, button);
    pushButton(window, false, x, y, button);
    runUntilIdle(engine, ticks);
}

// Pixels of a rectangle of the window as 0xAARRGGBB, row by row.
inline std::vector<Uint32> readPixels(const AppWindow* window, SDL_Rect rect) {
    std::vector<Uint32> pixels(static_cast<std::size_t>(rect.w) * static_cast<std::size_t>(rect.h));
    SDL_RenderReadPixels(window->renderer.get(), &rect, SDL_PIXELFORMAT_ARGB8888, pixels.data(),
                         rect.w * 4);
    return pixels;
}

// How many pixels of a rectangle of the window satisfy `match`.
template <typename Match> int countPixels(const AppWindow* window, SDL_Rect rect, Match match) {
    const std::vector<Uint32> pixels = readPixels(window, rect);
    return static_cast<int>(std::count_if(pixels.begin(), pixels.end(), match));
}

inline int countPixels(const AppWindow* window, SDL_Rect rect, Uint32 colour) {
    return countPixels(window, rect, [colour](Uint32 pixel) { return pixel == colour; });
}

// Writes a PNG of one colour into the build folder and returns its path.
inline std::string writeSolidPng(const char* name, int w, int h, Uint32 argb) {
    SdlSurfacePtr surface(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(surface.get(), nullptr, argb);
    std::string path = std::string(TRAKMOOR_BUILD_DIR) + "/" + name;
    return IMG_SavePNG(surface.get(), path.c_str()) == 0 ? path : std::string();
}

inline Uint32 pixelAt(const AppWindow* window, int x, int y) {
    return readPixels(window, SDL_Rect{x, y, 1, 1}).front();
}

constexpr Uint32 rgb(Uint8 r, Uint8 g, Uint8 b) {
    return 0xFF000000u | (Uint32{r} << 16) | (Uint32{g} << 8) | Uint32{b};
}

// A control that records what reaches it, for routing tests.
class ProbeControl : public GuiObject {
public:
    using GuiObject::GuiObject;
    ~ProbeControl() override {
        if (destroyed != nullptr) {
            *destroyed = true;
        }
    }

    void handleEvent(GuiEvent* event) override {
        types.push_back(event->sdlEvent != nullptr ? event->sdlEvent->type : 0);
        localPositions.push_back(SDL_Point{event->localX, event->localY});
        if (onEvent) {
            onEvent(this, event);
        }
    }
    void mouseEnter(int, int) override { ++enters; }
    void mouseLeave() override { ++leaves; }
    void focusLost() override { ++focusLosses; }
    bool wantsWheel() const override { return takesWheel; }
    bool isCached() const override { return cached; }
    void paint(SDL_Renderer* renderer) override {
        ++paints;
        GuiObject::paint(renderer);
    }

    int count(Uint32 type) const {
        return static_cast<int>(std::count(types.begin(), types.end(), type));
    }

    std::vector<Uint32> types;
    std::vector<SDL_Point> localPositions;
    std::function<void(ProbeControl*, GuiEvent*)> onEvent;
    int enters = 0;
    int leaves = 0;
    int focusLosses = 0;
    int paints = 0;
    bool takesWheel = false;
    bool cached = false;
    bool* destroyed = nullptr;
};

// A probe that takes text input.
class EditableProbe : public ProbeControl, public IEditable {
public:
    using ProbeControl::ProbeControl;
};

// Adds a probe to a window; colour 0xAABBGGRR.
inline ProbeControl* addProbe(AppWindow* window, int id, SDL_Rect rect,
                              std::uint32_t colour = 0xFF808080u) {
    return window->root->add(std::make_unique<ProbeControl>(window->root.get(), id, rect.x, rect.y,
                                                            rect.w, rect.h, colour));
}

// A test with one window of its own; each frame advances the clock by 16 ms and runs until the
// queue is empty.
class WindowTest : public ::testing::Test {
protected:
    WindowTest(int width, int height, std::uint32_t colour = 0xFFF0F0F0u)
        : window(openWindow(engine, width, height, colour)), root(window->root.get()) {}

    void frame() { runUntilIdle(engine, ticks += 16); }
    void clickAt(int x, int y) { click(engine, window, x, y, ticks += 16); }
    void key(SDL_Keycode k, Uint16 mods = KMOD_NONE) {
        pushKey(window, k, mods);
        frame();
    }
    void type(const char* utf8) {
        pushText(window, utf8);
        frame();
    }

    TestEngine engine;
    AppWindow* window;
    GuiWindow* root;
    std::uint32_t ticks = 1000;
};

} // namespace guitest

#endif // TRAKMOOR_TESTS_GUI_GUITESTSUPPORT_H
