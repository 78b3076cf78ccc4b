#ifndef TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
#define TRAKMOOR_TESTS_APP_ENGINEDRIVER_H

// The real engine headless with its main window as the program builds it and the sample track,
// run from the build folder (where the pictures lie) and driven by real SDL events.

#include "app/TrakmoorEngine.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiTestSupport.h"

namespace trakmoor {

struct EngineDriver : guitest::EmbeddedFontFirst {
    explicit EngineDriver(bool sample = true) {
        std::filesystem::current_path(TRAKMOOR_BUILD_DIR);
        window = engine->createWindow(engine.get(), "Trakmoor 0.0.0", SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, 1100, 720, 0, 0xFFC8C8C8);
        engine->mainWindow = window;
        engine->buildMainWindow(window, false);
        if (sample) {
            engine->loadBuiltInSample();
        }
        guitest::discardQueuedEvents();
    }
    // Runs frames 16 ms apart until SDL's queue is empty.
    void frames() {
        do {
            engine->runFrame(ticks += 16);
        } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
    }
    void key(SDL_Keycode key, Uint16 modifiers = 0, const AppWindow* to = nullptr) {
        guitest::pushKey(to ? to : window, key, modifiers);
        frames();
    }
    void click(int x, int y, Uint8 button = SDL_BUTTON_LEFT, const AppWindow* to = nullptr) {
        guitest::pushButton(to ? to : window, true, x, y, button);
        guitest::pushButton(to ? to : window, false, x, y, button);
        frames();
    }
    void drop(const std::string& path, const AppWindow* to = nullptr) {
        SDL_Event event{};
        event.type = SDL_DROPFILE;
        event.drop.file = SDL_strdup(path.c_str());
        event.drop.windowID = (to ? to : window)->id;
        SDL_PushEvent(&event);
        frames();
    }
    GuiFileDialog* dialog() const {
        for (AppWindow* open : engine->windowList()) {
            if (auto* found = dynamic_cast<GuiFileDialog*>(open->root.get())) {
                return found;
            }
        }
        return nullptr;
    }
    const std::string& status() const { return engine->controls.statusLabel->text; }

    std::unique_ptr<TrakmoorEngine> engine = std::make_unique<TrakmoorEngine>();
    AppWindow* window = nullptr;
    std::uint32_t ticks = 1000;
};

} // namespace trakmoor

#endif
