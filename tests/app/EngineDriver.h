#ifndef TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
#define TRAKMOOR_TESTS_APP_ENGINEDRIVER_H

// The real engine headless with its main window built as the program builds it, run from the
// build folder (where the pictures lie) and driven by real SDL events, one frame per event.

#include "app/TrakmoorEngine.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiWindow.h"

#include <filesystem>
#include <memory>
#include <string>

namespace trakmoor {

struct EngineDriver {
    EngineDriver() {
        std::filesystem::current_path(TRAKMOOR_BUILD_DIR);
        const auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
        engine = std::make_unique<TrakmoorEngine>();
        window = engine->createWindow(engine.get(), "Trakmoor 0.0.0", SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, 1100, 720, SDL_WINDOW_RESIZABLE,
                                      0xFFC8C8C8);
        engine->mainWindow = window;
        engine->buildMainWindow(window, false);
        guitest::discardQueuedEvents();
    }

    // Runs frames until SDL's queue is empty; each frame is `step` ms after the last.
    void frames(std::uint32_t step = 16) {
        do {
            engine->runFrame(ticks += step);
        } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
    }
    void key(SDL_Keycode key, Uint16 modifiers = KMOD_NONE, const AppWindow* to = nullptr) {
        guitest::pushKey(to != nullptr ? to : window, key, modifiers);
        frames();
    }
    void click(int x, int y, Uint8 button = SDL_BUTTON_LEFT, const AppWindow* to = nullptr) {
        guitest::pushButton(to != nullptr ? to : window, true, x, y, button);
        guitest::pushButton(to != nullptr ? to : window, false, x, y, button);
        frames();
    }
    void clickOn(const GuiObject* control) {
        click(control->x + control->width / 2, control->y + control->height / 2);
    }
    void drop(const std::string& path, const AppWindow* to = nullptr) {
        SDL_Event event{};
        event.type = SDL_DROPFILE;
        event.drop.file = SDL_strdup(path.c_str());
        event.drop.windowID = (to != nullptr ? to : window)->id;
        SDL_PushEvent(&event);
        frames();
    }

    // The open file dialog, or null.
    GuiFileDialog* dialog() const {
        for (AppWindow* open : engine->windowList()) {
            if (auto* found = dynamic_cast<GuiFileDialog*>(open->root.get())) {
                return found;
            }
        }
        return nullptr;
    }
    int dialogCount() const {
        int count = 0;
        for (AppWindow* open : engine->windowList()) {
            count += dynamic_cast<GuiFileDialog*>(open->root.get()) != nullptr ? 1 : 0;
        }
        return count;
    }
    const std::string& status() const { return engine->controls.statusLabel->text; }

    std::unique_ptr<TrakmoorEngine> engine;
    AppWindow* window = nullptr;
    std::uint32_t ticks = 1000;
};

} // namespace trakmoor

#endif
