// Random SDL events and commands against the engine with the sample track loaded: keys of both
// tables and others, clicks and drags anywhere, the wheel, text, window sizes, dropped files that
// exist or not, and commands with any code and id.  The engine must stay sound throughout.
//   TRAKMOOR_SOAK_EVENTS  how many events (default 3000; the long run uses 200000)
//   TRAKMOOR_SOAK_SEED    the random seed (default fixed)

#include "EngineDriver.h"

#include "gui/GuiComboBox.h"

#include <gtest/gtest.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
// From ASan's allocator interface, whose header not every compiler package ships.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <random>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

// Heap bytes in use; with ASan without its quarantine of freed blocks, which only grows.
double liveHeapMegabytes() {
#if defined(__SANITIZE_ADDRESS__)
    const double bytes = static_cast<double>(__sanitizer_get_current_allocated_bytes());
#else
    const double bytes = static_cast<double>(mallinfo2().uordblks);
#endif
    return bytes / (1024.0 * 1024.0);
}

class Soak : private EngineDriver {
public:
    Soak(std::uint64_t seed, const fs::path& folder) : random_(seed), folder_(folder) {
        engine->loadBuiltInSample();
        // Files the dialogs may find and open are the soak's own.
        fs::current_path(folder);
    }

    void step() {
        switch (pick(100)) {
        case 0:
            resize();
            return;
        case 1:
            drop();
            return;
        case 2:
        case 3:
        case 4:
            command();
            return;
        default:
            sdlEvent();
            return;
        }
    }

    // Frames drive the drawing, auto-repeat and the resizes SDL reports.
    void frame() { engine->runFrame(ticks += 1 + pick(40)); }

    void checkInvariants(int done) {
        SCOPED_TRACE("after " + std::to_string(done) + " events");
        const TrakmoorEngine& e = *engine;
        const Track* track = e.currentTrack();
        const int last = track != nullptr ? track->pointCount() - 1 : -1;
        for (int index : {e.doc.cursorIndex, e.doc.markerA, e.doc.markerB}) {
            EXPECT_TRUE(index >= -1 && index <= last) << index;
        }
        if (last >= 0) {
            EXPECT_GE(e.doc.cursorIndex, 0);
        }
        for (int angle : {e.view.angleX, e.view.angleY, e.view.angleZ}) {
            EXPECT_TRUE(angle >= 0 && angle <= 359) << angle;
        }
        EXPECT_TRUE(e.view.zoom >= 0.05 && e.view.zoom <= 50.0) << e.view.zoom;
        EXPECT_LE(dialogCount(), 1);
        EXPECT_EQ(engine->findWindow(window->id), window) << "the main window stays";
    }

private:
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    template <typename T> T pickOf(std::initializer_list<T> values) {
        return *(values.begin() + pick(static_cast<int>(values.size())));
    }

    // The main window mostly, the file dialog when one is open half of the time.
    AppWindow* target() {
        GuiFileDialog* open = dialog();
        return open != nullptr && pick(2) == 0 ? open->appWindow : window;
    }

    // Routed as the main loop routes a polled event; windows closed by it go right after.
    void route(SDL_Event& event) {
        engine->routeEvent(event);
        for (std::uint32_t id : std::exchange(engine->pendingClose, {})) {
            engine->destroyWindow(id);
        }
    }

    void sdlEvent() {
        AppWindow* to = target();
        SDL_Event event = guitest::eventFor(to, SDL_FIRSTEVENT);
        const int x = pick(to->width + 40) - 20;
        const int y = pick(to->height + 40) - 20;
        switch (pick(7)) {
        case 0:
        case 1: {
            event.type = pick(4) == 0 ? SDL_KEYUP : SDL_KEYDOWN;
            event.key.repeat = pick(8) == 0 ? 1 : 0;
            event.key.keysym.sym =
                pick(5) == 0
                    ? static_cast<SDL_Keycode>(pick(0x80))
                    : pickOf<SDL_Keycode>({
                          SDLK_o,         SDLK_PLUS, SDLK_KP_PLUS, SDLK_MINUS,  SDLK_KP_MINUS,
                          SDLK_ESCAPE,    SDLK_F11,  SDLK_HOME,    SDLK_END,    SDLK_PAGEUP,
                          SDLK_PAGEDOWN,  SDLK_a,    SDLK_b,       SDLK_w,      SDLK_h,
                          SDLK_d,         SDLK_m,    SDLK_c,       SDLK_f,      SDLK_LEFT,
                          SDLK_RIGHT,     SDLK_UP,   SDLK_DOWN,    SDLK_RETURN, SDLK_KP_ENTER,
                          SDLK_BACKSPACE, SDLK_TAB,
                      });
            event.key.keysym.mod = pickOf<Uint16>(
                {KMOD_NONE, KMOD_NONE, KMOD_LSHIFT, KMOD_LCTRL, KMOD_RALT, KMOD_LGUI});
            break;
        }
        case 2:
            event.type = SDL_TEXTINPUT;
            for (int i = 0, n = pick(8); i < n; ++i) {
                event.text.text[i] = pickOf<char>({'1', '7', '-', ' ', 'a', '/', '.', 'x'});
            }
            break;
        case 3:
        case 4:
            event.type = pick(2) == 0 ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button.button = static_cast<Uint8>(1 + pick(3));
            event.button.clicks = static_cast<Uint8>(1 + pick(2));
            event.button.x = x;
            event.button.y = y;
            break;
        case 5:
            event.type = SDL_MOUSEMOTION;
            event.motion.x = x;
            event.motion.y = y;
            break;
        default:
            event.type = SDL_MOUSEWHEEL;
            event.wheel.x = pick(3) - 1;
            event.wheel.y = pick(5) - 2;
            event.wheel.mouseX = x;
            event.wheel.mouseY = y;
            break;
        }
        route(event);
    }

    void command() {
        AppWindow* to = target();
        GuiEvent event;
        event.kind = GuiEventCommand;
        event.windowId = to->id;
        event.code = pickOf<int>({GuiCmdButton, GuiCmdButton, GuiCmdComboBoxChanged,
                                  GuiCmdModalClosed, GuiCmdImagePanel, pick(20000)});
        event.id = pick(4) == 0 ? pick(200) - 2 : 100 + pick(34);
        event.data = pick(10) - 1;
        event.source = to->root.get();
        if (event.code == GuiCmdComboBoxChanged && to == window) {
            // As a combo box posts it: after its selection changed.
            for (GuiComboBox* box :
                 {engine->controls.trackCombo, engine->controls.cursorModeCombo,
                  engine->controls.perspectiveCombo, engine->controls.statisticsCombo}) {
                if (box->id == event.id) {
                    box->select(pick(static_cast<int>(box->items().size()) + 1) - 1, false);
                    event.source = box;
                }
            }
        }
        engine->handleEvent(to, &event);
        for (std::uint32_t id : std::exchange(engine->pendingClose, {})) {
            engine->destroyWindow(id);
        }
    }

    void resize() { SDL_SetWindowSize(window->sdlWindow.get(), 850 + pick(500), 650 + pick(300)); }

    void drop() {
        const char* names[] = {"ride.gpx",  "ride.osm", "Ride.GPX", "empty.osm",
                               "notes.txt", "gone.gpx", "gone.osm", "folder.gpx"};
        SDL_Event event{};
        event.type = SDL_DROPFILE;
        event.drop.file = SDL_strdup((folder_ / names[pick(8)]).c_str());
        event.drop.windowID = target()->id;
        route(event);
        SDL_free(event.drop.file);
    }

    std::mt19937_64 random_;
    fs::path folder_;
};

TEST(EngineSoak, RandomEventsLeaveTheEngineSound) {
    const auto events = static_cast<int>(environmentNumber("TRAKMOOR_SOAK_EVENTS", 3000));
    const std::uint64_t seed = environmentNumber("TRAKMOOR_SOAK_SEED", 20240611);
    const fs::path folder =
        fs::temp_directory_path() / ("trakmoor-soak-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder / "folder.gpx");
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "ride.gpx");
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "Ride.GPX");
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "ride.osm");
    std::ofstream(folder / "empty.osm").flush();
    std::ofstream(folder / "notes.txt") << "notes\n";
    const fs::path workingFolder = fs::current_path();

    const auto start = std::chrono::steady_clock::now();
    double firstQuarterHeap = 0.0;
    {
        Soak soak(seed, folder);
        for (int done = 1; done <= events; ++done) {
            soak.step();
            if (done % 8 == 0) {
                soak.frame();
            }
            if (done % 1000 == 0 || done == events) {
                soak.checkInvariants(done);
                if (::testing::Test::HasFailure()) {
                    break;
                }
            }
            if (done == events / 4) {
                firstQuarterHeap = liveHeapMegabytes();
            }
        }
        const double lastHeap = liveHeapMegabytes();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::cout << "soak: " << events << " events, seed " << seed << ", " << seconds
                  << " s, live heap " << firstQuarterHeap << " MB after the first quarter, "
                  << lastHeap << " MB at the end\n";
        EXPECT_LE(lastHeap - firstQuarterHeap, 10.0);
    }
    fs::current_path(workingFolder);
    fs::remove_all(folder);
}

} // namespace
} // namespace trakmoor
