// The main window's buttons, selectors, keys and mouse actions, the file dialogs and dropped
// files, through real SDL events on the real engine with the built-in sample track.

#include "EngineDriver.h"

#include "app/StatusLine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "map/MapProjection.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

class CommandsTest : public ::testing::Test, protected EngineDriver {
protected:
    void SetUp() override {
        engine->loadBuiltInSample();
        frames();
        folder = fs::temp_directory_path() / ("trakmoor-commands-" + std::to_string(getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "ride.gpx");
        fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "ride.osm");
    }
    void TearDown() override { fs::remove_all(folder); }

    // Cursor 5 of 730 points, the view and options as at start.
    void baseline() {
        engine->ResetView();
        engine->setCursor(5);
        engine->doc.markerA = engine->doc.markerB = -1;
    }
    // The state the commands change, as one line.
    std::string state() const {
        const TrakmoorEngine& e = *engine;
        std::ostringstream out;
        out << "cursor " << e.doc.cursorIndex << " A " << e.doc.markerA << " B " << e.doc.markerB
            << " zoom " << e.view.zoom << " pan " << e.view.panX << "," << e.view.panY << " angles "
            << e.view.angleX << "," << e.view.angleY << "," << e.view.angleZ << " options "
            << (e.options.showWaypoints ? "W" : "") << (e.view.showHeight ? "H" : "")
            << (e.options.showDirectLine ? "D" : "") << (e.options.showOsmBackground ? "M" : "")
            << (e.view.followCursor ? "C" : "") << (e.view.followDirection ? "F" : "")
            << (e.fit.windowFitted ? " fitted" : "")
            << (dialog() ? e.mapDialogPending ? " map dialog" : " gpx dialog" : "");
        return out.str();
    }
    // Where the cursor point shows on the map panel.
    ScreenPoint cursorOnMap(int index = -1) {
        const Track& track = *engine->currentTrack();
        const GuiCairoPanel& panel = *engine->controls.mapPanel;
        return ProjectWayPoint(engine->view, engine->trackBounds, track, panel.width, panel.height,
                               *track.pointAt(index < 0 ? engine->doc.cursorIndex : index), true);
    }
    void expectCursorCentred() {
        const ScreenPoint at = cursorOnMap();
        EXPECT_NEAR(at.x, 260.0, 1e-6);
        EXPECT_NEAR(at.y, 261.0, 1e-6);
    }
    void closeDialog() {
        if (GuiFileDialog* open = dialog()) {
            key(SDLK_ESCAPE, KMOD_NONE, open->appWindow);
        }
        frames();
    }
    // Types into the dialog's file name field; a text event carries at most 31 bytes.
    void typeIntoDialog(const std::string& text) {
        for (std::size_t at = 0; at < text.size(); at += 31) {
            guitest::pushText(dialog()->appWindow, text.substr(at, 31).c_str());
        }
        frames();
    }
    std::vector<GuiObject*> controlsWithId(int id) const {
        std::vector<GuiObject*> found;
        for (const auto& child : window->root->children) {
            if (child->id == id) {
                found.push_back(child.get());
            }
        }
        return found;
    }
    GuiTextCtrl* field(int axis) const {
        return std::array{engine->controls.angleXField, engine->controls.angleYField,
                          engine->controls.angleZField}[axis];
    }

    fs::path folder;
    const std::string start = "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M";
};

TEST_F(CommandsTest, EveryButtonOfTheMainWindow) {
    struct Row {
        int id;
        std::string expected;
    };
    const Row rows[] = {
        {100, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M gpx dialog"},
        {103, "cursor 5 A -1 B -1 zoom 1.25 pan 0,0 angles 0,0,0 options M"},
        {104, "cursor 5 A -1 B -1 zoom 0.8 pan 0,0 angles 0,0,0 options M"},
        {105, "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {107, "cursor 4 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {108, "cursor 6 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {109, "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {110, "cursor 729 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {119, "cursor 5 A 5 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {120, "cursor 5 A -1 B 5 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {121, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 355,0,0 options M"},
        {122, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 5,0,0 options M"},
        {123, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,355,0 options M"},
        {124, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,5,0 options M"},
        {125, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,355 options M"},
        {126, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,5 options M"},
        {127, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M map dialog"},
        {133, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M fitted"},
    };
    for (const Row& row : rows) {
        for (GuiObject* button : controlsWithId(row.id)) { // + and - exist twice
            baseline();
            engine->view.panX = row.id == 105 ? 7.0 : 0.0;
            clickOn(button);
            EXPECT_EQ(state(), row.expected) << row.id;
            // Rotating chooses "Custom".
            EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(),
                      row.id >= 121 && row.id <= 126 ? 5 : 0);
            closeDialog();
            if (engine->fit.windowFitted) {
                engine->toggleFitWindow();
                frames();
            }
        }
    }
    clickOn(controlsWithId(112).front());
    expectCursorCentred();

    // Holding "cursor forward": the first step after 350 ms, then one every 80 ms.
    baseline();
    auto* forward = static_cast<GuiButton*>(controlsWithId(108).front());
    guitest::pushButton(window, true, forward->x + 10, forward->y + 10);
    while (!forward->pressed) {
        engine->runFrame(ticks);
    }
    for (auto [later, cursor] : {std::pair(349, 5), std::pair(350, 6), std::pair(429, 6),
                                 std::pair(430, 7), std::pair(510, 8)}) {
        engine->runFrame(ticks + later);
        EXPECT_EQ(engine->doc.cursorIndex, cursor) << later;
    }
    ticks += 600;
    guitest::pushButton(window, false, forward->x + 10, forward->y + 10);
    frames();
    EXPECT_EQ(engine->doc.cursorIndex, 8) << "the release adds no step";
}

TEST_F(CommandsTest, TracksAndSelectors) {
    engine->installGpx(readGpxText(R"(<gpx><trk><name>One</name><trkseg>
        <trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/></trkseg></trk>
        <trk><name>Two</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk></gpx>)"),
                       "two.gpx");
    clickOn(controlsWithId(102).front());
    EXPECT_EQ(status(), "two.gpx  |  Two  |  1 points");
    clickOn(controlsWithId(102).front()); // there is no third
    clickOn(controlsWithId(101).front());
    EXPECT_EQ(status(), "two.gpx  |  One  |  2 points");
    engine->controls.trackCombo->select(1, true);
    EXPECT_EQ(engine->doc.selectedTrack, 1);

    engine->controls.statisticsCombo->select(2, true);
    EXPECT_EQ(engine->options.statisticsMode, 2);
    engine->view.angleX = 40;
    engine->controls.perspectiveCombo->select(2, true);
    EXPECT_EQ(std::tuple(engine->view.angleX, engine->view.angleZ, status()),
              std::tuple(0, 90, std::string("Perspective: East-side")));

    // "Free" needs a cursor point: without a track the box goes back to "Waypoint".
    EngineDriver bare;
    bare.engine->controls.cursorModeCombo->select(1, true);
    EXPECT_EQ(bare.engine->controls.cursorModeCombo->selectedIndex(), 0);
    EXPECT_FALSE(bare.engine->doc.freeCursor);
}

TEST_F(CommandsTest, EveryKeyOfTheTable) {
    struct Row {
        SDL_Keycode key;
        Uint16 modifiers;
        std::string expected;
    };
    const Row rows[] = {
        {SDLK_o, KMOD_LCTRL, start + " gpx dialog"},
        {SDLK_PLUS, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1.25 pan 0,0 angles 0,0,0 options M"},
        {SDLK_KP_PLUS, KMOD_LCTRL, "cursor 5 A -1 B -1 zoom 1.25 pan 0,0 angles 0,0,0 options M"},
        {SDLK_MINUS, KMOD_NONE, "cursor 5 A -1 B -1 zoom 0.8 pan 0,0 angles 0,0,0 options M"},
        {SDLK_KP_MINUS, KMOD_NONE, "cursor 5 A -1 B -1 zoom 0.8 pan 0,0 angles 0,0,0 options M"},
        {SDLK_ESCAPE, KMOD_NONE, "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_F11, KMOD_LCTRL, start + " fitted"},
        {SDLK_HOME, KMOD_NONE, "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_END, KMOD_NONE, "cursor 729 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_PAGEUP, KMOD_LSHIFT, "cursor 6 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_PAGEUP, KMOD_RCTRL, "cursor 15 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_PAGEDOWN, KMOD_NONE, "cursor 4 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_PAGEDOWN, KMOD_LCTRL, "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_a, KMOD_LSHIFT, "cursor 5 A 5 B -1 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_b, KMOD_NONE, "cursor 5 A -1 B 5 zoom 1 pan 0,0 angles 0,0,0 options M"},
        {SDLK_w, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options WM"},
        {SDLK_h, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options HM"},
        {SDLK_d, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options DM"},
        {SDLK_m, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options "},
        {SDLK_LEFT, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan -50,0 angles 0,0,0 options M"},
        {SDLK_RIGHT, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 50,0 angles 0,0,0 options M"},
        {SDLK_UP, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,-50 angles 0,0,0 options M"},
        {SDLK_DOWN, KMOD_NONE, "cursor 5 A -1 B -1 zoom 1 pan 0,50 angles 0,0,0 options M"},
        // With Ctrl, Alt or GUI the letters are not the engine's.
        {SDLK_a, KMOD_LCTRL, start},
        {SDLK_w, KMOD_LALT, start},
        {SDLK_h, KMOD_LGUI, start},
    };
    for (const Row& row : rows) {
        baseline();
        key(row.key, row.modifiers);
        EXPECT_EQ(state(), row.expected) << SDL_GetKeyName(row.key) << " " << row.modifiers;
        closeDialog();
        if (engine->fit.windowFitted) {
            engine->toggleFitWindow();
            frames();
        }
        // A second press switches an option back, and its check box with it.
        for (const SDL_Keycode option : {SDLK_w, SDLK_h, SDLK_d, SDLK_m}) {
            if (row.key == option && row.modifiers == KMOD_NONE) {
                key(row.key);
            }
        }
    }
    const GuiCheckBox* boxes[] = {engine->controls.waypointsCheck, engine->controls.heightCheck,
                                  engine->controls.directLineCheck,
                                  engine->controls.osmBackgroundCheck};
    for (const GuiCheckBox* box : boxes) {
        EXPECT_EQ(box->pressed, box == engine->controls.osmBackgroundCheck) << box->label;
    }

    // "c" and "f" centre the cursor when they switch on; "f" also turns the track upward.
    baseline();
    key(SDLK_c);
    EXPECT_TRUE(engine->controls.centerCursorCheck->pressed);
    expectCursorCentred();
    key(SDLK_c);
    key(SDLK_f);
    EXPECT_TRUE(engine->view.followDirection && engine->controls.followDirectionCheck->pressed);
    EXPECT_NE(engine->view.headingOffset, 0.0);
    expectCursorCentred();
    key(SDLK_f);
    EXPECT_EQ(engine->view.headingOffset, 0.0);
}

TEST_F(CommandsTest, KeysOfTheFocusedControlStayItsOwn) {
    auto* probe = guitest::addProbe(window, -1, SDL_Rect{0, 0, 4, 4});
    window->root->setFocus(probe);
    key(SDLK_o);
    key(SDLK_a, KMOD_LCTRL);
    EXPECT_EQ(probe->count(SDL_KEYDOWN), 2);
    EXPECT_EQ(state(), "cursor 0 A -1 B -1 zoom 1 pan 0,0 angles 0,0,0 options M");
    key(SDLK_o, KMOD_RCTRL);
    EXPECT_EQ(probe->count(SDL_KEYDOWN), 2);
    ASSERT_NE(dialog(), nullptr);
    // While the dialog is open the main window's keys do nothing, and no second dialog opens.
    key(SDLK_o, KMOD_RCTRL);
    key(SDLK_END);
    engine->openMapDialog();
    EXPECT_EQ(std::pair(dialogCount(), engine->doc.cursorIndex), std::pair(1, 0));
}

TEST_F(CommandsTest, TypedAngles) {
    auto enter = [&](const char* x, const char* y, const char* z) {
        field(0)->setText(x);
        field(1)->setText(y);
        field(2)->setText(z);
        key(SDLK_RETURN);
    };
    auto shown = [&] {
        return field(0)->text() + " " + field(1)->text() + " " + field(2)->text() + " | " +
               status();
    };
    const std::string invalid = "Invalid angle; enter a whole number and press Enter";
    clickOn(field(1));
    ASSERT_TRUE(field(1)->hasFocus);
    engine->controls.cursorModeCombo->select(1, true);
    enter("725", "-30", " +7");
    EXPECT_EQ(shown(), "5 330 7 | Angles applied: X 5°, Y 330°, Z 7°");
    EXPECT_FALSE(engine->doc.freeCursor) << "typed angles leave the free cursor";
    EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(), 5);
    for (const char* bad : {"12a", "", "7 ", "+-3", "2147483648", "99999999999999999999999"}) {
        enter(bad, "1", "2");
        EXPECT_EQ(shown(), "5 330 7 | " + invalid) << '"' << bad << '"';
    }
    enter("-2147483648", "2147483647", "0");
    EXPECT_EQ(shown(), "232 127 0 | Angles applied: X 232°, Y 127°, Z 0°");
    // X valid and Y not: X stays applied, Y and Z keep their angles.
    enter("40", "1e3", "9");
    EXPECT_EQ(shown(), "40 127 0 | " + invalid);
    // Keys other than Return and Enter are the field's: "a" is typed, not a marker.
    key(SDLK_a);
    key(SDLK_KP_ENTER);
    EXPECT_EQ(engine->doc.markerA, -1);
    EXPECT_EQ(status(), "Angles applied: X 40°, Y 127°, Z 0°");
}

TEST_F(CommandsTest, FreeCursorAndMarkers) {
    engine->setCursor(100);
    engine->view.angleZ = 90;
    engine->view.followDirection = true;
    engine->controls.cursorModeCombo->select(1, true);
    const WayPoint& point = *engine->currentTrack()->pointAt(100);
    EXPECT_EQ(status(),
              freeCursorStatusText("sample.gpx", "free cursor", point.lat(), point.lon()));
    EXPECT_EQ(std::tuple(engine->view.angleZ, engine->view.followDirection), std::tuple(0, false));

    key(SDLK_a);
    EXPECT_EQ(status(), "Marks require the waypoint cursor");
    clickOn(controlsWithId(120).front());
    EXPECT_EQ(std::pair(engine->doc.markerA, engine->doc.markerB), std::pair(-1, -1));

    // A click in the middle of the map puts the free cursor on the middle of the track's box.
    double minLat = point.lat(), maxLat = minLat, minLon = point.lon(), maxLon = minLon;
    for (int i = 0; i < engine->currentTrack()->pointCount(); ++i) {
        const WayPoint& p = *engine->currentTrack()->pointAt(i);
        minLat = std::min(minLat, p.lat()), maxLat = std::max(maxLat, p.lat());
        minLon = std::min(minLon, p.lon()), maxLon = std::max(maxLon, p.lon());
    }
    click(340 + 260, 42 + 261);
    EXPECT_EQ(status(), freeCursorStatusText("sample.gpx", "free cursor", (minLat + maxLat) / 2,
                                             (minLon + maxLon) / 2));
    engine->controls.cursorModeCombo->select(0, true);
    key(SDLK_a);
    EXPECT_EQ(std::pair(engine->doc.freeCursor, engine->doc.markerA), std::pair(false, 100));
}

TEST_F(CommandsTest, MouseOnMapAndGraph) {
    // Graph: 12 pixels in from either side are the first and last point; the middle rounds up.
    for (auto [x, cursor] : {std::pair(352, 0), std::pair(340, 0), std::pair(848, 729),
                             std::pair(859, 729), std::pair(600, 365)}) {
        click(x, 600);
        EXPECT_EQ(engine->doc.cursorIndex, cursor) << x;
    }
    click(400, 600, SDL_BUTTON_RIGHT);
    EXPECT_EQ(engine->doc.cursorIndex, 365) << "only the left button picks";

    // Map: a click picks the point drawn nearest to it.
    const ScreenPoint target = cursorOnMap(200);
    click(340 + static_cast<int>(std::lround(target.x)),
          42 + static_cast<int>(std::lround(target.y)));
    const ScreenPoint picked = cursorOnMap();
    auto distance = [&](ScreenPoint p) {
        return std::hypot(p.x - std::lround(target.x), p.y - std::lround(target.y));
    };
    EXPECT_LE(distance(picked), distance(target));
    click(400, 100, SDL_BUTTON_MIDDLE);
    expectCursorCentred();

    // Right-drag moves the map pixel for pixel; a release anywhere ends it.
    const double panX = engine->view.panX, panY = engine->view.panY;
    guitest::pushButton(window, true, 500, 300, SDL_BUTTON_RIGHT);
    guitest::pushMotion(window, 530, 280);
    frames();
    guitest::pushMotion(window, 531, 285);
    frames();
    guitest::pushButton(window, false, 1000, 650, SDL_BUTTON_RIGHT);
    guitest::pushMotion(window, 600, 400);
    frames();
    EXPECT_EQ(std::pair(engine->view.panX - panX, engine->view.panY - panY),
              std::pair(31.0, -15.0));

    // The wheel with "Center cursor" zooms by 1.5 and keeps the cursor in the middle; a sideways
    // wheel zooms out.
    key(SDLK_c);
    guitest::pushWheel(window, 400, 100, 1);
    frames();
    EXPECT_EQ(std::pair(engine->view.zoom, status()), std::pair(1.5, std::string("Zoom: 150%")));
    expectCursorCentred();
    SDL_Event sideways = guitest::eventFor(window, SDL_MOUSEWHEEL);
    sideways.wheel.x = 1;
    sideways.wheel.mouseX = 400;
    sideways.wheel.mouseY = 100;
    SDL_PushEvent(&sideways);
    frames();
    EXPECT_DOUBLE_EQ(engine->view.zoom, 1.0);
    guitest::pushWheel(window, 100, 100, 1); // over the info list, not the map
    frames();
    EXPECT_DOUBLE_EQ(engine->view.zoom, 1.0);
}

TEST_F(CommandsTest, FileDialogsThroughRealEvents) {
    clickOn(controlsWithId(100).front());
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->currentDir(), fs::current_path().string());
    EXPECT_EQ(dialog()->appWindow->title, "Open GPX");
    typeIntoDialog((folder / "ride.gpx").string());
    key(SDLK_RETURN, KMOD_NONE, dialog()->appWindow);
    EXPECT_EQ(std::tuple(dialogCount(), engine->doc.gpxPath, engine->map.mapPath),
              std::tuple(0, (folder / "ride.gpx").string(), (folder / "ride.osm").string()));
    EXPECT_EQ(status(), "ride.osm  |  " + std::to_string(engine->map.mapFeatures.size()) +
                            " map ways loaded");

    // Escape loads nothing; a click in the dialog where the map lies in the main window, or a
    // key of the table typed into its field, is the dialog's.
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__bautzen.osm", folder / "other.osm");
    clickOn(controlsWithId(127).front());
    ASSERT_NE(dialog(), nullptr);
    EXPECT_EQ(dialog()->currentDir(), folder.string()) << "maps start beside the track";
    const int generation = engine->map.mapGeneration;
    click(400, 300, SDL_BUTTON_LEFT, dialog()->appWindow);
    key(SDLK_a, KMOD_NONE, dialog()->appWindow);
    key(SDLK_ESCAPE, KMOD_NONE, dialog()->appWindow);
    EXPECT_EQ(std::tuple(dialogCount(), engine->doc.cursorIndex, engine->doc.markerA,
                         engine->map.mapGeneration),
              std::tuple(0, 0, -1, generation));

    clickOn(controlsWithId(127).front());
    typeIntoDialog("other.osm");
    key(SDLK_RETURN, KMOD_NONE, dialog()->appWindow);
    EXPECT_EQ(std::tuple(dialogCount(), engine->map.mapPath, engine->mapDialogPending),
              std::tuple(0, (folder / "other.osm").string(), false));
}

TEST_F(CommandsTest, DroppedFiles) {
    fs::copy_file(folder / "ride.gpx", folder / "Tour.GPX");
    fs::copy_file(folder / "ride.osm", folder / "Tour.osm");
    fs::copy_file(folder / "ride.osm", folder / "Alps.XML");
    drop((folder / "Tour.GPX").string());
    EXPECT_EQ(std::pair(engine->doc.gpxPath, engine->map.mapPath),
              std::pair((folder / "Tour.GPX").string(), (folder / "Tour.osm").string()));
    drop((folder / "Alps.XML").string());
    EXPECT_EQ(engine->map.mapPath, (folder / "Alps.XML").string());
    drop((folder / "notes.txt").string());
    EXPECT_EQ(status(), "Unsupported file: notes.txt");
    drop("/no/such/ride.gpx");
    EXPECT_EQ(status(), "File not found: /no/such/ride.gpx");

    // Dropped while a dialog is open, on either window: nothing happens.
    clickOn(controlsWithId(100).front());
    drop((folder / "ride.gpx").string());
    drop((folder / "ride.gpx").string(), dialog()->appWindow);
    EXPECT_EQ(engine->doc.gpxPath, (folder / "Tour.GPX").string());
    EXPECT_EQ(dialogCount(), 1);
}

TEST_F(CommandsTest, BadFilesKeepTrackAndMap) {
    engine->openGpxFile((folder / "ride.gpx").string());
    const auto shown = [&] { return std::pair(engine->doc.gpxPath, engine->map.mapPath); };
    const auto before = shown();
    fs::create_directory(folder / "folder.gpx");
    std::ofstream(folder / "empty.gpx");
    std::ofstream(folder / "empty.osm");
    std::string bytes(1 << 20, '\0');
    std::mt19937 random(7);
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    std::ofstream(folder / "binary.gpx", std::ios::binary) << bytes;
    std::ofstream(folder / "binary.osm", std::ios::binary) << bytes;
    // Mini-XML's text buffers grow in steps, so a long run of text costs quadratic time.
    std::ofstream(folder / "junk.gpx") << std::string(1 << 18, 'x');
    const std::string path = folder.string() + "/";
    struct Row {
        std::string file, expected;
    };
    for (const Row& row : {
             Row{"gone.gpx", "File not found: " + path + "gone.gpx"},
             Row{"folder.gpx", "File not found: " + path + "folder.gpx"},
             Row{"empty.gpx", "No tracks found in " + path + "empty.gpx"},
             Row{"binary.gpx", "No tracks found in " + path + "binary.gpx"},
             Row{"junk.gpx", "No tracks found in " + path + "junk.gpx"},
             Row{"gone.osm", "Could not open OSM map: " + path + "gone.osm"},
             Row{"folder.gpx/x.osm", "Could not open OSM map: " + path + "folder.gpx/x.osm"},
             Row{"empty.osm", "Invalid OSM map: no <osm> element found"},
             Row{"binary.osm", "Invalid OSM map: no <osm> element found"},
         }) {
        drop(path + row.file);
        EXPECT_EQ(status(), row.expected);
        EXPECT_EQ(shown(), before) << row.file;
    }
    if (geteuid() != 0) { // permissions do not bind root
        fs::permissions(folder / "ride.gpx", fs::perms::none);
        drop(path + "ride.gpx");
        EXPECT_EQ(status(), "Could not load GPX: Permission denied");
    }
}

} // namespace
} // namespace trakmoor
