#include "GuiTestSupport.h"

#include "gui/GuiButton.h"

#include <gtest/gtest.h>
#include <libintl.h>

#include <cstdlib>
#include <filesystem>
#include <string>

using namespace guitest;

namespace {

bool isFullscreen(const AppWindow* window) {
    return (SDL_GetWindowFlags(window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
           SDL_WINDOW_FULLSCREEN_DESKTOP;
}

bool sawKey(const TestEngine& engine, SDL_Keycode key) {
    for (const SDL_Event& event : engine.sdlEvents) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == key) {
            return true;
        }
    }
    return false;
}

Uint32 rendererFlags(const AppWindow* window) {
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(window->renderer.get(), &info);
    return info.flags;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Start-up, fonts, renderer choice

TEST(GuiEngineStartup, FontComesFromTheBuiltInImageWhateverTheWorkingFolder) {
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    {
        TestEngine engine;
        EXPECT_NE(engine.defaultFont(), nullptr);
        ASSERT_NE(engine.fontFace(), nullptr);
        EXPECT_EQ(engine.fontFace()->charmap->encoding, FT_ENCODING_UNICODE);
        EXPECT_EQ(engine.fontFace()->size->metrics.y_ppem, 14);

        // Without the memory image the file is looked for, and it is not in this folder.
        GuiEngine::setEmbeddedFont(nullptr, 0);
        TTF_Font* fromFile = GuiEngine::loadFont(14);
        EXPECT_EQ(fromFile, nullptr);
        TTF_CloseFont(fromFile);
        auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
    }
    std::filesystem::current_path(previous);
}

// ctest runs every test in a process of its own, so the environment can be changed freely.
// Without a GPU the renderer falls back to software; under Wine software is chosen directly.
TEST(GuiEngineStartup, WindowGetsTheSoftwareRendererWithoutGpuOrUnderWine) {
    unsetenv("SDL_RENDER_DRIVER");
    for (const bool wine : {false, true}) {
        wine ? setenv("WINEUSERNAME", "someone", 1) : unsetenv("WINEUSERNAME");
        TestEngine engine;
        AppWindow* window = openWindow(engine, 120, 80);
        ASSERT_NE(window, nullptr);
        EXPECT_NE(rendererFlags(window) & SDL_RENDERER_SOFTWARE, 0u) << wine;
        EXPECT_EQ(engine.activeWindowId, window->id) << "the first window is the active one";
    }
}

// ---------------------------------------------------------------------------------------------
// The loop: closing, quitting, coalescing, text domain

TEST(GuiEngineLoop, ClosingAnyWindowEndsTheLoopAfterEveryWindowHearsOfIt) {
    TestEngine engine;
    AppWindow* main = openWindow(engine, 200, 100);
    AppWindow* other = openWindow(engine, 100, 100);
    pushWindowEvent(other, SDL_WINDOWEVENT_CLOSE);
    engine.runFrame(0);

    EXPECT_TRUE(engine.quitRequested);
    EXPECT_TRUE(engine.stopped);
    ASSERT_EQ(engine.sdlEvents.size(), 3u);
    // The window that was closed sees the event neutralised; then everyone gets a close.
    EXPECT_EQ(engine.eventWindows[0], other);
    EXPECT_EQ(engine.sdlEvents[0].window.event, SDL_WINDOWEVENT_NONE);
    EXPECT_EQ(engine.eventWindows[1], main);
    EXPECT_EQ(engine.sdlEvents[1].window.event, SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(engine.eventWindows[2], other);
    EXPECT_EQ(engine.sdlEvents[2].window.event, SDL_WINDOWEVENT_CLOSE);
    // That frame is still drawn.
    EXPECT_EQ(engine.drawCount, 2);
}

TEST(GuiEngineLoop, RunReturnsOnCloseAndLeavesTheApplicationsTextDomainAlone) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 100, 100);
    const std::string domainBefore = textdomain(nullptr);
    const char* langBefore = std::getenv("LANG");
    const std::string langText = langBefore != nullptr ? langBefore : "<unset>";

    SDL_Event first{};
    first.type = SDL_USEREVENT; // run throws the first queued event away
    SDL_PushEvent(&first);
    pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
    engine.run();

    EXPECT_TRUE(engine.stopped);
    EXPECT_EQ(std::string(textdomain(nullptr)), domainBefore);
    const char* langAfter = std::getenv("LANG");
    EXPECT_EQ(langAfter != nullptr ? std::string(langAfter) : "<unset>", langText);
    // Without a catalogue, the toolkit's identifiers come back unchanged.
    EXPECT_STREQ(guiText("Schriftart konnte nicht geladen werden: "),
                 "Schriftart konnte nicht geladen werden: ");
}

TEST(GuiEngineLoop, QuitRequestEndsTheLoopEvenWithAWindowToReceiveIt) {
    TestEngine engine;
    openWindow(engine, 100, 100);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    engine.runFrame(0);
    EXPECT_TRUE(engine.stopped);
}

TEST(GuiEngineLoop, QueuedMouseMotionsArriveAsOneWithTheLastPosition) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 200, 200);
    for (int i = 0; i < 10; ++i) {
        pushMotion(window, 10 + i, 20 + 2 * i);
    }
    pushKey(window, SDLK_a);
    engine.runFrame(0);
    ASSERT_EQ(engine.sdlEvents.size(), 1u);
    EXPECT_EQ(engine.sdlEvents[0].type, SDL_MOUSEMOTION);
    EXPECT_EQ(engine.sdlEvents[0].motion.x, 19);
    EXPECT_EQ(engine.sdlEvents[0].motion.y, 38);
    // One event per frame: the key waits for the next one.
    engine.runFrame(0);
    ASSERT_EQ(engine.sdlEvents.size(), 2u);
    EXPECT_EQ(engine.sdlEvents[1].type, SDL_KEYDOWN);
}

TEST(GuiEngineLoop, EventsWithoutWindowGoToTheActiveWindow) {
    TestEngine engine;
    AppWindow* first = openWindow(engine, 100, 100);
    AppWindow* second = openWindow(engine, 100, 100);
    pushButton(second, true, 5, 5); // a press makes its window the active one
    SDL_Event user{};
    user.type = SDL_USEREVENT;
    SDL_PushEvent(&user);
    pushKey(nullptr, SDLK_b); // window id 0
    runUntilIdle(engine, 0);
    ASSERT_EQ(engine.eventWindows.size(), 3u);
    EXPECT_EQ(engine.activeWindowId, second->id);
    EXPECT_EQ(engine.eventWindows[1], second);
    EXPECT_EQ(engine.eventWindows[2], second);
    (void)first;
}

// ---------------------------------------------------------------------------------------------
// The fullscreen key

TEST(GuiEngineFullscreenKey, OnlyAPlainF11OnTheMainWindowToggles) {
    const struct {
        const char* what;
        Uint16 modifiers;
        bool repeat;
        bool toDialog;
        bool modal;
        bool consumed;
        bool toggles;
    } cases[] = {
        {"plain", KMOD_NONE, false, false, false, true, true},
        {"num lock does not count", KMOD_NUM, false, false, false, true, true},
        {"ctrl", KMOD_LCTRL, false, false, false, false, false},
        {"shift", KMOD_RSHIFT, false, false, false, false, false},
        {"repeat is swallowed", KMOD_NONE, true, false, false, true, false},
        {"in a dialog", KMOD_NONE, false, true, false, false, false},
        {"while modal", KMOD_NONE, false, false, true, false, false},
    };
    for (const auto& c : cases) {
        TestEngine engine;
        AppWindow* main = openWindow(engine, 200, 150);
        engine.mainWindow = main;
        AppWindow* dialog =
            engine.createDialogWindow(&engine, "dialog", SDL_WINDOWPOS_CENTERED,
                                      SDL_WINDOWPOS_CENTERED, 100, 80, 0, 0xFFFFFFFF);
        discardQueuedEvents();
        if (c.modal) {
            engine.setModal(dialog->root.get());
        }
        pushKey(c.toDialog ? dialog : main, SDLK_F11, c.modifiers, c.repeat);
        engine.runFrame(0);
        EXPECT_EQ(sawKey(engine, SDLK_F11), !c.consumed) << c.what;
        EXPECT_EQ(isFullscreen(main), c.toggles) << c.what;
        if (c.toggles) {
            pushKey(main, SDLK_F11);
            runUntilIdle(engine, 0); // the switch itself queues window events first
            EXPECT_FALSE(isFullscreen(main)) << "a second F11 goes back to a window";
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Windows: dialogs, destruction, resizing, late texture release

TEST(GuiEngineWindows, DialogIsCentredOverTheMainWindow) {
    TestEngine engine;
    AppWindow* main = engine.createWindow(&engine, "main", 100, 120, 400, 300, 0, 0xFFFFFFFF);
    engine.mainWindow = main;
    // Only a centred coordinate is replaced; an explicit one is kept.
    AppWindow* dialog = engine.createDialogWindow(&engine, "dialog", SDL_WINDOWPOS_CENTERED, 7, 100,
                                                  50, 0, 0xFFFFFFFF);
    ASSERT_NE(dialog, nullptr);
    ASSERT_NE(dynamic_cast<GuiDialog*>(dialog->root.get()), nullptr);
    int dx = 0;
    int dy = 0;
    SDL_GetWindowPosition(dialog->sdlWindow.get(), &dx, &dy);
    EXPECT_EQ(dx, 100 + (400 - 100) / 2);
    EXPECT_EQ(dy, 7);
}

TEST(GuiEngineWindows, WindowClosedFromAHandlerGoesAfterTheEventAndTakesItsPointers) {
    TestEngine engine;
    AppWindow* main = openWindow(engine, 200, 100);
    AppWindow* dialog = openWindow(engine, 100, 100);
    engine.mainWindow = main;
    engine.secondaryWindowId = dialog->id;
    auto* control =
        dialog->root->add(std::make_unique<ProbeControl>(dialog->root.get(), 5, 0, 0, 50, 50, 0));
    engine.setModal(dialog->root.get());
    const std::uint32_t dialogId = dialog->id;
    control->onEvent = [&](ProbeControl*, GuiEvent*) {
        engine.closeWindowLater(dialogId);
        EXPECT_NE(engine.findWindow(dialogId), nullptr) << "not while the event is handled";
    };
    pushButton(dialog, true, 10, 10);
    engine.runFrame(0);
    EXPECT_EQ(engine.findWindow(dialogId), nullptr);
    EXPECT_EQ(engine.windowList(), std::vector<AppWindow*>{main});
    EXPECT_EQ(engine.activeWindowId, main->id);
    EXPECT_EQ(engine.secondaryWindowId, 0u);
    EXPECT_EQ(engine.modalObject, nullptr);
    EXPECT_EQ(engine.mainWindow, main);
    EXPECT_FALSE(engine.destroyWindow(dialogId));
    EXPECT_TRUE(engine.destroyWindow(main->id));
    EXPECT_EQ(engine.mainWindow, nullptr);
    EXPECT_EQ(engine.activeWindowId, 0u);
}

TEST(GuiEngineWindows, GivenUpTexturesLiveThreeMoreFrames) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 100, 100);
    SDL_Renderer* renderer = window->renderer.get();
    engine.releaseTextureLater(renderer, SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA8888,
                                                           SDL_TEXTUREACCESS_STATIC, 4, 4));
    EXPECT_EQ(engine.pendingTextureCount(renderer), 1u);
    engine.runFrame(0);
    engine.runFrame(0);
    EXPECT_EQ(engine.pendingTextureCount(renderer), 1u);
    engine.runFrame(0);
    EXPECT_EQ(engine.pendingTextureCount(renderer), 0u);
}

TEST(GuiEngineWindows, DestroyingAWindowWithCachedControlsReleasesEverythingCleanly) {
    // Run under the address sanitizer: a texture destroyed after its renderer would show here.
    TestEngine engine;
    AppWindow* window = openWindow(engine, 200, 100);
    window->root->cacheMode = GuiWindow::CacheMode::Always;
    window->root->add(std::make_unique<GuiButton>(window->root.get(), 1, 10, 10, 80, 24, 0, "OK",
                                                  engine.defaultFont(), 0));
    engine.runFrame(0);
    EXPECT_GT(engine.pendingTextureCount(window->renderer.get()), 0u) << "the label's texture";
    EXPECT_TRUE(engine.destroyWindow(window->id));
    EXPECT_TRUE(engine.windows.empty());
}

TEST(GuiEngineWindows, DialogRootCanBeBuiltWithItsWindowAtHand) {
    class NamedDialog : public GuiDialog {
    public:
        NamedDialog(AppWindow& window)
            : GuiDialog(nullptr, -1, 0, 0, window.width, window.height, 0xFFC8C8C8u),
              rendererAtBirth(window.renderer.get()) {}
        SDL_Renderer* rendererAtBirth;
    };
    TestEngine engine;
    AppWindow* window = engine.createDialogWindow(
        &engine, "Open", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 160, 120, 0,
        [](AppWindow& record) { return std::make_unique<NamedDialog>(record); });
    ASSERT_NE(window, nullptr);
    auto* dialog = dynamic_cast<NamedDialog*>(window->root.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->rendererAtBirth, window->renderer.get());
    EXPECT_EQ(dialog->appWindow, window);
    EXPECT_EQ(dialog->engine, &engine);
}
