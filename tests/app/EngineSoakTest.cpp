// Random keys (of both tables and others), clicks and drags anywhere in either window, wheel,
// text, window sizes, dropped files that exist or not, and commands of any code and id, against
// the engine with the sample; TRAKMOOR_SOAK_EVENTS (default 3000) and TRAKMOOR_SOAK_SEED.
#include "EngineDriver.h"
#include "gui/TempDir.h"
#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#if defined(__SANITIZE_ADDRESS__) // not every compiler package ships ASan's header
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#else
#include <malloc.h>
#endif

namespace trakmoor {
namespace {

double heapMegabytes() { // with ASan without its quarantine of freed blocks
#if defined(__SANITIZE_ADDRESS__)
    return double(__sanitizer_get_current_allocated_bytes()) / (1 << 20);
#else
    return double(mallinfo2().uordblks) / (1 << 20);
#endif
}

TEST(EngineSoak, RandomEventsLeaveTheEngineSound) {
    auto setting = [](const char* name, unsigned long long fallback) {
        const char* text = std::getenv(name);
        return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
    };
    const int events = int(setting("TRAKMOOR_SOAK_EVENTS", 3000));
    const auto seed = setting("TRAKMOOR_SOAK_SEED", 20240611);
    const TempDir tmp;
    const std::filesystem::path& dir = tmp.path();
    std::filesystem::create_directories(dir / "dir.gpx");
    std::filesystem::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", dir / "ride.GPX");
    std::filesystem::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm",
                               dir / "ride.osm");
    std::ofstream(dir / "empty.osm").flush();
    const auto start = std::chrono::steady_clock::now();
    EngineDriver d;
    TrakmoorEngine& engine = *d.engine;
    std::filesystem::current_path(dir); // what the dialogs open is the soak's own
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
        AppWindow* to = d.dialog() && pick(2) ? d.dialog()->appWindow : d.window;
        SDL_Event event = guitest::eventFor(to, SDL_MOUSEMOTION);
        const int x = pick(to->width + 40) - 20, y = pick(to->height + 40) - 20, kind = pick(100);
        if (kind == 0) {
            SDL_SetWindowSize(d.window->sdlWindow.get(), 850 + pick(500), 650 + pick(300));
        } else if (kind == 1) {
            event.drop = {SDL_DROPFILE, 0, SDL_strdup((dir / files[pick(6)]).c_str()), to->id};
        } else if (kind < 10) { // a command as a control of either window might post it
            GuiEvent command{GuiEventCommand,
                             to->id,
                             pick(9) ? 1000 + pick(4) * pick(2) * 3 : 9999,
                             pick(4) ? 100 + pick(34) : pick(200) - 2,
                             pick(5) - 1,
                             to->root.get()};
            engine.handleEvent(to, &command);
        } else if (kind < 40) {
            event.key.type = pick(4) ? SDL_KEYDOWN : SDL_KEYUP;
            event.key.keysym.sym = pick(5) ? keys[pick(int(std::size(keys)))] : pick(0x80);
            event.key.keysym.mod = modifiers[pick(6)];
        } else if (kind < 50) {
            event.text.type = SDL_TEXTINPUT;
            for (int i = pick(8); i > 0; --i) {
                event.text.text[i - 1] = "17- a/.x"[pick(8)];
            }
        } else if (kind < 80) {
            event.button.type = pick(2) ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
            event.button.button = Uint8(1 + pick(3)), event.button.clicks = Uint8(1 + pick(2));
            event.button.x = x, event.button.y = y;
        } else if (kind < 90) {
            event.motion.x = x, event.motion.y = y;
        } else {
            event.wheel = {SDL_MOUSEWHEEL, 0, to->id, 0, pick(3) - 1, pick(5) - 2, 0, 0, 0, x, y};
        }
        if (kind == 1 || kind >= 10) {
            engine.routeEvent(event); // as the main loop routes a polled event
        }
        if (kind == 1) {
            SDL_free(event.drop.file);
        }
        for (std::uint32_t id : std::exchange(engine.pendingClose, {})) {
            engine.destroyWindow(id);
        }
        if (done % 8 == 0) { // frames draw, repeat held buttons and take up new window sizes
            engine.runFrame(d.ticks += 1 + pick(40));
        }
        if (done % 1000 == 0 || done == events) {
            SCOPED_TRACE(done);
            const Track* track = engine.currentTrack();
            const int last = track ? track->pointCount() - 1 : -1;
            for (int index :
                 {engine.document().marks().cursorIndex, engine.document().marks().markerA,
                  engine.document().marks().markerB}) {
                EXPECT_TRUE(index >= -1 && index <= last) << index;
            }
            EXPECT_TRUE(last < 0 || engine.document().marks().cursorIndex >= 0);
            for (int angle : {engine.viewState().angleX, engine.viewState().angleY,
                              engine.viewState().angleZ}) {
                EXPECT_TRUE(angle >= 0 && angle < 360) << angle;
            }
            EXPECT_TRUE(engine.viewState().zoom >= 0.05 && engine.viewState().zoom <= 50.0)
                << engine.viewState().zoom;
            EXPECT_LE(engine.windowList().size(), 2u) << "the main window and one dialog";
            EXPECT_EQ(engine.findWindow(d.window->id), d.window);
        }
        if (events >= 4 && done % (events / 4) == 0) {
            quarterHeap = done == events / 4 ? heapMegabytes() : quarterHeap;
            std::cout << done << " events: heap " << heapMegabytes() << " MB\n";
        }
    }
    std::cout << "soak of " << events << " events, seed " << seed << ": "
              << std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()
              << " s\n";
    EXPECT_LE(heapMegabytes() - quarterHeap, 10.0);
    std::filesystem::current_path(TRAKMOOR_BUILD_DIR);
}

} // namespace
} // namespace trakmoor
