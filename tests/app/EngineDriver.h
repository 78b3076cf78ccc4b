#ifndef TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
#define TRAKMOOR_TESTS_APP_ENGINEDRIVER_H
// The engine headless with its main window as the program builds it, fed real SDL events, run from
// the build folder, where the program's pictures and default map lie.
#include "app/TrakmoorEngine.h"
#include "gui/GuiButton.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTestSupport.h"
#include "map/MapProjection.h"

namespace trakmoor {

struct EngineDriver : guitest::EmbeddedFontFirst {
    explicit EngineDriver(bool sample = true, bool fullscreen = false) {
        std::filesystem::current_path(TRAKMOOR_BUILD_DIR);
        engine->mainWindow = window = engine->createWindow(
            engine.get(), "Trakmoor", 0, 0, 1100, 720,
            SDL_WINDOW_RESIZABLE | (fullscreen ? Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP} : 0u),
            0xFFC8C8C8);
        engine->buildMainWindow(window, fullscreen);
        if (sample) {
            engine->loadBuiltInSample();
        }
        guitest::discardQueuedEvents();
    }
    void frames() { guitest::runUntilIdle(*engine, ticks += 16); }
    void key(SDL_Keycode key, Uint16 modifiers = 0, const AppWindow* to = nullptr) {
        guitest::pushKey(to ? to : window, key, modifiers);
        frames();
    }
    void click(int x, int y, Uint8 button = SDL_BUTTON_LEFT, const AppWindow* to = nullptr) {
        guitest::click(*engine, to ? to : window, x, y, ticks += 16, button);
    }
    // Clicks the `nth` control with this id.
    void press(int id, int nth = 0) {
        for (const auto& c : window->root->children) {
            if (c->id == id && nth-- == 0) {
                return click(c->x + c->width / 2, c->y + c->height / 2);
            }
        }
    }
    void drop(const std::string& path, const AppWindow* to = nullptr) {
        SDL_Event event{SDL_DROPFILE};
        event.drop = {SDL_DROPFILE, 0, SDL_strdup(path.c_str()), (to ? to : window)->id};
        SDL_PushEvent(&event);
        frames();
    }
    GuiFileDialog* dialog() const {
        const auto all = engine->windowList();
        return all.size() > 1 ? dynamic_cast<GuiFileDialog*>(all.back()->root.get()) : nullptr;
    }
    const MainWindowControls& controls() const { return engine->mainControls(); }
    const TrackMarks& marks() const { return engine->document().marks(); }
    const ViewState& view() const { return engine->viewState(); }
    const std::string& status() const { return controls().statusLabel->text; }
    // Where point `index` of the shown track lies on the map panel now.
    ScreenPoint onMap(int index) const {
        const Track& track = *engine->currentTrack();
        TrackBoundsCache bounds;
        return ProjectWayPoint(view(), bounds, track, controls().mapPanel->width,
                               controls().mapPanel->height, *track.pointAt(index), true);
    }
    bool cursorCentred() const {
        const ScreenPoint at = onMap(marks().cursorIndex);
        return std::abs(at.x - controls().mapPanel->width / 2.0) < 1e-6 &&
               std::abs(at.y - controls().mapPanel->height / 2.0) < 1e-6;
    }

    std::unique_ptr<TrakmoorEngine> engine = std::make_unique<TrakmoorEngine>();
    AppWindow* window = nullptr;
    std::uint32_t ticks = 1000;
};

} // namespace trakmoor
#endif
