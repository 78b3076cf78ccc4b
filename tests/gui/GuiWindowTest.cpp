#include "GuiTestSupport.h"

#include "gui/GuiButton.h"
#include "gui/GuiPanels.h"

#include <gtest/gtest.h>

using namespace guitest;

namespace {

class GuiWindowTest : public WindowTest {
protected:
    GuiWindowTest() : WindowTest(200, 150, 0xFFFFFFFFu) {}
};

} // namespace

TEST_F(GuiWindowTest, LaterChildIsOnTopForTheMouseAndThePicture) {
    ProbeControl* below = addProbe(window, 1, {10, 10, 100, 100}, 0xFF0000FFu);
    ProbeControl* above = addProbe(window, 2, {50, 50, 100, 80}, 0xFFFF0000u);
    click(engine, window, 60, 60, 0);
    EXPECT_TRUE(below->types.empty());
    EXPECT_EQ(above->count(SDL_MOUSEBUTTONDOWN), 1);
    EXPECT_EQ(above->localPositions.front().x, 10);
    EXPECT_EQ(pixelAt(window, 60, 60), rgb(0, 0, 255));
    EXPECT_EQ(pixelAt(window, 20, 20), rgb(255, 0, 0));
    EXPECT_EQ(root->hitTest(199, 149), root);
    EXPECT_EQ(root->hitTest(200, 10), nullptr);
}

TEST_F(GuiWindowTest, PressFocusesAndCapturesTheReleaseGoesToTheCaptureWherever) {
    ProbeControl* left = addProbe(window, 1, {0, 0, 50, 50});
    ProbeControl* right = addProbe(window, 2, {100, 0, 50, 50});
    pushButton(window, true, 10, 10);
    pushMotion(window, 120, 30); // dragging over another control
    pushButton(window, false, 120, 30);
    runUntilIdle(engine, 0);
    EXPECT_EQ(root->focus, left);
    EXPECT_EQ(left->count(SDL_MOUSEMOTION), 1);
    EXPECT_EQ(left->count(SDL_MOUSEBUTTONUP), 1);
    EXPECT_EQ(left->localPositions.back().x, 120);
    EXPECT_TRUE(right->types.empty());
    EXPECT_EQ(right->enters, 0) << "no hover changes while captured";

    // Keys go to the focus; a press elsewhere moves it; a press on empty area changes nothing.
    pushKey(window, SDLK_x);
    runUntilIdle(engine, 0);
    click(engine, window, 110, 10, 0);
    EXPECT_EQ(left->count(SDL_KEYDOWN), 1);
    EXPECT_EQ(left->focusLosses, 1);
    EXPECT_EQ(root->focus, right);
    click(engine, window, 190, 140, 0);
    EXPECT_EQ(root->focus, right);
    EXPECT_EQ(right->count(SDL_MOUSEBUTTONUP), 2);
}

TEST_F(GuiWindowTest, HoverFollowsThePointerAndWheelGoesToAControlThatWantsIt) {
    ProbeControl* list = addProbe(window, 1, {0, 0, 50, 50});
    list->takesWheel = true;
    ProbeControl* plain = addProbe(window, 2, {60, 0, 50, 50});
    for (int x : {10, 20, 70, 150}) {
        pushMotion(window, x, 10);
        runUntilIdle(engine, 0);
    }
    EXPECT_EQ(list->enters, 1);
    EXPECT_EQ(list->leaves, 1);
    EXPECT_EQ(plain->enters, 1);
    EXPECT_EQ(plain->leaves, 1);
    EXPECT_EQ(root->hover, nullptr);

    click(engine, window, 70, 10, 0); // plain has the focus and gets the other turns
    pushWheel(window, 10, 10, 1);
    pushWheel(window, 70, 10, 1);
    pushWheel(window, 190, 140, 1);
    runUntilIdle(engine, 0);
    EXPECT_EQ(list->count(SDL_MOUSEWHEEL), 1);
    EXPECT_EQ(plain->count(SDL_MOUSEWHEEL), 2);

    // Only an editable focus takes the text focus.
    auto* editable = root->add(std::make_unique<EditableProbe>(root, 3, 0, 60, 50, 50, 0));
    root->setFocus(editable);
    EXPECT_EQ(engine.textFocus, static_cast<IEditable*>(editable));
    root->setFocus(plain);
    EXPECT_EQ(engine.textFocus, nullptr);
}

TEST_F(GuiWindowTest, PopupsStackAndCloseFromTheTop) {
    auto* lower = root->openPopup(std::make_unique<ProbeControl>(root, 1, 0, 0, 100, 100, 0));
    auto* upper = root->openPopup(std::make_unique<ProbeControl>(root, 2, 50, 50, 100, 100, 0));
    auto* top = root->openPopup(std::make_unique<ProbeControl>(root, 3, 100, 0, 50, 50, 0));
    EXPECT_FALSE(SDL_IsTextInputActive());
    // Moving over a lower popup makes it the active one.
    pushMotion(window, 10, 10);
    runUntilIdle(engine, 0);
    EXPECT_EQ(root->activePopup, lower);
    root->closePopupsAbove(lower);
    EXPECT_EQ(root->pendingDelete, (std::vector<GuiObject*>{top, upper}));
    root->closeTopPopup();
    EXPECT_TRUE(SDL_IsTextInputActive()) << "text fields type again once no popup is left";
    root->openPopup(std::make_unique<ProbeControl>(root, 4, 0, 0, 100, 100, 0));
    // Losing the window focus closes the rest.
    pushWindowEvent(window, SDL_WINDOWEVENT_FOCUS_LOST);
    runUntilIdle(engine, 0);
    EXPECT_TRUE(root->popups.empty());
    EXPECT_TRUE(root->children.empty());
}

TEST_F(GuiWindowTest, TooltipShowsAfterHalfASecondInsideTheWindow) {
    addProbe(window, 2, {0, 0, 50, 50}); // without a tooltip
    ProbeControl* control = addProbe(window, 1, {50, 0, 150, 150}, 0xFF800000u);
    control->tooltip = "Zoom in";
    pushMotion(window, 10, 10);
    engine.runFrame(0);
    engine.runFrame(800);
    EXPECT_FALSE(root->tooltipVisible) << "an empty tooltip never shows";
    pushMotion(window, 195, 145); // the box would pass the bottom-right corner
    engine.runFrame(1000);
    engine.runFrame(1499);
    EXPECT_FALSE(root->tooltipVisible);
    engine.runFrame(1500);
    EXPECT_TRUE(root->tooltipVisible);

    SDL_Point text = GuiObject::textSize(engine.defaultFont(), "Zoom in");
    const SDL_Rect box{200 - (text.x + 12), 150 - (text.y + 6), text.x + 12, text.y + 6};
    EXPECT_EQ(pixelAt(window, box.x, box.y), rgb(0, 0, 0)) << "border";
    EXPECT_EQ(pixelAt(window, box.x + 2, box.y + 1), rgb(255, 255, 225)) << "fill";
    EXPECT_EQ(pixelAt(window, box.x - 1, box.y - 1), rgb(0, 0, 128)) << "nothing outside";
    EXPECT_GT(countPixels(window, {box.x + 6, box.y + 3, text.x, text.y},
                          [](Uint32 p) { return (p & 0xFF) < 64; }),
              0);

    // A press hides it.
    pushButton(window, true, 195, 145);
    engine.runFrame(1600);
    EXPECT_FALSE(root->tooltipVisible);
}

TEST_F(GuiWindowTest, CommandsOfOtherWindowsAreDroppedWhileADialogIsModal) {
    engine.mainWindow = window;
    auto* mainButton = root->add(
        std::make_unique<GuiButton>(root, 100, 10, 10, 60, 24, 0, "Main", engine.defaultFont(), 0));
    auto* edit = root->add(std::make_unique<EditableProbe>(root, 101, 100, 10, 60, 24, 0));
    ProbeControl* captured = addProbe(window, 102, {0, 100, 50, 50});
    pushButton(window, true, 10, 110);
    runUntilIdle(engine, 0);
    root->setFocus(edit);
    ASSERT_EQ(root->capture, captured);

    AppWindow* dialogWindow = engine.createDialogWindow(
        &engine, "Dialog", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 150, 80, 0, 0xFFFFFFFF);
    discardQueuedEvents();
    auto* dialog = dynamic_cast<GuiDialog*>(dialogWindow->root.get());
    ASSERT_NE(dialog, nullptr);
    dialog->add(
        std::make_unique<GuiButton>(dialog, 1, 10, 10, 60, 24, 0, "OK", engine.defaultFont(), 0));
    engine.setModal(dialog);
    EXPECT_EQ(engine.textFocus, nullptr);
    // The capture elsewhere is cancelled with a release outside.
    EXPECT_EQ(root->capture, nullptr);
    ASSERT_EQ(captured->count(SDL_MOUSEBUTTONUP), 1);
    EXPECT_EQ(captured->localPositions.back().x, -1);

    click(engine, window, 20, 20, 0);
    EXPECT_TRUE(engine.commands.empty()) << "main window's click must be dropped";

    click(engine, dialogWindow, 20, 20, 0);
    ASSERT_EQ(engine.commands.size(), 2u);
    EXPECT_EQ(engine.commands[1].code, GuiCmdModalClosed);
    EXPECT_EQ(engine.commands[1].id, GuiModalAccepted);
    EXPECT_EQ(engine.modalObject, nullptr);
    EXPECT_EQ(engine.textFocus, static_cast<IEditable*>(edit));

    // Once the modal state ended, the main window is heard again; a second accept is silent.
    click(engine, window, 20, 20, 0);
    EXPECT_EQ(engine.commands.back().source, mainButton);
    const std::size_t count = engine.commands.size();
    dialog->accept();
    EXPECT_EQ(engine.commands.size(), count);
}

TEST_F(GuiWindowTest, FocusedControlDeletingItselfInItsHandlerIsSafe) {
    bool gone = false;
    auto* edit = root->add(std::make_unique<EditableProbe>(root, 1, 0, 0, 50, 50, 0));
    edit->destroyed = &gone;
    edit->tooltip = "tip";
    edit->onEvent = [&](ProbeControl* self, GuiEvent* event) {
        if (event->sdlEvent->type == SDL_MOUSEBUTTONDOWN) {
            self->deleteLater();
            self->deleteLater(); // twice is once
            EXPECT_FALSE(gone);
        }
    };
    pushMotion(window, 10, 10);
    engine.runFrame(0);
    engine.runFrame(600);
    ASSERT_EQ(root->tooltipObject, edit);
    pushButton(window, true, 10, 10);
    engine.runFrame(700);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(root->children.empty());
    EXPECT_EQ(root->focus, nullptr);
    EXPECT_EQ(root->capture, nullptr);
    EXPECT_EQ(root->hover, nullptr);
    EXPECT_EQ(root->tooltipObject, nullptr);
    EXPECT_EQ(engine.textFocus, nullptr);
    // The release that follows has nowhere to go, and that is fine.
    pushButton(window, false, 10, 10);
    engine.runFrame(800);
}

TEST_F(GuiWindowTest, IdleWindowIsNotRepainted) {
    ProbeControl* probe = addProbe(window, 1, {20, 20, 40, 30});
    engine.runFrame(0);
    const int afterFirst = probe->paints;
    for (int frame = 1; frame <= 5; ++frame) {
        engine.runFrame(frame * 100);
    }
    EXPECT_EQ(probe->paints, afterFirst);
    guitest::pushMotion(window, 200, 200);
    engine.runFrame(600);
    EXPECT_EQ(probe->paints, afterFirst + 1) << "an event may change what shows";
    engine.runFrame(700);
    probe->invalidate();
    engine.runFrame(800);
    EXPECT_EQ(probe->paints, afterFirst + 2);

    // After a resize the window idles again, on a renderer that never caches too.
    SDL_SetWindowSize(window->sdlWindow.get(), 300, 200);
    for (int frame = 0; frame < 2 * GuiWindow::resizeCacheHoldFrames; ++frame) {
        engine.runFrame(900 + frame);
    }
    const int settled = probe->paints;
    engine.runFrame(2000);
    EXPECT_EQ(probe->paints, settled);
    EXPECT_FALSE(root->needsRepaint());
}

TEST_F(GuiWindowTest, CachedControlIsRepaintedOnlyWhenInvalidated) {
    ProbeControl* cached = addProbe(window, 1, {20, 20, 40, 30}, 0xFF00FF00u);
    cached->cached = true;
    // The software renderer paints directly unless told otherwise.
    engine.runFrame(0);
    EXPECT_FALSE(root->cacheSupported);
    EXPECT_FALSE(cached->cacheTexture);

    root->cacheMode = GuiWindow::CacheMode::Always;
    root->requestRepaint();
    const int before = cached->paints;
    for (int frame = 0; frame < 4; ++frame) {
        engine.runFrame(0);
    }
    EXPECT_EQ(cached->paints - before, 1);
    // The copy shows the same picture as painting directly would.
    EXPECT_EQ(pixelAt(window, 20, 20), rgb(0, 255, 0));
    EXPECT_EQ(pixelAt(window, 60, 50), rgb(255, 255, 255));

    cached->colour = SDL_Color{255, 0, 0, 255};
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, 30, 30), rgb(0, 255, 0)) << "stale until invalidated";
    cached->invalidate();
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, 30, 30), rgb(255, 0, 0));

    // A new size makes a new cache texture.
    SDL_Texture* texture = cached->cacheTexture.get();
    cached->width = 50;
    cached->invalidate();
    engine.runFrame(0);
    EXPECT_NE(cached->cacheTexture.get(), texture);
    EXPECT_EQ(pixelAt(window, 69, 30), rgb(255, 0, 0));
}

TEST_F(GuiWindowTest, ResizeStretchesCairoPanelsAndPausesCaching) {
    root->cacheMode = GuiWindow::CacheMode::Always;
    auto* stretching = root->add(
        std::make_unique<GuiCairoPanel>(root, 1, 10, 20, 150, 100, 0, window->renderer.get()));
    auto* fixed = root->add(
        std::make_unique<GuiCairoPanel>(root, 2, 0, 0, 10, 10, 0, window->renderer.get()));
    fixed->stretchWidth = fixed->stretchHeight = false;
    ProbeControl* cached = addProbe(window, 3, {170, 0, 20, 20});
    cached->cached = true;

    SDL_SetWindowSize(window->sdlWindow.get(), 300, 100);
    runUntilIdle(engine, 0);
    EXPECT_EQ(cairo_image_surface_get_width(window->surface.get()), 300);
    // Margins were 40 on the right and 30 at the bottom.
    EXPECT_EQ(stretching->width, 300 - 10 - 40);
    EXPECT_EQ(stretching->height, 100 - 20 - 30);
    EXPECT_EQ(cairo_image_surface_get_width(stretching->surface()), 250);
    EXPECT_EQ(fixed->width, 10);

    const int paintsBefore = cached->paints;
    for (int frame = 0; frame < GuiWindow::resizeCacheHoldFrames + 3; ++frame) {
        engine.runFrame(0);
    }
    // Painted directly through the pause, then once into its cache, then copied.
    EXPECT_LE(cached->paints - paintsBefore, GuiWindow::resizeCacheHoldFrames + 1);
    EXPECT_GE(cached->paints - paintsBefore, GuiWindow::resizeCacheHoldFrames - 2);
    EXPECT_EQ(root->cacheHoldFrames, 0);
}
