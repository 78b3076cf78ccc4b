#include "GuiTestSupport.h"

#include "gui/GuiButton.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>

using namespace guitest;

// Paints one of each control and leaves the picture in the build folder for a person to look at.
TEST(GuiShowcase, WindowWithOneOfEachControlIsSavedAsPng) {
    TestEngine engine;
    AppWindow* window = openWindow(engine, 420, 300, 0xFFF0F0F0u);
    GuiWindow* root = window->root.get();
    TTF_Font* font = engine.defaultFont();

    root->add(std::make_unique<GuiLabel>(root, 1, 10, 10, 190, 20, 0, "Trakmoor toolkit", font,
                                         GuiLabel::LeftAligned));
    root->add(std::make_unique<GuiLabel>(root, 2, 10, 34, 190, 20, 0,
                                         "/home/user/tracks/2024/alps/day-one.gpx", font,
                                         GuiLabel::LeftAligned | GuiLabel::Elide));
    root->add(std::make_unique<GuiButton>(root, 3, 10, 64, 90, 28, 0, "Open GPX", font, 0));
    auto* sticky = root->add(std::make_unique<GuiButton>(root, 4, 110, 64, 90, 28, 0, "Follow",
                                                         font, GuiButton::Sticky));
    sticky->setValue("1");
    auto* coloured =
        root->add(std::make_unique<GuiButton>(root, 5, 10, 100, 90, 28, 0, "Colour", font, 0));
    coloured->setColour(0xFF80C0FFu);
    root->add(
        std::make_unique<GuiImageButton>(root, 6, 110, 100, 48, 48, 0, window->renderer.get(), 0));
    auto* check =
        root->add(std::make_unique<GuiCheckBox>(root, 7, 10, 160, 150, 16, 0, "Show map", font, 0));
    check->setValue("true");
    root->add(std::make_unique<GuiCheckBox>(root, 8, 10, 184, 150, 16, 0, "Show graph", font, 0));

    auto* panel = root->add(
        std::make_unique<GuiCairoPanel>(root, 9, 210, 10, 200, 180, 0, window->renderer.get()));
    cairo_t* cr = panel->cairo();
    cairo_set_source_rgb(cr, 0.95, 0.93, 0.85);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.2, 0.4, 0.9);
    cairo_set_line_width(cr, 3);
    cairo_move_to(cr, 10, 150);
    for (int i = 0; i <= 36; ++i) {
        cairo_line_to(cr, 10 + i * 5, 100 - 60 * std::sin(i / 6.0));
    }
    cairo_stroke(cr);

    SdlSurfacePtr picture(SDL_CreateRGBSurfaceWithFormat(0, 40, 20, 32, SDL_PIXELFORMAT_ARGB8888));
    SDL_FillRect(picture.get(), nullptr, 0xFF3080D0u);
    const std::string picturePath = std::string(TRAKMOOR_BUILD_DIR) + "/showcase-picture.png";
    IMG_SavePNG(picture.get(), picturePath.c_str());
    auto* image = root->add(std::make_unique<GuiImagePanel>(root, 10, 210, 200, 200, 90, 0));
    image->loadImage(window->renderer.get(), picturePath);

    root->findByName(""); // nothing named: a no-op that must not crash
    check->tooltip = "Draws the background map";
    pushMotion(window, 40, 168);
    engine.runFrame(0);
    engine.runFrame(600);
    ASSERT_TRUE(root->tooltipVisible);

    SdlSurfacePtr shot(SDL_CreateRGBSurfaceWithFormat(0, 420, 300, 32, SDL_PIXELFORMAT_ARGB8888));
    ASSERT_EQ(SDL_RenderReadPixels(window->renderer.get(), nullptr, SDL_PIXELFORMAT_ARGB8888,
                                   shot->pixels, shot->pitch),
              0);
    const std::string path = std::string(TRAKMOOR_BUILD_DIR) + "/gui-showcase.png";
    ASSERT_EQ(IMG_SavePNG(shot.get(), path.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}
