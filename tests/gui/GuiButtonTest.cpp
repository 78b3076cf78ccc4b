#include "GuiTestSupport.h"

#include "gui/GuiButton.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

using namespace guitest;

namespace {

class GuiButtonTest : public WindowTest {
protected:
    GuiButtonTest() : WindowTest(200, 150) {}

    GuiButton* addButton(SDL_Rect r, std::uint32_t flags, const std::string& label = "Go") {
        return root->add(std::make_unique<GuiButton>(root, 42, r.x, r.y, r.w, r.h, 0xFF00FF00u,
                                                     label, engine.defaultFont(), flags));
    }
    int buttonCommands() const {
        return static_cast<int>(
            std::count_if(engine.commands.begin(), engine.commands.end(),
                          [](const GuiEvent& e) { return e.code == GuiCmdButton; }));
    }

    const Uint32 background = rgb(0xF0, 0xF0, 0xF0);
};

} // namespace

TEST_F(GuiButtonTest, OnlyAReleaseStrictlyInsideIsAClick) {
    GuiButton* button = addButton({20, 30, 80, 24}, 0);
    std::vector<bool> toggles;
    button->onToggle.push_back([&](GuiButton*, bool pressed) { toggles.push_back(pressed); });
    click(engine, window, 50, 40, 0);
    ASSERT_EQ(engine.commands.size(), 1u);
    EXPECT_EQ(engine.commands[0].id, 42);
    EXPECT_EQ(engine.commands[0].source, button);
    EXPECT_EQ(engine.commands[0].windowId, window->id);
    EXPECT_EQ(toggles, std::vector<bool>{true}) << "told of the press only";

    const struct {
        int x, y;
        bool posts;
    } cases[] = {{20, 40, false}, {50, 30, false},  {21, 40, true},
                 {99, 53, true},  {100, 40, false}, {190, 140, false}};
    for (const auto& c : cases) {
        const int before = buttonCommands();
        pushButton(window, true, 50, 40);
        pushButton(window, false, c.x, c.y);
        runUntilIdle(engine, 0);
        EXPECT_EQ(buttonCommands() - before, c.posts ? 1 : 0) << c.x << "," << c.y;
    }
}

TEST_F(GuiButtonTest, AutoRepeatFiresAfterTheDelayThenEveryIntervalAndNotOnRelease) {
    addButton({20, 30, 80, 24}, GuiButton::AutoRepeat);
    // Held from 1000: 400 ms to the first repeat, then every 60 ms, one per frame at most.
    pushButton(window, true, 50, 40);
    runUntilIdle(engine, 1000);
    for (auto [ticks, count] :
         {std::pair{1399u, 0}, {1400u, 1}, {1459u, 1}, {1460u, 2}, {1700u, 3}}) {
        engine.runFrame(ticks);
        EXPECT_EQ(buttonCommands(), count) << ticks;
    }
    pushButton(window, false, 50, 40);
    runUntilIdle(engine, 1710);
    EXPECT_EQ(buttonCommands(), 3) << "the release of a repeating button is no extra click";

    // A quick click without repeats still clicks.  (The main window's held buttons show that the
    // owner's timings are kept.)
    click(engine, window, 50, 40, 4000);
    EXPECT_EQ(buttonCommands(), 4);

    // The tick counter may wrap while the button is held.
    pushButton(window, true, 50, 40);
    runUntilIdle(engine, 0xFFFFFF00u);
    engine.runFrame(0xFFFFFF00u + 400u);
    EXPECT_EQ(buttonCommands(), 5);
}

TEST_F(GuiButtonTest, StickyButtonTogglesPostsNothingAndTakesOnlyBooleanWords) {
    GuiButton* button = addButton({20, 30, 80, 24}, GuiButton::Sticky | GuiButton::AutoRepeat);
    click(engine, window, 50, 40, 0);
    EXPECT_TRUE(button->pressed);
    engine.runFrame(5000);
    click(engine, window, 50, 40, 5000);
    EXPECT_FALSE(button->pressed);
    EXPECT_EQ(buttonCommands(), 0);

    int toggles = 0;
    button->onToggle.push_back([&](GuiButton*, bool) { ++toggles; });
    const struct {
        const char* text;
        bool accepted, pressedAfter;
    } cases[] = {{"1", true, true},
                 {"false", true, false},
                 {"0", true, false},
                 {"", false, true},
                 {"TRUE", false, true}};
    for (const auto& c : cases) {
        button->pressed = true;
        toggles = 0;
        EXPECT_EQ(button->setValue(c.text), c.accepted) << '"' << c.text << '"';
        EXPECT_EQ(button->pressed, c.pressedAfter) << '"' << c.text << '"';
        EXPECT_EQ(toggles, c.pressedAfter ? 0 : 1) << "told only of a change: " << c.text;
        std::string value;
        EXPECT_TRUE(button->getValue(value));
        EXPECT_EQ(value, c.pressedAfter ? "1" : "0");
    }
}

TEST_F(GuiButtonTest, RadioHelpersFindAndReleaseTheGroup) {
    GuiButton* a = addButton({0, 0, 20, 20}, GuiButton::Sticky);
    GuiButton* b = addButton({30, 0, 20, 20}, GuiButton::Sticky);
    GuiButton* c = addButton({60, 0, 20, 20}, GuiButton::Sticky);
    const std::vector<GuiButton*> group{a, b, c};
    EXPECT_EQ(GuiButton::pressedButton(group), nullptr);
    b->pressed = c->pressed = true;
    EXPECT_EQ(GuiButton::pressedButton(group), b);
    GuiButton::releaseOthers(group, c);
    EXPECT_FALSE(b->pressed);
    EXPECT_TRUE(c->pressed);
}

TEST_F(GuiButtonTest, FrameHasCutCornersAndABevelThatFlattensWhenPressed) {
    root->cacheMode = GuiWindow::CacheMode::Never;
    GuiButton* button = addButton({20, 30, 60, 30}, 0, "");
    engine.runFrame(0);
    const int x = 20;
    const int y = 30;
    EXPECT_EQ(pixelAt(window, x, y), background) << "cut corner";
    EXPECT_EQ(pixelAt(window, x + 1, y + 1), rgb(0, 0, 0));
    EXPECT_EQ(pixelAt(window, x + 60, y + 15), rgb(0, 0, 0)) << "outline reaches x + width";
    EXPECT_EQ(pixelAt(window, x + 2, y + 2), rgb(255, 255, 255));
    EXPECT_EQ(pixelAt(window, x + 30, y + 28), rgb(128, 128, 128));
    EXPECT_EQ(pixelAt(window, x + 30, y + 15), background) << "the face is not filled";

    // Pressed, now drawn through its cache: the press must renew it, also once the button has the
    // focus (taking the focus renews it anyway).
    root->cacheMode = GuiWindow::CacheMode::Always;
    click(engine, window, x + 30, y + 15, 0);
    pushButton(window, true, x + 30, y + 15);
    runUntilIdle(engine, 0);
    EXPECT_EQ(pixelAt(window, x + 2, y + 2), rgb(192, 192, 192)) << "invalidated by the press";
    EXPECT_EQ(pixelAt(window, x + 30, y + 28), rgb(192, 192, 192));

    button->setColour(0xFF0000FFu);
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, x + 2, y + 2), rgb(255, 0, 0)) << "a face colour replaces the bevel";
}

TEST_F(GuiButtonTest, CheckBoxTogglesOnPressPostsNothingAndDrawsItsCross) {
    auto* box = root->add(
        std::make_unique<GuiCheckBox>(root, 7, 20, 20, 100, 16, 0, "", engine.defaultFont(), 0));
    engine.runFrame(0);
    const int x = 20;
    const int y = 20;
    EXPECT_EQ(pixelAt(window, x, y), rgb(0, 0, 0));
    EXPECT_EQ(pixelAt(window, x + 7, y + 7), rgb(255, 255, 255));
    EXPECT_EQ(pixelAt(window, x + 16, y + 8), background);

    std::vector<bool> states;
    box->onToggle.push_back([&](GuiButton*, bool pressed) { states.push_back(pressed); });
    pushButton(window, true, 25, 25);
    engine.runFrame(0);
    EXPECT_TRUE(box->pressed) << "on the press, not the release";
    pushButton(window, false, 25, 25);
    engine.runFrame(0);
    // The falling stroke, three pixels thick, and the rising one.
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(pixelAt(window, x + 7, y + 6 + k), rgb(0, 0, 0)) << k;
        EXPECT_EQ(pixelAt(window, x + 4, y + 12 - k), rgb(0, 0, 0)) << k;
    }
    EXPECT_EQ(pixelAt(window, x + 7, y + 3), rgb(255, 255, 255));
    click(engine, window, 100, 25, 0); // on the label
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
    EXPECT_TRUE(engine.commands.empty());
}

TEST_F(GuiButtonTest, ImageButtonFitsItsPictureIntoTheFrame) {
    auto* button = root->add(
        std::make_unique<GuiImageButton>(root, 3, 40, 40, 48, 48, 0, window->renderer.get(), 0));
    EXPECT_NE(button->image(), nullptr) << "starts with the built-in picture";
    ASSERT_TRUE(button->loadImage(window->renderer.get(),
                                  writeSolidPng("image-100x50.png", 100, 50, 0xFFFF0000u)));
    engine.runFrame(0);
    const Uint32 red = rgb(255, 0, 0);
    EXPECT_EQ(pixelAt(window, 44, 54), red) << "40 x 20 at (x + 4, y + 14)";
    EXPECT_EQ(pixelAt(window, 83, 73), red);
    EXPECT_NE(pixelAt(window, 44, 53), red);
    EXPECT_NE(pixelAt(window, 84, 60), red);

    button->pressed = true;
    button->invalidate();
    engine.runFrame(0);
    EXPECT_NE(pixelAt(window, 44, 54), red) << "one pixel lower while pressed";
    EXPECT_EQ(pixelAt(window, 44, 74), red);

    EXPECT_FALSE(button->loadImage(window->renderer.get(), "/nonexistent/picture.png"));
    EXPECT_EQ(button->image(), nullptr);
    EXPECT_TRUE(button->imagePath.empty());
}
