#ifndef TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
#define TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
// The engine headless with its main window and the sample track, fed real SDL events.
#include "app/TrakmoorEngine.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiTestSupport.h"

namespace trakmoor {

struct EngineDriver : guitest::EmbeddedFontFirst {
    explicit EngineDriver(bool sample = true) {
        std::filesystem::current_path(TRAKMOOR_BUILD_DIR); // where the pictures lie
        engine->mainWindow = window =
            engine->createWindow(engine.get(), "Trakmoor", 0, 0, 1100, 720, 0, 0xFFC8C8C8);
        engine->buildMainWindow(window, false);
        if (sample) {
            engine->loadBuiltInSample();
        }
        guitest::discardQueuedEvents();
    }
    void frames() { // 16 ms apart until the queue is empty
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
    GuiFileDialog* dialog() const {
        const auto all = engine->windowList();
        return all.size() > 1 ? dynamic_cast<GuiFileDialog*>(all.back()->root.get()) : nullptr;
    }
    std::unique_ptr<TrakmoorEngine> engine = std::make_unique<TrakmoorEngine>();
    AppWindow* window = nullptr;
    std::uint32_t ticks = 1000;
};

} // namespace trakmoor
#endif
