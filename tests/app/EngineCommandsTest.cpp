// The main window's buttons, selectors, keys and mouse, the file dialogs and dropped files, through
// real SDL events on the real engine showing the 730 points of the sample track.

#include "EngineDriver.h"

#include "app/StatusLine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "map/MapProjection.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;

struct CommandsTest : ::testing::Test, EngineDriver {
    CommandsTest() {
        fs::create_directories(dir);
        fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", dir / "ride.gpx");
        fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", dir / "ride.osm");
    }
    ~CommandsTest() override { fs::remove_all(dir); }

    // What differs from cursor 5 with the view and options as at start.
    std::string changes() const {
        const TrakmoorEngine& e = *engine;
        std::ostringstream out;
        auto put = [&](bool differs, const auto&... parts) {
            ((out << (differs ? parts : "")), ...);
        };
        put(e.doc.cursorIndex != 5, "cursor ", std::to_string(e.doc.cursorIndex), " ");
        put(e.doc.markerA + e.doc.markerB != -2, "markers ", std::to_string(e.doc.markerA), ",",
            std::to_string(e.doc.markerB), " ");
        put(e.view.zoom != 1.0, "zoom ", std::to_string(e.view.zoom).substr(0, 4), " ");
        put(e.view.panX != 0 || e.view.panY != 0, "pan ", std::to_string(int(e.view.panX)), ",",
            std::to_string(int(e.view.panY)), " ");
        put(e.view.angleX + e.view.angleY + e.view.angleZ != 0, "angles ",
            std::to_string(e.view.angleX), ",", std::to_string(e.view.angleY), ",",
            std::to_string(e.view.angleZ), " ");
        put(e.options.showWaypoints || e.view.showHeight || e.options.showDirectLine ||
                !e.options.showOsmBackground,
            "options ", std::to_string(e.options.showWaypoints), std::to_string(e.view.showHeight),
            std::to_string(e.options.showDirectLine), std::to_string(e.options.showOsmBackground),
            " ");
        put(e.fit.windowFitted, "fitted ");
        put(dialog() != nullptr, e.mapDialogPending ? "map dialog " : "gpx dialog ");
        return out.str();
    }
    // From cursor 5 with everything else as at start, `act` leads to `expected` changes.
    template <typename Act> void check(Act act, const std::string& expected, int row) {
        engine->ResetView();
        engine->setCursor(5);
        engine->doc.markerA = engine->doc.markerB = -1;
        act();
        EXPECT_EQ(changes(), expected) << row;
        const MainWindowControls& c = engine->controls;
        for (auto [box, on] : {std::pair(c.waypointsCheck, &engine->options.showWaypoints),
                               {c.heightCheck, &engine->view.showHeight},
                               {c.directLineCheck, &engine->options.showDirectLine},
                               {c.osmBackgroundCheck, &engine->options.showOsmBackground}}) {
            EXPECT_EQ(box->pressed, *on) << row; // the check box shows what its key switched
            box->pressed = *on = box == c.osmBackgroundCheck;
        }
        if (GuiFileDialog* open = dialog()) {
            key(SDLK_ESCAPE, 0, open->appWindow);
        }
        if (engine->fit.windowFitted) {
            engine->toggleFitWindow();
            frames();
        }
    }
    ScreenPoint cursorOnMap(int index) {
        const Track& track = *engine->currentTrack();
        return ProjectWayPoint(engine->view, engine->trackBounds, track, 520, 522,
                               *track.pointAt(index), true);
    }
    void expectCursorCentred() {
        const ScreenPoint at = cursorOnMap(engine->doc.cursorIndex);
        EXPECT_NEAR(at.x, 260.0, 1e-6);
        EXPECT_NEAR(at.y, 261.0, 1e-6);
    }
    GuiObject* control(int id, int nth = 0) {
        for (const auto& child : window->root->children) {
            if (child->id == id && nth-- == 0) {
                return child.get();
            }
        }
        return nullptr;
    }
    void clickOn(const GuiObject* c) { click(c->x + c->width / 2, c->y + c->height / 2); }

    const fs::path dir =
        fs::temp_directory_path() / ("trakmoor-commands-" + std::to_string(getpid()));
};

TEST_F(CommandsTest, ButtonsAndKeysOfTheTables) {
    const std::tuple<int, int, const char*> buttons[] = {
        {100, 0, "gpx dialog "},     {103, 0, "zoom 1.25 "},      {103, 1, "zoom 1.25 "},
        {104, 0, "zoom 0.80 "},      {104, 1, "zoom 0.80 "},      {105, 0, "cursor 0 "},
        {107, 0, "cursor 4 "},       {108, 0, "cursor 6 "},       {109, 0, "cursor 0 "},
        {110, 0, "cursor 729 "},     {119, 0, "markers 5,-1 "},   {120, 0, "markers -1,5 "},
        {121, 0, "angles 355,0,0 "}, {122, 0, "angles 5,0,0 "},   {123, 0, "angles 0,355,0 "},
        {124, 0, "angles 0,5,0 "},   {125, 0, "angles 0,0,355 "}, {126, 0, "angles 0,0,5 "},
        {127, 0, "map dialog "},     {133, 0, "fitted "}};
    for (const auto& [id, nth, expected] : buttons) {
        check([&] { clickOn(control(id, nth)); }, expected, id);
    }
    const std::tuple<SDL_Keycode, Uint16, const char*> keys[] = {
        {SDLK_o, KMOD_LCTRL, "gpx dialog "},
        {SDLK_PLUS, 0, "zoom 1.25 "},
        {SDLK_KP_PLUS, KMOD_LCTRL, "zoom 1.25 "},
        {SDLK_MINUS, 0, "zoom 0.80 "},
        {SDLK_KP_MINUS, 0, "zoom 0.80 "},
        {SDLK_ESCAPE, 0, "cursor 0 "},
        {SDLK_F11, KMOD_LCTRL, "fitted "},
        {SDLK_HOME, 0, "cursor 0 "},
        {SDLK_END, 0, "cursor 729 "},
        {SDLK_PAGEUP, KMOD_LSHIFT, "cursor 6 "},
        {SDLK_PAGEUP, KMOD_RCTRL, "cursor 15 "},
        {SDLK_PAGEDOWN, 0, "cursor 4 "},
        {SDLK_PAGEDOWN, KMOD_LCTRL, "cursor 0 "},
        {SDLK_a, KMOD_LSHIFT, "markers 5,-1 "},
        {SDLK_b, 0, "markers -1,5 "},
        {SDLK_w, 0, "options 1001 "},
        {SDLK_h, 0, "options 0101 "},
        {SDLK_d, 0, "options 0011 "},
        {SDLK_m, 0, "options 0000 "},
        {SDLK_LEFT, 0, "pan -50,0 "},
        {SDLK_RIGHT, 0, "pan 50,0 "},
        {SDLK_UP, 0, "pan 0,-50 "},
        {SDLK_DOWN, 0, "pan 0,50 "},
        {SDLK_a, KMOD_LCTRL, ""},
        {SDLK_w, KMOD_LALT, ""},
        {SDLK_h, KMOD_LGUI, ""},
        {SDLK_o, 0, ""}};
    for (const auto& [sym, modifiers, expected] : keys) {
        check([&] { key(sym, modifiers); }, expected, sym);
    }
    EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(), 0);
    clickOn(control(126));
    EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(), 5) << "rotating is Custom";
    // "Center", "c" and "f" bring the cursor to the middle; "f" turns the track upward.
    for (auto act : {+[](CommandsTest* t) { t->clickOn(t->control(112)); },
                     +[](CommandsTest* t) { t->key(SDLK_c); },
                     +[](CommandsTest* t) {
                         t->key(SDLK_c);
                         t->key(SDLK_f);
                     }}) {
        engine->setCursor(300);
        act(this);
        expectCursorCentred();
    }
    EXPECT_NE(engine->view.headingOffset, 0.0);
    // "<" and ">" and the track box; "Free" without a track goes back to "Waypoint".
    engine->installGpx(readGpxText("<gpx><trk><name>One</name><trkseg><trkpt lat='1' lon='2'/>"
                                   "</trkseg></trk><trk><name>Two</name></trk></gpx>"),
                       "two.gpx");
    clickOn(control(102));
    clickOn(control(102));
    EXPECT_EQ(status(), "Selected track contains no waypoints");
    clickOn(control(101));
    EXPECT_EQ(status(), "two.gpx  |  One  |  1 points");
    EngineDriver bare(false);
    bare.engine->controls.cursorModeCombo->select(1, true);
    EXPECT_EQ(bare.engine->controls.cursorModeCombo->selectedIndex(), 0);
}

TEST_F(CommandsTest, HeldButtonMouseOnMapAndGraph) {
    auto* forward = static_cast<GuiButton*>(control(108));
    guitest::pushButton(window, true, forward->x + 9, forward->y + 9);
    while (!forward->pressed) {
        engine->runFrame(ticks);
    }
    for (auto [later, cursor] : {std::pair(349, 0), {350, 1}, {429, 1}, {430, 2}, {510, 3}}) {
        engine->runFrame(ticks + later);
        EXPECT_EQ(engine->doc.cursorIndex, cursor) << later;
    }
    ticks += 600;
    click(forward->x + 9, forward->y + 9); // the release of a held button adds no step
    EXPECT_EQ(engine->doc.cursorIndex, 4);
    // The graph's margins are 12 pixels: the first and last point; the middle rounds up.
    for (auto [x, cursor] : {std::pair(352, 0), {340, 0}, {848, 729}, {859, 729}, {600, 365}}) {
        click(x, 600);
        EXPECT_EQ(engine->doc.cursorIndex, cursor) << x;
    }
    click(400, 600, SDL_BUTTON_RIGHT);
    const ScreenPoint target = cursorOnMap(200);
    click(340 + int(std::lround(target.x)), 42 + int(std::lround(target.y)));
    const ScreenPoint picked = cursorOnMap(engine->doc.cursorIndex);
    EXPECT_LE(std::hypot(picked.x - std::lround(target.x), picked.y - std::lround(target.y)), 0.71);
    click(400, 100, SDL_BUTTON_MIDDLE);
    expectCursorCentred();
    // Right-drag moves the map pixel for pixel until a release anywhere.
    const double panX = engine->view.panX, panY = engine->view.panY;
    guitest::pushButton(window, true, 500, 300, SDL_BUTTON_RIGHT);
    guitest::pushMotion(window, 530, 280);
    frames();
    guitest::pushMotion(window, 531, 285);
    frames(); // the toolkit merges motions queued behind a release into the one before it
    guitest::pushButton(window, false, 1000, 650, SDL_BUTTON_RIGHT);
    guitest::pushMotion(window, 600, 400);
    frames();
    EXPECT_EQ(std::pair(engine->view.panX - panX, engine->view.panY - panY),
              std::pair(31.0, -15.0));
    // With "Center cursor" a wheel step zooms by 1.5 about the cursor.
    key(SDLK_c);
    guitest::pushWheel(window, 400, 100, 1);
    guitest::pushWheel(window, 100, 100, 1); // over the info list
    frames();
    EXPECT_EQ(std::pair(engine->view.zoom, status()), std::pair(1.5, std::string("Zoom: 150%")));
    expectCursorCentred();
}

TEST_F(CommandsTest, TypedAnglesMarkersAndTheFreeCursor) {
    GuiTextCtrl* fields[] = {engine->controls.angleXField, engine->controls.angleYField,
                             engine->controls.angleZField};
    auto enter = [&](const char* x, const char* y, const char* z) {
        fields[0]->setText(x), fields[1]->setText(y), fields[2]->setText(z);
        key(SDLK_RETURN);
        return fields[0]->text() + " " + fields[1]->text() + " " + fields[2]->text() + " " +
               status();
    };
    const std::string invalid = "Invalid angle; enter a whole number and press Enter";
    clickOn(fields[1]);
    engine->setCursor(100);
    engine->controls.cursorModeCombo->select(1, true);
    key(SDLK_a); // the field's key, no request for a marker
    const WayPoint& point = *engine->currentTrack()->pointAt(100);
    EXPECT_EQ(status(),
              freeCursorStatusText("sample.gpx", "free cursor", point.lat(), point.lon()));
    EXPECT_EQ(enter("725", "-30", " +7"), "5 330 7 Angles applied: X 5°, Y 330°, Z 7°");
    EXPECT_FALSE(engine->doc.freeCursor) << "typed angles leave the free cursor";
    for (const char* bad : {"12a", "", "7 ", "+-3", "2147483648", "99999999999999999999"}) {
        EXPECT_EQ(enter(bad, "1", "2"), "5 330 7 " + invalid) << '"' << bad << '"';
    }
    EXPECT_EQ(enter("-2147483648", "2147483647", "0"),
              "232 127 0 Angles applied: X 232°, Y 127°, Z 0°");
    EXPECT_EQ(enter("40", "1e3", "9"), "40 127 0 " + invalid) << "X stays applied";
    // Free cursor: no markers; a click places it, at the track box's middle for the panel's.
    engine->controls.cursorModeCombo->select(1, true);
    window->root->setFocus(nullptr);
    key(SDLK_b);
    EXPECT_EQ(std::pair(status(), engine->doc.markerB),
              std::pair(std::string("Marks require the waypoint cursor"), -1));
    const TrackBoundsCache& box = engine->trackBounds;
    click(340 + 260, 42 + 261);
    EXPECT_EQ(status(),
              freeCursorStatusText("sample.gpx", "free cursor", (box.minLat + box.maxLat) / 2,
                                   (box.minLon + box.maxLon) / 2));
    engine->controls.cursorModeCombo->select(0, true);
    key(SDLK_b);
    EXPECT_EQ(std::pair(engine->doc.freeCursor, engine->doc.markerB), std::pair(false, 100));
}

TEST_F(CommandsTest, DialogsDropsAndBadFiles) {
    auto typeInto = [&](const std::string& text) {
        for (std::size_t at = 0; at < text.size(); at += 31) { // 31 bytes per text event
            guitest::pushText(dialog()->appWindow, text.substr(at, 31).c_str());
        }
        key(SDLK_RETURN, 0, dialog()->appWindow);
    };
    auto shown = [&] { return engine->doc.gpxPath + " " + engine->map.mapPath + " " + status(); };
    clickOn(control(100));
    typeInto((dir / "ride.gpx").string());
    const std::string ride = dir / "ride.gpx", map = dir / "ride.osm";
    EXPECT_EQ(shown(), ride + " " + map + " ride.osm  |  1 map ways loaded");
    // Escape loads nothing; clicks and keys in the dialog are its own.
    key(SDLK_o, KMOD_LCTRL);
    click(400, 300, SDL_BUTTON_LEFT, dialog()->appWindow);
    key(SDLK_END, 0, dialog()->appWindow);
    drop(ride);
    key(SDLK_ESCAPE, 0, dialog()->appWindow);
    EXPECT_EQ(std::tuple(dialog(), engine->doc.cursorIndex), std::tuple(nullptr, 0));
    clickOn(control(127));
    EXPECT_EQ(dialog()->currentDir(), dir.string()) << "maps start beside the track";
    typeInto("ride.osm");
    EXPECT_EQ(engine->map.mapGeneration, 2);

    std::ofstream(dir / "empty.gpx").flush();
    std::ofstream(dir / "empty.osm").flush();
    std::ofstream(dir / "junk.gpx") << std::string(1 << 16, '\1');
    fs::copy_file(dir / "junk.gpx", dir / "junk.osm");
    fs::create_directory(dir / "dir.gpx");
    const std::string p = dir.string() + "/", none = "Invalid OSM map: no <osm> element found";
    for (auto [file, expected] :
         {std::pair("gone.gpx", "File not found: " + p + "gone.gpx"),
          {"dir.gpx", "File not found: " + p + "dir.gpx"},
          {"empty.gpx", "No tracks found in " + p + "empty.gpx"},
          {"junk.gpx", "No tracks found in " + p + "junk.gpx"},
          {"dir.gpx/x.OSM", "Could not open OSM map: " + p + "dir.gpx/x.OSM"},
          {"empty.osm", none},
          {"junk.osm", none},
          {"notes.txt", std::string("Unsupported file: notes.txt")}}) {
        drop(p + file);
        EXPECT_EQ(shown(), ride + " " + map + " " + expected);
    }
    fs::rename(dir / "ride.gpx", dir / "Tour.GPX");
    fs::rename(dir / "ride.osm", dir / "Tour.osm");
    drop(p + "Tour.GPX");
    EXPECT_EQ(shown(), p + "Tour.GPX " + p + "Tour.osm Tour.osm  |  1 map ways loaded");
}

} // namespace
} // namespace trakmoor
