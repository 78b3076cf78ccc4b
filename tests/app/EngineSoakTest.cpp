// Random events against the engine with the sample track: keys of both tables and others, clicks
// and drags anywhere in either window, the wheel, text, window sizes, dropped files that exist or
// not, and commands of any code and id.  TRAKMOOR_SOAK_EVENTS (default 3000) and
// TRAKMOOR_SOAK_SEED choose the run; the engine must stay sound throughout.

#include "EngineDriver.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <random>

#if defined(__SANITIZE_ADDRESS__) // declared here: not every compiler package ships the header
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

// Heap in use; with ASan not counting its quarantine of freed blocks.
double heapMegabytes() {
#if defined(__SANITIZE_ADDRESS__)
    return double(__sanitizer_get_current_allocated_bytes()) / (1 << 20);
#else
    return double(mallinfo2().uordblks) / (1 << 20);
#endif
}

std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
    const char* text = std::getenv(name);
    return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

TEST(EngineSoak, RandomEventsLeaveTheEngineSound) {
    const auto events = int(fromEnvironment("TRAKMOOR_SOAK_EVENTS", 3000));
    const std::uint64_t seed = fromEnvironment("TRAKMOOR_SOAK_SEED", 20240611);
    const fs::path dir = fs::temp_directory_path() / ("trakmoor-soak-" + std::to_string(getpid()));
    fs::create_directories(dir / "dir.gpx");
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", dir / "ride.GPX");
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", dir / "ride.osm");
    std::ofstream(dir / "empty.osm").flush();
    const auto start = std::chrono::steady_clock::now();
    EngineDriver driver;
    TrakmoorEngine& engine = *driver.engine;
    fs::current_path(dir); // what the dialogs find and open is the soak's own
    std::mt19937_64 random(seed);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const SDL_Keycode keys[] = {SDLK_o,        SDLK_PLUS, SDLK_KP_PLUS, SDLK_MINUS,  SDLK_KP_MINUS,
                                SDLK_ESCAPE,   SDLK_F11,  SDLK_HOME,    SDLK_END,    SDLK_PAGEUP,
                                SDLK_PAGEDOWN, SDLK_a,    SDLK_b,       SDLK_w,      SDLK_h,
                                SDLK_d,        SDLK_m,    SDLK_c,       SDLK_f,      SDLK_LEFT,
                                SDLK_RIGHT,    SDLK_UP,   SDLK_DOWN,    SDLK_RETURN, SDLK_TAB};
    const Uint16 modifiers[] = {0, 0, KMOD_LSHIFT, KMOD_LCTRL, KMOD_RALT, KMOD_LGUI};
    const char* files[] = {"ride.GPX", "ride.osm", "empty.osm", "a.txt", "gone.gpx", "dir.gpx"};
    double quarterHeap = 0.0;
    for (int done = 1; done <= events && !::testing::Test::HasFailure(); ++done) {
        // Half of the events go to the file dialog while one is open.
        AppWindow* to = driver.dialog() && pick(2) ? driver.dialog()->appWindow : driver.window;
        SDL_Event event = guitest::eventFor(to, SDL_FIRSTEVENT);
        const int x = pick(to->width + 40) - 20, y = pick(to->height + 40) - 20;
        switch (const int kind = pick(100); kind % 10) {
        case 0:
            if (kind < 10) {
                SDL_SetWindowSize(driver.window->sdlWindow.get(), 850 + pick(500), 650 + pick(300));
            } else if (kind < 20) {
                event.type = SDL_DROPFILE;
                event.drop.file = SDL_strdup((dir / files[pick(6)]).c_str());
            } else { // a command as a control of either window might post it
                GuiEvent command{GuiEventCommand,
                                 to->id,
                                 pick(9) ? 1000 + pick(4) * pick(3) : 9999,
                                 pick(4) ? 100 + pick(34) : pick(200) - 2,
                                 pick(5) - 1,
                                 to->root.get()};
                engine.handleEvent(to, &command);
            }
            break;
        case 1:
        case 2:
        case 3:
            event.type = pick(4) ? SDL_KEYDOWN : SDL_KEYUP;
            event.key.keysym.sym =
                pick(5) ? keys[pick(int(std::size(keys)))] : SDL_Keycode(pick(0x80));
            event.key.keysym.mod = modifiers[pick(6)];
            break;
        case 4:
            event.type = SDL_TEXTINPUT;
            for (int i = pick(8); i > 0; --i) {
                event.text.text[i - 1] = "17- a/.x"[pick(8)];
            }
            break;
        case 5:
        case 6:
        case 7:
            event.type = pick(2) ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button = {event.type,         0, to->id, 0, Uint8(1 + pick(3)), 0,
                            Uint8(1 + pick(2)), 0, x,      y};
            break;
        case 8:
            event.type = SDL_MOUSEMOTION;
            event.motion.x = x, event.motion.y = y;
            break;
        default:
            event.type = SDL_MOUSEWHEEL;
            event.wheel.x = pick(3) - 1, event.wheel.y = pick(5) - 2;
            event.wheel.mouseX = x, event.wheel.mouseY = y;
        }
        if (event.type != SDL_FIRSTEVENT) {
            engine.routeEvent(event); // as the main loop does with a polled event
        }
        if (event.type == SDL_DROPFILE) {
            SDL_free(event.drop.file);
        }
        for (std::uint32_t id : std::exchange(engine.pendingClose, {})) {
            engine.destroyWindow(id);
        }
        if (done % 8 == 0) { // frames draw, repeat held buttons and take up new window sizes
            engine.runFrame(driver.ticks += 1 + pick(40));
        }
        if (done % 1000 == 0 || done == events) {
            SCOPED_TRACE(done);
            const Track* track = engine.currentTrack();
            const int last = track ? track->pointCount() - 1 : -1;
            for (int index : {engine.doc.cursorIndex, engine.doc.markerA, engine.doc.markerB}) {
                EXPECT_TRUE(index >= -1 && index <= last) << index;
            }
            EXPECT_TRUE(last < 0 || engine.doc.cursorIndex >= 0);
            for (int angle : {engine.view.angleX, engine.view.angleY, engine.view.angleZ}) {
                EXPECT_TRUE(angle >= 0 && angle < 360) << angle;
            }
            EXPECT_TRUE(engine.view.zoom >= 0.05 && engine.view.zoom <= 50.0) << engine.view.zoom;
            EXPECT_LE(engine.windowList().size(), 2u) << "the main window and one dialog";
            EXPECT_EQ(engine.findWindow(driver.window->id), driver.window);
        }
        if (events >= 4 && done % (events / 4) == 0) {
            std::cout << done << " events: heap " << heapMegabytes() << " MB\n";
            quarterHeap = done == events / 4 ? heapMegabytes() : quarterHeap;
        }
    }
    std::cout << "soak of " << events << " events, seed " << seed << ": "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
              << " s, heap " << quarterHeap << " MB after a quarter, " << heapMegabytes()
              << " MB at the end\n";
    EXPECT_LE(heapMegabytes() - quarterHeap, 10.0);
    fs::current_path(TRAKMOOR_BUILD_DIR);
    fs::remove_all(dir);
}

} // namespace
} // namespace trakmoor
