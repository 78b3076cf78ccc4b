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
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Fitting pictures

TEST(GuiFitImage, KeepsTheAspectRatioAndCentres) {
    const struct {
        SDL_Rect area;
        int imageW;
        int imageH;
        SDL_Rect expected;
    } cases[] = {
        {{10, 20, 100, 100}, 200, 100, {10, 45, 100, 50}},
        {{0, 0, 40, 40}, 100, 50, {0, 10, 40, 20}},
        {{0, 0, 100, 50}, 10, 10, {25, 0, 50, 50}},
        {{0, 0, 3, 100}, 1000, 1, {0, 49, 3, 1}}, // never below one pixel
        {{0, 0, 10, 10}, 3, 7, {3, 0, 4, 10}},    // truncated toward zero
        {{5, 6, 0, 10}, 10, 10, {5, 6, 0, 0}},
        {{5, 6, 10, 10}, 0, 10, {5, 6, 0, 0}},
    };
    auto fields = [](SDL_Rect r) { return std::tuple{r.x, r.y, r.w, r.h}; };
    for (const auto& c : cases) {
        const SDL_Rect got = guiFitImage(c.area, c.imageW, c.imageH);
        SCOPED_TRACE(std::to_string(c.imageW) + "x" + std::to_string(c.imageH) + " into " +
                     std::to_string(c.area.w) + "x" + std::to_string(c.area.h));
        EXPECT_EQ(fields(got), fields(c.expected));
        if (got.w > 0) {
            // Containment: whatever the picture, it stays inside its area.
            EXPECT_GE(got.x, c.area.x);
            EXPECT_GE(got.y, c.area.y);
            EXPECT_LE(got.x + got.w, c.area.x + std::max(c.area.w, 1));
            EXPECT_LE(got.y + got.h, c.area.y + std::max(c.area.h, 1));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Image panel

TEST_F(GuiPanelsTest, ImagePanelShowsItsPictureFittedAndReportsPresses) {
    const std::string path = writeSolidPng("panel-200x100.png", 200, 100, 0xFF00FF00u);
    ASSERT_FALSE(path.empty());
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
    EXPECT_EQ(engine.commands[0].data, 0);

    EXPECT_FALSE(panel->loadImage(window->renderer.get(), path + ".missing"));
    EXPECT_EQ(panel->image(), nullptr);
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, 60, 80), rgb(255, 255, 255));
}

// ---------------------------------------------------------------------------------------------
// Cairo panel

TEST_F(GuiPanelsTest, CairoPictureReachesTheScreenUnchanged) {
    GuiCairoPanel* panel = addCairoPanel({10, 10, 100, 80});
    fill(panel, 1, 1, 1);
    cairo_set_source_rgb(panel->cairo(), 0.0, 0.5, 1.0);
    cairo_rectangle(panel->cairo(), 20, 10, 30, 40);
    cairo_fill(panel->cairo());
    engine.runFrame(0);
    EXPECT_EQ(pixelAt(window, 30, 20), rgb(0, 128, 255));
    EXPECT_EQ(pixelAt(window, 59, 59), rgb(0, 128, 255));
    EXPECT_EQ(pixelAt(window, 60, 60), rgb(255, 255, 255));
    EXPECT_EQ(pixelAt(window, 9, 9), rgb(255, 255, 255));
}

TEST_F(GuiPanelsTest, UploadRateLimitHoldsTheLastPicture) {
    GuiCairoPanel* panel = addCairoPanel({0, 0, 60, 60});
    panel->setMaxFrameRate(10);
    fill(panel, 1, 0, 0);
    engine.runFrame(1000);
    EXPECT_EQ(pixelAt(window, 5, 5), rgb(255, 0, 0));

    fill(panel, 0, 0, 1);
    EXPECT_FALSE(panel->isUploadDue(1099));
    engine.runFrame(1050);
    engine.runFrame(1099);
    EXPECT_EQ(pixelAt(window, 5, 5), rgb(255, 0, 0)) << "however often the window is painted";
    EXPECT_TRUE(panel->isUploadDue(1100));
    engine.runFrame(1100);
    EXPECT_EQ(pixelAt(window, 5, 5), rgb(0, 0, 255));
}

TEST_F(GuiPanelsTest, NoOrNegativeRateUploadsOnEveryPaint) {
    GuiCairoPanel* panel = addCairoPanel({0, 0, 60, 60});
    for (int rate : {0, -5}) {
        panel->setMaxFrameRate(rate);
        fill(panel, 1, 0, 0);
        engine.runFrame(2000);
        fill(panel, 0, 1, 0);
        engine.runFrame(2000);
        EXPECT_EQ(pixelAt(window, 5, 5), rgb(0, 255, 0)) << rate;
        EXPECT_TRUE(panel->isUploadDue());
    }
}

TEST_F(GuiPanelsTest, ResizedPanelShowsItsNewPictureAtOnce) {
    GuiCairoPanel* panel = addCairoPanel({0, 0, 60, 60});
    panel->setMaxFrameRate(10);
    fill(panel, 1, 0, 0);
    engine.runFrame(1000);
    panel->layout(window->renderer.get(), 80, 70);
    EXPECT_EQ(cairo_image_surface_get_height(panel->surface()), 70);
    int w = 0;
    int h = 0;
    SDL_QueryTexture(panel->texture(), nullptr, nullptr, &w, &h);
    EXPECT_EQ(w, 80);
    EXPECT_EQ(h, 70);
    // Drawn within the rate limit: the fresh surface is still uploaded, or the screen would show
    // whatever the new texture happened to hold.
    EXPECT_TRUE(panel->isUploadDue(1010));
    fill(panel, 0, 1, 0);
    engine.runFrame(1010);
    EXPECT_EQ(pixelAt(window, 75, 65), rgb(0, 255, 0));
}
