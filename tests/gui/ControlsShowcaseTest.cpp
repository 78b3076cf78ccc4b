// Paints the list, tree list, combo box and text controls, and an open file dialog, and leaves
// the pictures in the build folder for a person to look at.

#include "GuiTestSupport.h"
#include "TempDir.h"

#include "gui/GuiComboBox.h"
#include "gui/GuiFileDialog.h"
#include "gui/GuiListCtrl.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"

#include <SDL_image.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

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
