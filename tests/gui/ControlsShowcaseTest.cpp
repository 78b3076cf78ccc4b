// Paints every control, and an open file dialog, and leaves the pictures in the build folder for
// a person to look at.

#include "GuiTestSupport.h"
#include "TempDir.h"

#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiLabel.h"
#include "gui/GuiListCtrl.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

using namespace guitest;

namespace {

void saveWindow(const AppWindow* window, const std::string& name) {
    SdlSurfacePtr shot(SDL_CreateRGBSurfaceWithFormat(0, window->width, window->height, 32,
                                                      SDL_PIXELFORMAT_ARGB8888));
    ASSERT_EQ(SDL_RenderReadPixels(window->renderer.get(), nullptr, SDL_PIXELFORMAT_ARGB8888,
                                   shot->pixels, shot->pitch),
              0);
    const std::string path = std::string(TRAKMOOR_BUILD_DIR) + "/" + name;
    ASSERT_EQ(IMG_SavePNG(shot.get(), path.c_str()), 0);
    EXPECT_GT(std::filesystem::file_size(path), 1000u);
}

TEST(ControlsShowcase, WindowWithOneOfEachControlIsSavedAsPng) {
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

    const std::string picturePath = writeSolidPng("showcase-picture.png", 40, 20, 0xFF3080D0u);
    auto* image = root->add(std::make_unique<GuiImagePanel>(root, 10, 210, 200, 200, 90, 0));
    image->loadImage(window->renderer.get(), picturePath);

    root->findByName(""); // nothing named: a no-op that must not crash
    check->tooltip = "Draws the background map";
    pushMotion(window, 40, 168);
    engine.runFrame(0);
    engine.runFrame(600);
    ASSERT_TRUE(root->tooltipVisible);
    saveWindow(window, "gui-showcase.png");
}

TEST(ControlsShowcase, ListsComboAndTextFieldsAreSavedAsPng) {
    TestEngine engine;
    engine.windowFocused = true;
    AppWindow* window = openWindow(engine, 560, 360, 0xFFF0F0F0u);
    GuiWindow* root = window->root.get();
    TTF_Font* font = engine.defaultFont();
    FT_Face face = engine.fontFace();

    auto* list =
        root->add(std::make_unique<GuiListCtrl>(root, 1, 10, 10, 160, 150, 0xFFFFFFFFu, font));
    for (int i = 0; i < 40; ++i) {
        list->addItem(i, "Track " + std::to_string(i + 1) + (i == 2 ? " with a long name" : ""));
    }
    list->select(2);

    auto* tree =
        root->add(std::make_unique<GuiTreeListCtrl>(root, 2, 180, 10, 370, 150, 0xFFFFFFFFu, font));
    tree->addColumn("Name", 170);
    tree->addColumn("Distance", 100);
    tree->addColumn("Points", 90);
    const int tracks = tree->addNode(-1, 1, {"Tracks", "42.1 km", "2311"});
    tree->addNode(tracks, 2, {"Morning ride", "18.4 km", "1022"});
    const int alps = tree->addNode(tracks, 3, {"Alps/Day 2", "23.7 km", "1289"});
    tree->addNode(alps, 4, {"Ascent", "9.1 km", "501"});
    tree->setExpanded(alps, false, false);
    tree->addNode(-1, 5, {"Waypoints", "", "3"});
    tree->select(alps, false);

    auto* combo = root->add(std::make_unique<GuiComboBox>(root, 3, 10, 175, 160, 22, 0xFFF0F0F0u,
                                                          SDL_Color{0, 0, 0, 255}, font, 90));
    for (const char* preset : {"North-side", "East-side", "South-side", "West-side", "Custom"}) {
        combo->addItem(0, preset);
    }

    auto* single =
        root->add(std::make_unique<GuiTextCtrl>(root, 4, 180, 175, 180, 22, 0xFFFFFFFFu, face, 0));
    single->setText("Selected part of a line");
    auto* password = root->add(std::make_unique<GuiTextCtrl>(
        root, 5, 370, 175, 180, 22, 0xFFFFFFFFu, face, GuiTextCtrl::Password));
    password->setText("secret");
    auto* multi =
        root->add(std::make_unique<GuiTextCtrl>(root, 6, 180, 210, 370, 140, 0xFFFFFFFFu, face,
                                                GuiTextCtrl::MultiLine | GuiTextCtrl::Wrap));
    multi->setText("A multi-line field wraps its words at the right edge.\n\tTabs advance "
                   "forty pixels.\nLine 3\nLine 4\nLine 5\nLine 6\nLine 7\nLine 8\nLast line");

    // Select a word in the single-line field with the keyboard, then open the combo box.
    root->setFocus(single);
    single->setCursor(0);
    for (int i = 0; i < 8; ++i) {
        pushKey(window, SDLK_RIGHT, KMOD_LSHIFT);
    }
    runUntilIdle(engine, 100);
    ASSERT_EQ(single->selectedText(), "Selected");
    combo->openDropDown();
    ASSERT_TRUE(combo->isDropDownOpen());
    engine.runFrame(200);
    saveWindow(window, "gui-controls-showcase.png");
}

TEST(ControlsShowcase, OpenFileDialogIsSavedAsPng) {
    TempDir tmp;
    tmp.dir("Alps");
    tmp.dir("Coast");
    for (const char* name : {"2024-05-01 morning.gpx", "2024-05-02 ascent.gpx", "notes.txt",
                             "berlin.osm", "Tour.GPX"}) {
        tmp.file(name);
    }
    TestEngine engine;
    engine.windowFocused = true;
    GuiOpenFileDialog* dialog =
        showOpenFileDialog(engine, "Open GPX", tmp.path().string(), {".gpx"}, 520, 380);
    ASSERT_NE(dialog, nullptr);
    AppWindow* window = dialog->appWindow;
    discardQueuedEvents();
    dialog->setFocus(dialog->fileList());
    pushKey(window, SDLK_END);
    runUntilIdle(engine, 100);
    dialog->fileNameField()->setText("missing.gpx");
    dialog->accept();
    engine.runFrame(200);
    saveWindow(window, "gui-file-dialog.png");
}

} // namespace
