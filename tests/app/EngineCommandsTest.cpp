// The main window's buttons, selectors, keys and mouse, the file dialogs and dropped files, by
// real SDL events on the engine showing the 730 points of the sample track.
#include "EngineDriver.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiTextCtrl.h"
#include "gui/TempDir.h"
#include "track/GpxReader.h"
#include <fstream>
#include <gtest/gtest.h>

namespace trakmoor {
namespace {
namespace fs = std::filesystem;

// What a command may change, as a fresh engine with the cursor on point 5 shows it.
struct Shown {
    int cursor = 5, markerA = -1, markerB = -1;
    double zoom = 1.0, panX = 0.0, panY = 0.0;
    int angleX = 0, angleY = 0, angleZ = 0;
    bool waypoints = false, height = false, directLine = false, osm = true;
    bool fitted = false, boxesAgree = true;
    enum Dialog { none, gpx, map } dialog = none;
    friend bool operator==(const Shown&, const Shown&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Shown& s) {
        return out << "cursor " << s.cursor << " markers " << s.markerA << "," << s.markerB
                   << " zoom " << s.zoom << " pan " << s.panX << "," << s.panY << " angles "
                   << s.angleX << "," << s.angleY << "," << s.angleZ << " options " << s.waypoints
                   << s.height << s.directLine << s.osm << " fitted " << s.fitted << " boxes agree "
                   << s.boxesAgree << " dialog " << s.dialog;
    }
};

Shown shown(const EngineDriver& d) {
    const TrakmoorEngine& e = *d.engine;
    const MainWindowControls& c = d.controls();
    const DisplayOptions& o = e.displayOptions();
    const ViewState& v = d.view();
    return {d.marks().cursorIndex,
            d.marks().markerA,
            d.marks().markerB,
            v.zoom,
            v.panX,
            v.panY,
            v.angleX,
            v.angleY,
            v.angleZ,
            o.showWaypoints,
            v.showHeight,
            o.showDirectLine,
            o.showOsmBackground,
            e.windowFitted(),
            c.waypointsCheck->pressed == o.showWaypoints &&
                c.heightCheck->pressed == v.showHeight &&
                c.directLineCheck->pressed == o.showDirectLine &&
                c.osmBackgroundCheck->pressed == o.showOsmBackground,
            !d.dialog()            ? Shown::none
            : e.mapDialogPending() ? Shown::map
                                   : Shown::gpx};
}

struct Input {
    int button = 0, nth = 0;
    SDL_Keycode key = 0;
    Uint16 mod = 0;
};
Input button(int id, int nth = 0) {
    return {id, nth};
}
Input key(SDL_Keycode sym, Uint16 mod = 0) {
    return {0, 0, sym, mod};
}

TEST(EngineCommands, EveryButtonAndKeyOfTheTables) {
    const struct Row {
        const char* name;
        Input input;
        Shown expected;
    } rows[] = {
        {"Open GPX", button(100), {.dialog = Shown::gpx}},
        {"+", button(103), {.zoom = 1.25}},
        {"zoom in icon", button(103, 1), {.zoom = 1.25}},
        {"-", button(104), {.zoom = 0.8}},
        {"zoom out icon", button(104, 1), {.zoom = 0.8}},
        {"Reset", button(105), {.cursor = 0}},
        {"cursor backward", button(107), {.cursor = 4}},
        {"cursor forward", button(108), {.cursor = 6}},
        {"start", button(109), {.cursor = 0}},
        {"end", button(110), {.cursor = 729}},
        {"marker A", button(119), {.markerA = 5}},
        {"marker B", button(120), {.markerB = 5}},
        {"X left", button(121), {.angleX = 355}},
        {"X right", button(122), {.angleX = 5}},
        {"Y left", button(123), {.angleY = 355}},
        {"Y right", button(124), {.angleY = 5}},
        {"Z left", button(125), {.angleZ = 355}},
        {"Z right", button(126), {.angleZ = 5}},
        {"Open OSM", button(127), {.dialog = Shown::map}},
        {"Fit window", button(133), {.fitted = true}},
        {"Ctrl+O", key(SDLK_o, KMOD_LCTRL), {.dialog = Shown::gpx}},
        {"o alone", key(SDLK_o), {}},
        {"+ key", key(SDLK_PLUS), {.zoom = 1.25}},
        {"Shift+= is + on many keyboards", key(SDLK_EQUALS, KMOD_LSHIFT), {.zoom = 1.25}},
        {"keypad + with Ctrl", key(SDLK_KP_PLUS, KMOD_LCTRL), {.zoom = 1.25}},
        {"- key", key(SDLK_MINUS), {.zoom = 0.8}},
        {"keypad -", key(SDLK_KP_MINUS), {.zoom = 0.8}},
        {"Escape", key(SDLK_ESCAPE), {.cursor = 0}},
        {"Ctrl+F11", key(SDLK_F11, KMOD_LCTRL), {.fitted = true}},
        {"Home", key(SDLK_HOME), {.cursor = 0}},
        {"End", key(SDLK_END), {.cursor = 729}},
        {"Shift+Page Up", key(SDLK_PAGEUP, KMOD_LSHIFT), {.cursor = 6}},
        {"Ctrl+Page Up", key(SDLK_PAGEUP, KMOD_LCTRL), {.cursor = 15}},
        {"Page Down", key(SDLK_PAGEDOWN), {.cursor = 4}},
        {"Ctrl+Page Down stops at 0", key(SDLK_PAGEDOWN, KMOD_LCTRL), {.cursor = 0}},
        {"Shift+a", key(SDLK_a, KMOD_LSHIFT), {.markerA = 5}},
        {"Ctrl+a", key(SDLK_a, KMOD_LCTRL), {}},
        {"b", key(SDLK_b), {.markerB = 5}},
        {"w", key(SDLK_w), {.waypoints = true}},
        {"h", key(SDLK_h), {.height = true}},
        {"d", key(SDLK_d), {.directLine = true}},
        {"m", key(SDLK_m), {.osm = false}},
        {"Left", key(SDLK_LEFT), {.panX = -50}},
        {"Right", key(SDLK_RIGHT), {.panX = 50}},
        {"Up", key(SDLK_UP), {.panY = -50}},
        {"Down", key(SDLK_DOWN), {.panY = 50}},
    };
    for (const Row& row : rows) {
        EngineDriver d;
        d.engine->setCursor(5);
        row.input.button ? d.press(row.input.button, row.input.nth)
                         : d.key(row.input.key, row.input.mod);
        EXPECT_EQ(shown(d), row.expected) << row.name;
    }
}

TEST(EngineCommands, CentringRotatingAndTheCursorModeWithoutATrack) {
    // "Center", "c" and "f" bring the cursor to the middle, "f" turned upward.
    EngineDriver d;
    for (auto act :
         {+[](EngineDriver& t) { t.press(112); }, +[](EngineDriver& t) { t.key(SDLK_c); },
          +[](EngineDriver& t) { t.key(SDLK_c), t.key(SDLK_f); }}) {
        d.engine->setCursor(300);
        act(d);
        EXPECT_TRUE(d.cursorCentred());
    }
    const ScreenPoint here = d.onMap(300), next = d.onMap(301);
    EXPECT_NEAR(next.x, here.x, 1e-6);
    EXPECT_LT(next.y, here.y);
    d.press(126);
    EXPECT_EQ(d.controls().perspectiveCombo->selectedIndex(), 5) << "rotating is Custom";
    // "Free" without a track goes back to "Waypoint".
    EngineDriver bare(false);
    bare.controls().cursorModeCombo->select(1, true);
    EXPECT_EQ(bare.controls().cursorModeCombo->selectedIndex(), 0);
}

TEST(EngineCommands, HeldButtonMouseAnglesAndFreeCursor) {
    EngineDriver d;
    guitest::pushButton(d.window, true, 915, 90); // held on "cursor forward"
    for (auto [later, cursor] :
         {std::pair(0, 0), {349, 0}, {350, 1}, {429, 1}, {430, 2}, {510, 3}}) {
        guitest::runUntilIdle(*d.engine, d.ticks + later);
        EXPECT_EQ(d.marks().cursorIndex, cursor) << later;
    }
    guitest::pushButton(d.window, false, 915, 90); // the release adds no step
    d.frames();
    // The graph's margins are 12 pixels: first and last point; the middle rounds up.
    for (auto [x, cursor] : {std::pair(352, 0), {340, 0}, {848, 729}, {859, 729}, {600, 365}}) {
        d.click(x, 600);
        EXPECT_EQ(d.marks().cursorIndex, cursor) << x;
    }
    const ScreenPoint target = d.onMap(200);
    d.click(340 + int(std::lround(target.x)), 42 + int(std::lround(target.y)));
    const ScreenPoint picked = d.onMap(d.marks().cursorIndex);
    EXPECT_LE(std::hypot(picked.x - std::lround(target.x), picked.y - std::lround(target.y)), 0.71);
    d.click(400, 100, SDL_BUTTON_MIDDLE);
    EXPECT_TRUE(d.cursorCentred());
    // Right-drag moves the map pixel for pixel until a release anywhere.
    const double panX = d.view().panX, panY = d.view().panY;
    guitest::pushButton(d.window, true, 500, 300, SDL_BUTTON_RIGHT);
    guitest::pushMotion(d.window, 530, 280);
    d.frames(); // the toolkit merges motions queued behind a release into the one before it
    guitest::pushButton(d.window, false, 1000, 650, SDL_BUTTON_RIGHT);
    guitest::pushMotion(d.window, 600, 400);
    d.frames();
    EXPECT_EQ(std::pair(d.view().panX - panX, d.view().panY - panY), std::pair(30.0, -20.0));
    // With "Center cursor" a wheel step zooms by 1.5 about the cursor; not over the info list.
    d.key(SDLK_c);
    guitest::pushWheel(d.window, 400, 100, 1);
    guitest::pushWheel(d.window, 100, 100, 1);
    d.frames();
    EXPECT_EQ(d.status(), "Zoom: 150%");
    EXPECT_TRUE(d.cursorCentred());

    // Typed angles, Return in a field; "a" there is the field's, not a marker in free mode.
    GuiTextCtrl* fields[] = {d.controls().angleXField, d.controls().angleYField,
                             d.controls().angleZField};
    d.click(fields[1]->x + 5, fields[1]->y + 5);
    d.engine->setCursor(100);
    d.controls().cursorModeCombo->select(1, true);
    d.key(SDLK_a);
    const WayPoint& point = *d.engine->currentTrack()->pointAt(100);
    char place[64];
    std::snprintf(place, sizeof place, "%.6f, %.6f", point.lat(), point.lon());
    EXPECT_EQ(d.status(), std::string("sample.gpx  |  free cursor  |  ") + place);
    const std::string invalid = "Invalid angle; enter a whole number and press Enter";
    for (auto [x, y, z, after] :
         {std::tuple<const char*, const char*, const char*, std::string>(
              "725", "-30", " +7", "5 330 7 Angles applied: X 5°, Y 330°, Z 7°"),
          {"12a", "1", "2", "5 330 7 " + invalid},
          {"40", "1e3", "9", "40 330 7 " + invalid}}) { // X stays applied
        fields[0]->setText(x), fields[1]->setText(y), fields[2]->setText(z);
        d.key(SDLK_RETURN);
        EXPECT_EQ(fields[0]->text() + " " + fields[1]->text() + " " + fields[2]->text() + " " +
                      d.status(),
                  after);
    }
    EXPECT_FALSE(d.marks().freeCursor) << "typed angles leave the free cursor";
    // A click on the map or the graph takes the keys from the field: + zooms again.
    for (const auto& [x, y] : {std::pair(350, 52), std::pair(350, 600)}) {
        d.click(fields[0]->x + 5, fields[0]->y + 5);
        d.click(x, y);
        const double zoom = d.engine->viewState().zoom;
        d.key(SDLK_PLUS);
        EXPECT_GT(d.engine->viewState().zoom, zoom);
    }
    // In free mode no markers; a click moves the free cursor.
    d.controls().cursorModeCombo->select(1, true);
    d.window->root->setFocus(nullptr);
    d.key(SDLK_b);
    EXPECT_EQ(std::pair(d.status(), d.marks().markerB),
              std::pair(std::string("Marks require the waypoint cursor"), -1));
    const TrackMarks before = d.marks();
    d.click(340 + 100, 42 + 100);
    EXPECT_TRUE(d.marks().freeCursor);
    EXPECT_NE(d.marks(), before);
    EXPECT_TRUE(d.status().starts_with("sample.gpx  |  free cursor  |  "));
}

TEST(EngineCommands, DialogsDropsAndBadFiles) {
    const TempDir tmp;
    const fs::path& dir = tmp.path();
    fs::create_directories(dir / "dir.gpx");
    const std::string p = dir.string() + "/", ride = p + "ride.gpx", map = p + "ride.osm";
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", ride);
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", map);
    EngineDriver d;
    auto typeIntoDialog = [&](const std::string& text) {
        for (std::size_t at = 0; at < text.size(); at += 31) { // 31 bytes per text event
            guitest::pushText(d.dialog()->appWindow, text.substr(at, 31).c_str());
        }
        d.key(SDLK_RETURN, 0, d.dialog()->appWindow);
    };
    auto files = [&] {
        const BackgroundMap& shown = d.engine->backgroundMap();
        return d.engine->document().path() + " " + shown.path() + " " +
               std::to_string(shown.generation()) + " " + d.status();
    };
    d.press(100);
    typeIntoDialog(ride);
    EXPECT_EQ(files(), ride + " " + map + " 1 ride.osm  |  1 map ways loaded");
    // Escape loads nothing; clicks, keys and drops while the dialog is open are its own.
    d.key(SDLK_o, KMOD_LCTRL);
    EXPECT_EQ(d.dialog()->currentDir(), dir.string()) << "tracks start beside the open one";
    d.click(400, 300, SDL_BUTTON_LEFT, d.dialog()->appWindow);
    d.key(SDLK_END, 0, d.dialog()->appWindow);
    d.drop(p + "x.gpx");
    d.drop(p + "x.gpx", d.dialog()->appWindow);
    d.key(SDLK_ESCAPE, 0, d.dialog()->appWindow);
    EXPECT_EQ(std::tuple(d.dialog(), d.marks().cursorIndex, files()),
              std::tuple(nullptr, 0, ride + " " + map + " 1 ride.osm  |  1 map ways loaded"));
    d.press(127);
    EXPECT_EQ(d.dialog()->currentDir(), dir.string()) << "maps start beside the track";
    typeIntoDialog("ride.osm");

    std::ofstream(dir / "empty.osm").flush();
    std::ofstream(dir / "empty.gpx").flush();
    std::ofstream(dir / "junk.gpx") << std::string(1 << 16, '\1');
    std::ofstream(dir / "bad.osm") << "<osm>\n<node id=\"1\" lat=\"47.1x\" lon=\"9.5\"/>\n</osm>\n";
    fs::copy_file(dir / "junk.gpx", dir / "junk.osm");
    const std::string none = "Invalid OSM map: neither OSM XML, .osm.pbf, gzip nor bzip2 data";
    for (auto [file, expected] : {std::pair("gone.gpx", "File not found: " + p + "gone.gpx"),
                                  {"dir.gpx", "Is a directory: " + p + "dir.gpx"},
                                  {"empty.gpx", "Not a GPX file: " + p + "empty.gpx"},
                                  {"junk.gpx", "Not a GPX file: " + p + "junk.gpx"},
                                  {"gone.XML", "Could not open OSM map: " + p + "gone.XML"},
                                  {"empty.osm", "Invalid OSM map: the file is empty"},
                                  {"junk.osm", none},
                                  {"bad.osm", "Invalid OSM map: Invalid XML number: 47.1x"},
                                  {"a.txt", std::string("Unsupported file: a.txt")}}) {
        d.drop(p + file); // the track and map shown stay
        EXPECT_EQ(files(), ride + " " + map + " 2 " + expected);
    }
    fs::rename(ride, p + "Tour.GPX");
    fs::rename(map, p + "Tour.osm");
    d.drop(p + "Tour.GPX");
    EXPECT_EQ(files(), p + "Tour.GPX " + p + "Tour.osm 3 Tour.osm  |  1 map ways loaded");
}

} // namespace
} // namespace trakmoor
