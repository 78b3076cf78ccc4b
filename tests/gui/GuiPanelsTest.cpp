#include "GuiTestSupport.h"

#include "gui/GuiPanels.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

using namespace guitest;

namespace {

class GuiPanelsTest : public WindowTest {
protected:
    GuiPanelsTest() : WindowTest(240, 180, 0xFFFFFFFFu) {}

    GuiCairoPanel* addCairoPanel(SDL_Rect r) {
        return root->add(std::make_unique<GuiCairoPanel>(root, 5, r.x, r.y, r.w, r.h, 0,
                                                         window->renderer.get()));
    }
};

void fill(GuiCairoPanel* panel, double r, double g, double b) {
    cairo_set_source_rgb(panel->cairo(), r, g, b);
    cairo_paint(panel->cairo());
    panel->invalidate();
}

} // namespace

TEST(GuiFitImage, KeepsTheAspectRatioAndCentres) {
    const struct {
        SDL_Rect area;
        int imageW, imageH;
        SDL_Rect expected;
    } cases[] = {
        {{10, 20, 100, 100}, 200, 100, {10, 45, 100, 50}},
        {{0, 0, 100, 50}, 10, 10, {25, 0, 50, 50}},
        {{0, 0, 3, 100}, 1000, 1, {0, 49, 3, 1}}, // never below one pixel
        {{0, 0, 10, 10}, 3, 7, {3, 0, 4, 10}},    // truncated toward zero
        {{5, 6, 0, 10}, 10, 10, {5, 6, 0, 0}},
        {{5, 6, 10, 10}, 0, 10, {5, 6, 0, 0}},
    };
    auto fields = [](SDL_Rect r) { return std::tuple{r.x, r.y, r.w, r.h}; };
    for (const auto& c : cases) {
        EXPECT_EQ(fields(guiFitImage(c.area, c.imageW, c.imageH)), fields(c.expected))
            << c.imageW << "x" << c.imageH << " into " << c.area.w << "x" << c.area.h;
    }
}

TEST_F(GuiPanelsTest, ImagePanelShowsItsPictureFittedAndReportsPresses) {
    const std::string path = writeSolidPng("panel-200x100.png", 200, 100, 0xFF00FF00u);
    auto* panel =
        root->add(std::make_unique<GuiImagePanel>(root, 77, 20, 30, 100, 100, 0xFF0000FFu));
    ASSERT_TRUE(panel->loadImage(window->renderer.get(), path));
    engine.runFrame(0);
    const Uint32 green = rgb(0, 255, 0);
    EXPECT_EQ(pixelAt(window, 20, 55), green) << "100 x 50 at (x, y + 25)";
    EXPECT_EQ(pixelAt(window, 119, 104), green);
    EXPECT_EQ(pixelAt(window, 20, 54), rgb(255, 255, 255)) << "no background";
    EXPECT_EQ(pixelAt(window, 20, 105), rgb(255, 255, 255));

    click(engine, window, 25, 35, 0);
    ASSERT_EQ(engine.commands.size(), 1u);
    EXPECT_EQ(engine.commands[0].code, GuiCmdImagePanel);
    EXPECT_EQ(engine.commands[0].id, 77);

    EXPECT_FALSE(panel->loadImage(window->renderer.get(), path + ".missing"));
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, 60, 80), rgb(255, 255, 255));
}

TEST_F(GuiPanelsTest, UploadRateLimitHoldsTheLastPictureUnlessNoneOrResized) {
    GuiCairoPanel* panel = addCairoPanel({0, 0, 60, 60});
    panel->setMaxFrameRate(10);
    fill(panel, 1, 0, 0);
    engine.runFrame(1000);
    fill(panel, 0, 0, 1);
    engine.runFrame(1050);
    engine.runFrame(1099);
    EXPECT_EQ(pixelAt(window, 5, 5), rgb(255, 0, 0)) << "however often the window is painted";
    engine.runFrame(1100);
    EXPECT_EQ(pixelAt(window, 5, 5), rgb(0, 0, 255));

    // Resized within the limit: the fresh surface is still uploaded, or the screen would show
    // whatever the new texture happened to hold.
    panel->layout(window->renderer.get(), 80, 70);
    int w = 0, h = 0;
    SDL_QueryTexture(panel->texture(), nullptr, nullptr, &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(80, 70));
    fill(panel, 0, 1, 0);
    engine.runFrame(1110);
    EXPECT_EQ(pixelAt(window, 75, 65), rgb(0, 255, 0));

    for (int rate : {0, -5}) {
        panel->setMaxFrameRate(rate);
        fill(panel, 1, 0, 0);
        engine.runFrame(2000);
        fill(panel, 0, 1, 0);
        engine.runFrame(2000);
        EXPECT_EQ(pixelAt(window, 5, 5), rgb(0, 255, 0)) << rate;
    }
}
