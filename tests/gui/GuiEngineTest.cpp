#include "GuiTestSupport.h"

#include "gui/GuiButton.h"

#include <gtest/gtest.h>
#include <libintl.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace guitest;

namespace {

bool isFullscreen(const AppWindow* window) {
    return (SDL_GetWindowFlags(window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
           SDL_WINDOW_FULLSCREEN_DESKTOP;
}

} // namespace

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
        EXPECT_EQ(GuiEngine::loadFont(14), nullptr);
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
        SDL_RendererInfo info{};
        SDL_GetRendererInfo(window->renderer.get(), &info);
        EXPECT_NE(info.flags & SDL_RENDERER_SOFTWARE, 0u) << wine;
        EXPECT_EQ(engine.activeWindowId, window->id) << "the first window is the active one";
    }
}

TEST(GuiEngineLoop, ClosingAnyWindowEndsTheLoopAfterEveryWindowHearsOfIt) {
    TestEngine engine;
    AppWindow* main = openWindow(engine, 200, 100);
    AppWindow* other = openWindow(engine, 100, 100);
    pushWindowEvent(other, SDL_WINDOWEVENT_CLOSE);
    engine.runFrame(0);
    EXPECT_TRUE(engine.stopped);
    ASSERT_EQ(engine.sdlEvents.size(), 3u);
    // The window that was closed sees the event neutralised; then everyone gets a close.
    EXPECT_EQ(engine.sdlEvents[0].window.event, SDL_WINDOWEVENT_NONE);
    EXPECT_EQ(engine.eventWindows, (std::vector<AppWindow*>{other, main, other}));
    EXPECT_EQ(engine.sdlEvents[2].window.event, SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(engine.drawCount, 2) << "that frame is still drawn";
}

TEST(GuiEngineLoop, RunEndsOnCloseOrQuitAndLeavesTheApplicationsTextDomainAlone) {
    for (const bool quit : {false, true}) {
        TestEngine engine;
        AppWindow* window = openWindow(engine, 100, 100);
        const std::string domainBefore = textdomain(nullptr);
        SDL_Event event{};
        event.type = SDL_USEREVENT; // run throws the first queued event away
        SDL_PushEvent(&event);
        if (quit) {
            event.type = SDL_QUIT;
            SDL_PushEvent(&event);
        } else {
            pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
        }
        engine.run();
        EXPECT_TRUE(engine.stopped);
        EXPECT_EQ(std::string(textdomain(nullptr)), domainBefore);
    }
    // Without a catalogue, the toolkit's identifiers come back unchanged.
    EXPECT_STREQ(guiText("Schriftart konnte nicht geladen werden: "),
                 "Schriftart konnte nicht geladen werden: ");
}

TEST(GuiEngineLoop, QueuedMotionsArriveAsOneAndWindowlessEventsGoToTheActiveWindow) {
    TestEngine engine;
    openWindow(engine, 200, 200);
    AppWindow* second = openWindow(engine, 200, 200);
    for (int i = 0; i < 10; ++i) {
        pushMotion(second, 10 + i, 20 + 2 * i);
    }
    pushKey(second, SDLK_a);
    engine.runFrame(0);
    ASSERT_EQ(engine.sdlEvents.size(), 1u);
    EXPECT_EQ(engine.sdlEvents[0].type, SDL_MOUSEMOTION);
    EXPECT_EQ(engine.sdlEvents[0].motion.x, 19);
    EXPECT_EQ(engine.sdlEvents[0].motion.y, 38);
    engine.runFrame(0); // one event per frame: the key waits for the next one
    ASSERT_EQ(engine.sdlEvents.size(), 2u);
    EXPECT_EQ(engine.sdlEvents[1].type, SDL_KEYDOWN);

    pushButton(second, true, 5, 5); // a press makes its window the active one
    pushKey(nullptr, SDLK_b);       // window id 0
    runUntilIdle(engine, 0);
    EXPECT_EQ(engine.activeWindowId, second->id);
    EXPECT_EQ(engine.eventWindows.back(), second);
}

TEST(GuiEngineFullscreenKey, OnlyAPlainF11OnTheMainWindowToggles) {
    const struct {
        const char* what;
        Uint16 modifiers;
        bool repeat, toDialog, modal, consumed, toggles;
    } cases[] = {
        {"plain", KMOD_NONE, false, false, false, true, true},
        {"num lock does not count", KMOD_NUM, false, false, false, true, true},
        {"ctrl", KMOD_LCTRL, false, false, false, false, false},
        {"repeat is swallowed", KMOD_NONE, true, false, false, true, false},
        {"in a dialog", KMOD_NONE, false, true, false, false, false},
        {"while modal", KMOD_NONE, false, false, true, false, false},
    };
    for (const auto& c : cases) {
        TestEngine engine;
        AppWindow* main = openWindow(engine, 200, 150);
        engine.mainWindow = main;
        AppWindow* dialog = engine.createDialogWindow(&engine, "dialog", SDL_WINDOWPOS_CENTERED,
                                                      SDL_WINDOWPOS_CENTERED, 100, 80, 0, 0);
        discardQueuedEvents();
        if (c.modal) {
            engine.setModal(dialog->root.get());
        }
        pushKey(c.toDialog ? dialog : main, SDLK_F11, c.modifiers, c.repeat);
        engine.runFrame(0);
        const bool seen = std::any_of(engine.sdlEvents.begin(), engine.sdlEvents.end(),
                                      [](const SDL_Event& e) { return e.type == SDL_KEYDOWN; });
        EXPECT_EQ(seen, !c.consumed) << c.what;
        EXPECT_EQ(isFullscreen(main), c.toggles) << c.what;
        if (c.toggles) {
            pushKey(main, SDLK_F11);
            runUntilIdle(engine, 0); // the switch itself queues window events first
            EXPECT_FALSE(isFullscreen(main)) << "a second F11 goes back to a window";
        }
    }
}

TEST(GuiEngineWindows, DialogIsCentredOverTheMainWindow) {
    TestEngine engine;
    engine.mainWindow = engine.createWindow(&engine, "main", 100, 120, 400, 300, 0, 0xFFFFFFFF);
    // Only a centred coordinate is replaced; an explicit one is kept.
    AppWindow* dialog = engine.createDialogWindow(&engine, "dialog", SDL_WINDOWPOS_CENTERED, 7, 160,
                                                  120, 0, 0xFFFFFFFF);
    ASSERT_NE(dynamic_cast<GuiDialog*>(dialog->root.get()), nullptr);
    int x = 0, y = 0;
    SDL_GetWindowPosition(dialog->sdlWindow.get(), &x, &y);
    EXPECT_EQ(x, 100 + (400 - 160) / 2);
    EXPECT_EQ(y, 7);
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
    EXPECT_EQ(engine.windowList(), std::vector<AppWindow*>{main});
    EXPECT_EQ(engine.activeWindowId, main->id);
    EXPECT_EQ(engine.secondaryWindowId, 0u);
    EXPECT_EQ(engine.modalObject, nullptr);
    EXPECT_TRUE(engine.destroyWindow(main->id));
    EXPECT_EQ(engine.mainWindow, nullptr);
    EXPECT_EQ(engine.activeWindowId, 0u);
}

// Under the address sanitizer a texture destroyed after its renderer would show here.
TEST(GuiEngineWindows, GivenUpTexturesLiveThreeMoreFramesOrUntilTheirWindowGoes) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 200, 100);
    SDL_Renderer* renderer = window->renderer.get();
    engine.releaseTextureLater(renderer, SDL_CreateTexture(renderer, SDL_PIXELFORMAT_RGBA8888,
                                                           SDL_TEXTUREACCESS_STATIC, 4, 4));
    engine.runFrame(0);
    engine.runFrame(0);
    EXPECT_EQ(engine.pendingTextureCount(renderer), 1u);
    engine.runFrame(0);
    EXPECT_EQ(engine.pendingTextureCount(renderer), 0u);

    window->root->cacheMode = GuiWindow::CacheMode::Always;
    window->root->add(std::make_unique<GuiButton>(window->root.get(), 1, 10, 10, 80, 24, 0, "OK",
                                                  engine.defaultFont(), 0));
    engine.runFrame(0);
    EXPECT_GT(engine.pendingTextureCount(renderer), 0u) << "the label's texture";
    EXPECT_TRUE(engine.destroyWindow(window->id));
    EXPECT_TRUE(engine.windows.empty());
}
