// The main window's buttons, selectors, keys and mouse, the file dialogs and dropped files, by
// real SDL events on the engine showing the 730 points of the sample track.
#include "EngineDriver.h"
#include "app/StatusLine.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiTextCtrl.h"
#include "map/MapProjection.h"
#include "track/GpxReader.h"
#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace trakmoor {
namespace {
namespace fs = std::filesystem;

struct Driver : EngineDriver {
    using EngineDriver::EngineDriver;
    void press(int id, int nth = 0) {
        for (const auto& c : window->root->children) {
            if (c->id == id && nth-- == 0) {
                return click(c->x + c->width / 2, c->y + c->height / 2);
            }
        }
    }
    void drop(const std::string& path, const AppWindow* to = nullptr) {
        SDL_Event event{SDL_DROPFILE};
        event.drop = {SDL_DROPFILE, 0, SDL_strdup(path.c_str()), (to ? to : window)->id};
        SDL_PushEvent(&event);
        frames();
    }
    // Cursor, markers, zoom, pan, angles, options (a '?' where a check box shows otherwise),
    // fitted window and open dialog, as words.
    std::string state() const {
        const TrakmoorEngine& e = *engine;
        const MainWindowControls& c = e.controls;
        auto bit = [](bool on, const GuiCheckBox* box) {
            return on != box->pressed ? '?' : char('0' + on);
        };
        std::ostringstream out;
        out << "c" << e.doc.cursorIndex << " m" << e.doc.markerA << "," << e.doc.markerB << " z"
            << e.view.zoom << " p" << e.view.panX << "," << e.view.panY << " r" << e.view.angleX
            << "," << e.view.angleY << "," << e.view.angleZ << " o"
            << bit(e.options.showWaypoints, c.waypointsCheck)
            << bit(e.view.showHeight, c.heightCheck)
            << bit(e.options.showDirectLine, c.directLineCheck)
            << bit(e.options.showOsmBackground, c.osmBackgroundCheck)
            << (e.fit.windowFitted ? " fit" : "")
            << (dialog() ? e.mapDialogPending ? " map" : " gpx" : "");
        return out.str();
    }
    ScreenPoint onMap(int index) {
        const Track& track = *engine->currentTrack();
        return ProjectWayPoint(engine->view, engine->trackBounds, track, 520, 522,
                               *track.pointAt(index), true);
    }
    void expectCursorCentred() {
        const ScreenPoint at = onMap(engine->doc.cursorIndex);
        EXPECT_EQ(std::pair(std::lround(at.x * 1e6), std::lround(at.y * 1e6)),
                  std::pair(260000000L, 261000000L));
    }
    const std::string& status() const { return engine->controls.statusLabel->text; }
};

// From cursor 5 of a fresh engine, what an action changes: the words of the state that differ.
template <typename Act> std::string changes(Act act) {
    Driver d;
    d.engine->setCursor(5);
    std::istringstream before(d.state());
    act(d);
    std::string after = " " + d.state() + " ", word;
    while (before >> word) {
        if (const std::size_t at = after.find(" " + word + " "); at != std::string::npos) {
            after.erase(at, word.size() + 1);
        }
    }
    return after.substr(1, after.size() - 2);
}

// Rows "ACTION EXPECTED;": ACTION #ID[/NTH] clicks a button, any other names a key as SDL does
// ('_' for a blank; C- with Ctrl, S- with Shift); EXPECTED "=" when nothing changes.
TEST(EngineCommands, EveryButtonAndKeyOfTheTables) {
    std::istringstream table(
        "#100 gpx;#103 z1.25;#103/1 z1.25;#104 z0.8;#104/1 z0.8;#105 c0;#107 c4;#108 c6;#109 c0;"
        "#110 c729;#119 m5,-1;#120 m-1,5;#121 r355,0,0;#122 r5,0,0;#123 r0,355,0;#124 r0,5,0;"
        "#125 r0,0,355;#126 r0,0,5;#127 map;#133 fit;C-O gpx;+ z1.25;S-= z1.25;C-Keypad_+ z1.25;- "
        "z0.8;"
        "Keypad_- z0.8;Escape c0;C-F11 fit;Home c0;End c729;S-PageUp c6;C-PageUp c15;PageDown c4;"
        "C-PageDown c0;S-A m5,-1;B m-1,5;W o1001;H o0101;D o0011;M o0000;Left p-50,0;Right p50,0;"
        "Up p0,-50;Down p0,50;C-A =;O =");
    for (std::string row, action, expected; std::getline(table, row, ';');) {
        std::istringstream(row) >> action >> expected;
        const Uint16 mod = action[1] != '-' ? 0 : action[0] == 'C' ? KMOD_LCTRL : KMOD_LSHIFT;
        action = action.substr(mod ? 2 : 0);
        std::replace(action.begin(), action.end(), '_', ' ');
        EXPECT_EQ(changes([&](Driver& d) {
                      action[0] == '#' ? d.press(std::stoi(action.substr(1)), action.size() > 4)
                                       : d.key(SDL_GetKeyFromName(action.c_str()), mod);
                  }),
                  expected == "=" ? "" : expected)
            << row;
    }
    // "Center", "c" and "f" bring the cursor to the middle, "f" turned upward; rotating is Custom.
    Driver d;
    for (auto act : {+[](Driver& t) { t.press(112); }, +[](Driver& t) { t.key(SDLK_c); },
                     +[](Driver& t) { t.press(126), t.key(SDLK_c), t.key(SDLK_f); }}) {
        d.engine->setCursor(300);
        act(d);
        d.expectCursorCentred();
    }
    EXPECT_NE(d.engine->view.headingOffset, 0.0);
    EXPECT_EQ(d.engine->controls.perspectiveCombo->selectedIndex(), 5);
    // "<", ">" and the track box; "Free" without a track goes back to "Waypoint".
    d.engine->installGpx(readGpxText("<gpx><trk><name>A</name><trkseg><trkpt lat='1' lon='2'/>"
                                     "</trkseg></trk><trk/></gpx>"),
                         "two.gpx");
    d.press(102);
    d.press(102);
    EXPECT_EQ(d.status(), "Selected track contains no waypoints");
    d.press(101);
    EXPECT_EQ(d.status(), "two.gpx  |  A  |  1 points");
    Driver bare(false);
    bare.engine->controls.cursorModeCombo->select(1, true);
    EXPECT_EQ(bare.engine->controls.cursorModeCombo->selectedIndex(), 0);
}

TEST(EngineCommands, HeldButtonMouseAnglesAndFreeCursor) {
    Driver d;
    guitest::pushButton(d.window, true, 915, 90); // held on "cursor forward"
    for (auto [later, cursor] :
         {std::pair(0, 0), {349, 0}, {350, 1}, {429, 1}, {430, 2}, {510, 3}}) {
        do {
            d.engine->runFrame(d.ticks + later);
        } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
        EXPECT_EQ(d.engine->doc.cursorIndex, cursor) << later;
    }
    guitest::pushButton(d.window, false, 915, 90); // the release adds no step
    d.frames();
    // The graph's margins are 12 pixels: first and last point; the middle rounds up.
    for (auto [x, cursor] : {std::pair(352, 0), {340, 0}, {848, 729}, {859, 729}, {600, 365}}) {
        d.click(x, 600);
        EXPECT_EQ(d.engine->doc.cursorIndex, cursor) << x;
    }
    const ScreenPoint target = d.onMap(200);
    d.click(340 + int(std::lround(target.x)), 42 + int(std::lround(target.y)));
    const ScreenPoint picked = d.onMap(d.engine->doc.cursorIndex);
    EXPECT_LE(std::hypot(picked.x - std::lround(target.x), picked.y - std::lround(target.y)), 0.71);
    d.click(400, 100, SDL_BUTTON_MIDDLE);
    d.expectCursorCentred();
    // Right-drag moves the map pixel for pixel until a release anywhere.
    const double panX = d.engine->view.panX, panY = d.engine->view.panY;
    guitest::pushButton(d.window, true, 500, 300, SDL_BUTTON_RIGHT);
    guitest::pushMotion(d.window, 530, 280);
    d.frames(); // the toolkit merges motions queued behind a release into the one before it
    guitest::pushButton(d.window, false, 1000, 650, SDL_BUTTON_RIGHT);
    guitest::pushMotion(d.window, 600, 400);
    d.frames();
    EXPECT_EQ(std::pair(d.engine->view.panX - panX, d.engine->view.panY - panY),
              std::pair(30.0, -20.0));
    // With "Center cursor" a wheel step zooms by 1.5 about the cursor.
    d.key(SDLK_c);
    guitest::pushWheel(d.window, 400, 100, 1);
    guitest::pushWheel(d.window, 100, 100, 1); // over the info list
    d.frames();
    EXPECT_EQ(d.status(), "Zoom: 150%");
    d.expectCursorCentred();

    // Typed angles, Return in a field; "a" there is the field's, not a marker in free mode.
    GuiTextCtrl* fields[] = {d.engine->controls.angleXField, d.engine->controls.angleYField,
                             d.engine->controls.angleZField};
    d.click(fields[1]->x + 5, fields[1]->y + 5);
    d.engine->setCursor(100);
    d.engine->controls.cursorModeCombo->select(1, true);
    d.key(SDLK_a);
    const WayPoint& point = *d.engine->currentTrack()->pointAt(100);
    EXPECT_EQ(d.status(),
              freeCursorStatusText("sample.gpx", "free cursor", point.lat(), point.lon()));
    const std::string invalid = "Invalid angle; enter a whole number and press Enter";
    for (auto [x, y, z, shown] :
         {std::tuple<const char*, const char*, const char*, std::string>(
              "725", "-30", " +7", "5 330 7 Angles applied: X 5°, Y 330°, Z 7°"),
          {"12a", "1", "2", "5 330 7 " + invalid},
          {"", "1", "2", "5 330 7 " + invalid},
          {"7 ", "1", "2", "5 330 7 " + invalid},
          {"+-3", "1", "2", "5 330 7 " + invalid},
          {"2147483648", "1", "2", "5 330 7 " + invalid},
          {"-2147483648", "2147483647", "0", "232 127 0 Angles applied: X 232°, Y 127°, Z 0°"},
          {"40", "1e3", "9", "40 127 0 " + invalid}}) { // X stays applied
        fields[0]->setText(x), fields[1]->setText(y), fields[2]->setText(z);
        d.key(SDLK_RETURN);
        EXPECT_EQ(fields[0]->text() + " " + fields[1]->text() + " " + fields[2]->text() + " " +
                      d.status(),
                  shown);
    }
    EXPECT_FALSE(d.engine->doc.freeCursor) << "typed angles leave the free cursor";
    // In free mode no markers; a click places the free cursor (the panel's middle: the box's).
    d.engine->controls.cursorModeCombo->select(1, true);
    d.window->root->setFocus(nullptr);
    d.key(SDLK_b);
    EXPECT_EQ(std::pair(d.status(), d.engine->doc.markerB),
              std::pair(std::string("Marks require the waypoint cursor"), -1));
    const TrackBoundsCache& box = d.engine->trackBounds;
    d.engine->view.panX = d.engine->view.panY = 0;
    d.click(340 + 260, 42 + 261);
    EXPECT_EQ(d.status(),
              freeCursorStatusText("sample.gpx", "free cursor", (box.minLat + box.maxLat) / 2,
                                   (box.minLon + box.maxLon) / 2));
}

TEST(EngineCommands, DialogsDropsAndBadFiles) {
    const fs::path dir =
        fs::temp_directory_path() / ("trakmoor-commands-" + std::to_string(getpid()));
    fs::create_directories(dir / "dir.gpx");
    const std::string p = dir.string() + "/", ride = p + "ride.gpx", map = p + "ride.osm";
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", ride);
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", map);
    Driver d;
    auto typeIntoDialog = [&](const std::string& text) {
        for (std::size_t at = 0; at < text.size(); at += 31) { // 31 bytes per text event
            guitest::pushText(d.dialog()->appWindow, text.substr(at, 31).c_str());
        }
        d.key(SDLK_RETURN, 0, d.dialog()->appWindow);
    };
    auto shown = [&] {
        return d.engine->doc.gpxPath + " " + d.engine->map.mapPath + " " + d.status();
    };
    d.press(100);
    typeIntoDialog(ride);
    EXPECT_EQ(shown(), ride + " " + map + " ride.osm  |  1 map ways loaded");
    // Escape loads nothing; clicks, keys and drops while the dialog is open are its own.
    d.key(SDLK_o, KMOD_LCTRL);
    d.click(400, 300, SDL_BUTTON_LEFT, d.dialog()->appWindow);
    d.key(SDLK_END, 0, d.dialog()->appWindow);
    d.drop(p + "x.gpx");
    d.drop(p + "x.gpx", d.dialog()->appWindow);
    d.key(SDLK_ESCAPE, 0, d.dialog()->appWindow);
    EXPECT_EQ(std::tuple(d.dialog(), d.engine->doc.cursorIndex, shown()),
              std::tuple(nullptr, 0, ride + " " + map + " ride.osm  |  1 map ways loaded"));
    d.press(127);
    EXPECT_EQ(d.dialog()->currentDir(), dir.string()) << "maps start beside the track";
    typeIntoDialog("ride.osm");
    EXPECT_EQ(d.engine->map.mapGeneration, 2);

    std::ofstream(dir / "empty.osm").flush();
    std::ofstream(dir / "empty.gpx").flush();
    std::ofstream(dir / "junk.gpx") << std::string(1 << 16, '\1');
    fs::copy_file(dir / "junk.gpx", dir / "junk.osm");
    const std::string none = "Invalid OSM map: neither OSM XML, .osm.pbf, gzip nor bzip2 data";
    for (auto [file, expected] : {std::pair("gone.gpx", "File not found: " + p + "gone.gpx"),
                                  {"dir.gpx", "File not found: " + p + "dir.gpx"},
                                  {"empty.gpx", "Not a GPX file: " + p + "empty.gpx"},
                                  {"junk.gpx", "Not a GPX file: " + p + "junk.gpx"},
                                  {"gone.XML", "Could not open OSM map: " + p + "gone.XML"},
                                  {"empty.osm", "Invalid OSM map: the file is empty"},
                                  {"junk.osm", none},
                                  {"a.txt", std::string("Unsupported file: a.txt")}}) {
        d.drop(p + file); // the track and map shown stay
        EXPECT_EQ(shown(), ride + " " + map + " " + expected);
    }
    fs::rename(ride, p + "Tour.GPX");
    fs::rename(map, p + "Tour.osm");
    d.drop(p + "Tour.GPX");
    EXPECT_EQ(shown(), p + "Tour.GPX " + p + "Tour.osm Tour.osm  |  1 map ways loaded");
    fs::remove_all(dir);
}

} // namespace
} // namespace trakmoor
