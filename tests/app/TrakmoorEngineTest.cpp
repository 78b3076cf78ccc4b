// The engine's state and operations: the main window at start and at other sizes, documents,
// tracks, maps, the status line, the view operations and the download of a missing map.
#include "EngineDriver.h"
#include "app/AppPaths.h"
#include "app/TrackInfoPrinter.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"
#include "gui/TempDir.h"
#include "map/LocalHttpServer.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;
using guitest::rgb;

// Cairo and SDL may round a fraction to either neighbour.
bool nearColour(Uint32 actual, Uint32 expected) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(int((actual >> shift) & 0xFF) - int((expected >> shift) & 0xFF)) > 1) {
            return false;
        }
    }
    return true;
}

std::pair<int, int> windowSize(const AppWindow* window) {
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
    return {w, h};
}

// The info list as "label=value" lines, group nodes as their label.
std::vector<std::string> infoLines(const EngineDriver& d) {
    std::vector<std::string> lines;
    for (const auto& node : d.controls().infoList->nodes()) {
        const auto& c = node.cells;
        lines.push_back(c.at(1).empty() ? c.at(0) : c.at(0) + "=" + c.at(1));
    }
    return lines;
}

TEST(Engine, StartsAtItsDefaultsAndCheckBoxesDriveTheirOptions) {
    EngineDriver d(false);
    int w = 0, h = 0;
    SDL_GetWindowMinimumSize(d.window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(850, 650));
    EXPECT_EQ(d.status() + " | " + d.controls().mapLabel->text,
              "Open a GPX file to begin | No map loaded");
    d.engine->loadBuiltInSample();
    // Every command id 100..133 once; zoom in and out (103, 104) as text and as icon buttons.
    std::map<int, int> uses;
    for (const auto& child : d.window->root->children) {
        uses[child->id] += child->id >= 100 ? 1 : 0;
    }
    for (int id = 100; id <= 133; ++id) {
        EXPECT_EQ(uses[id], id == 103 || id == 104 ? 2 : 1) << id;
    }
    EXPECT_EQ(uses.rbegin()->first, 133);

    // A click turns each option from its default; only the OSM background starts on.
    const DisplayOptions& options = d.engine->displayOptions();
    const ViewState& view = d.view();
    const MainWindowControls& c = d.controls();
    d.engine->setCursor(300);
    for (auto [box, option, expected] : {std::tuple<GuiCheckBox*, const bool&, bool>{
                                             c.waypointsCheck, options.showWaypoints, true},
                                         {c.osmBackgroundCheck, options.showOsmBackground, false},
                                         {c.heightCheck, view.showHeight, true},
                                         {c.directLineCheck, options.showDirectLine, true},
                                         {c.followDirectionCheck, view.followDirection, true},
                                         {c.centerCursorCheck, view.followCursor, true}}) {
        d.click(box->x + 8, box->y + 12);
        EXPECT_EQ(option, expected) << box->label;
    }
    // Leaving the direction behind drops the turn it gave the view.
    EXPECT_NE(view.headingOffset, 0.0);
    d.click(c.followDirectionCheck->x + 8, c.followDirectionCheck->y + 12);
    EXPECT_EQ(view.headingOffset, 0.0);
}

TEST(Engine, ControlsAndPanelsFollowTheWindowSize) {
    const Uint32 mapBackground = rgb(245, 247, 250);
    for (auto [width, height, rightShift, panelWidth] :
         {std::tuple(1100, 720, 0, 520), {1300, 720, 200, 720}, {850, 650, -250, 270}}) {
        SCOPED_TRACE(width);
        EngineDriver d(false);
        d.frames();
        SDL_SetWindowSize(d.window->sdlWindow.get(), width, height);
        d.frames();
        const MainWindowControls& c = d.controls();
        EXPECT_EQ(windowSize(d.window), std::pair(width, height));
        EXPECT_EQ(std::tuple(c.angleZField->x, c.fitWindowButton->x, c.trackCombo->x),
                  std::tuple(1036 + rightShift, 870 + rightShift, 146));
        EXPECT_EQ(
            std::tuple(c.mapPanel->width, c.mapPanel->height, c.graphPanel->y, c.graphPanel->width),
            std::tuple(panelWidth, height - 198, height - 156, panelWidth));
        EXPECT_EQ(std::tuple(c.statusLabel->y, c.statusLabel->width, c.infoList->height),
                  std::tuple(height - 22, width - 16, height - 128));
        // Resized panels get new surfaces, painted (without a track) before they show: map grid
        // lines on multiples of 50, graph lines two pixels wide from y = 20 every 25 pixels.
        auto pixel = [&](int x, int y) { return guitest::pixelAt(d.window, x, y); };
        EXPECT_PRED2(nearColour, pixel(365, 67), mapBackground);
        EXPECT_PRED2(nearColour, pixel(335 + panelWidth, height - 161), mapBackground);
        EXPECT_FALSE(nearColour(pixel(390, 67), mapBackground));
        EXPECT_FALSE(nearColour(pixel(365, 142), mapBackground));
        EXPECT_PRED2(nearColour, pixel(335 + panelWidth, height - 146), rgb(250, 250, 250));
        EXPECT_PRED2(nearColour, pixel(365, height - 112), rgb(219, 224, 230));
    }
}

TEST(Engine, FitAndRestoreAlsoFromAFullscreenStart) {
    EngineDriver d(false, true);
    GuiButton* fit = d.controls().fitWindowButton;
    EXPECT_EQ(fit->label, "Restore window");
    d.engine->toggleFitWindow();
    EXPECT_EQ(windowSize(d.window), std::pair(1100, 720));
    EXPECT_EQ(SDL_GetWindowFlags(d.window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    EXPECT_EQ(fit->label, "Fit window to screen");

    SDL_SetWindowPosition(d.window->sdlWindow.get(), 30, 40);
    SDL_SetWindowSize(d.window->sdlWindow.get(), 900, 700);
    d.engine->toggleFitWindow();
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    EXPECT_EQ(windowSize(d.window), std::pair(usable.w, usable.h));
    EXPECT_EQ(fit->label, "Restore window");

    d.engine->toggleFitWindow();
    int x = 0, y = 0;
    SDL_GetWindowPosition(d.window->sdlWindow.get(), &x, &y);
    EXPECT_EQ(std::tuple(x, y, windowSize(d.window), d.engine->windowFitted()),
              std::tuple(30, 40, std::pair(900, 700), false));
}

TEST(Engine, BuiltInSampleWithMarkersAndDefaultMap) {
    EngineDriver d;
    EXPECT_EQ(d.status(), "sample.gpx  |  RHEIN RIDE  |  730 track points");
    // The rows in order, translated through the (English) catalogue, groups expanded.
    std::vector<std::string> lines = infoLines(d);
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(std::tuple(lines[1], lines[19], lines[22]),
              std::tuple("Name=RHEIN RIDE", "Moving average=12.0 km/h", "Waypoint B=-"));
    for (int group : {0, 5, 20}) {
        EXPECT_TRUE(d.controls().infoList->isExpanded(group)) << lines[group];
    }
    for (auto [cursor, a] : {std::pair(10, true), {3, false}}) {
        d.engine->setCursor(cursor);
        d.engine->setMarker(a);
    }
    lines = infoLines(d);
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(std::tuple(lines[21], lines[26], lines[30]),
              std::tuple("Waypoint A=11", "Waypoints=8", "Moving time=0:00:35"));

    const auto map = findDefaultMap(defaultMapCandidates(std::nullopt));
    ASSERT_TRUE(map.has_value()) << "the build folder holds data/data.osm";
    d.engine->LoadOsmMap(*map);
    const std::size_t features = d.engine->backgroundMap().features().size();
    EXPECT_GT(features, 1000u);
    EXPECT_EQ(d.controls().mapLabel->text,
              "data.osm  |  " + std::to_string(features) + " map ways");
    EXPECT_EQ(d.status(), "data.osm  |  " + std::to_string(features) + " map ways loaded");
}

// Four points 0.001 degrees (111 m) apart along a meridian; the last two share a time stamp.  The
// numbers are written the same under a German locale, where there is one.
TEST(Engine, StatusLineNamesPointMarkersAndTheSectionBetweenThem) {
    EngineDriver d(false);
    d.engine->installGpx(readGpxText(R"(<gpx><trk><name>t</name><trkseg>
<trkpt lat="47.000" lon="9.5"><ele>451.25</ele><time>2024-06-15T07:30:00Z</time></trkpt>
<trkpt lat="47.001" lon="9.5"><ele>452</ele><time>2024-06-15T07:30:10Z</time></trkpt>
<trkpt lat="47.002" lon="9.5"><ele>1234567.5</ele><time>2024-06-15T07:30:25Z</time></trkpt>
<trkpt lat="47.003" lon="9.5"><ele>-3.5</ele><time>2024-06-15T07:30:25Z</time></trkpt>
</trkseg></trk></gpx>)"),
                         "/tracks/ride.gpx");
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (german) {
        std::locale::global(std::locale("de_DE.UTF-8"));
    }
    // Each row: the cursor moves there, then sets marker A or B ('-': none).
    for (auto [cursor, marker, expected] :
         {std::tuple<int, char, std::string>{2, '-', "point 3/4  |  1.23457e+06 m"},
          {0, 'B', "point 1/4  |  451.25 m  |  A: -  B: 1"},
          {2, 'A', "point 3/4  |  1.23457e+06 m  |  A: 3  B: 1  |  A-B: 222 m, 25 s"},
          {3, 'B', "point 4/4  |  -3.5 m  |  A: 3  B: 4  |  A-B: 111 m"}}) {
        d.engine->setCursor(cursor);
        if (marker != '-') {
            d.engine->setMarker(marker == 'A');
        }
        EXPECT_EQ(d.status(), "ride.gpx  |  " + expected);
    }
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
}

TEST(Engine, InstallingDocumentsAndSelectingTracks) {
    EngineDriver d(false);
    d.engine->installGpx(readGpxText(R"(<gpx><trk><trkseg>
        <trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/></trkseg></trk>
        <trk><name>Ride</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><name>Empty</name><trkseg></trkseg></trk></gpx>)"),
                         "/tracks/tour.gpx");
    std::vector<std::string> items;
    for (const auto& item : d.controls().trackCombo->items()) {
        items.push_back(item.text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Track 1", "Ride", "Track 3", "Empty"}));
    EXPECT_EQ(d.status(), "tour.gpx  |  Unnamed track  |  2 track points");
    EXPECT_EQ(infoLines(d)[1], "Name=Unnamed");

    // Another track (">") starts with a fresh view, no markers and the waypoint cursor.
    d.engine->setCursor(1);
    d.engine->setMarker(true);
    d.engine->ZoomBy(3.0);
    d.controls().cursorModeCombo->select(1, true);
    d.press(102);
    EXPECT_EQ(d.controls().trackCombo->selectedIndex(), 1);
    EXPECT_EQ(d.status(), "tour.gpx  |  Ride  |  1 track point");
    EXPECT_EQ(std::tuple(d.marks(), d.view().zoom, d.controls().cursorModeCombo->selectedIndex()),
              std::tuple(TrackMarks{.cursorIndex = 0}, 1.0, 0));
    d.press(102);
    d.press(102);
    EXPECT_EQ(std::pair(d.status(), d.marks().cursorIndex),
              std::pair(std::string("Selected track contains no waypoints"), -1));
    // Out of range: nothing changes; "<" goes back.
    d.engine->setStatus("unchanged");
    d.engine->selectTrack(-1);
    d.press(102);
    EXPECT_EQ(std::pair(d.engine->document().selectedTrack(), d.status()),
              std::pair(3, std::string("unchanged")));
    d.press(101);
    EXPECT_EQ(d.status(), "tour.gpx  |  Unnamed track  |  1 track point");

    // A document without tracks, or none at all, keeps what is shown.
    const int generation = d.engine->document().generation();
    d.engine->installGpx(readGpxText("<gpx version=\"1.1\"></gpx>"), "empty.gpx");
    EXPECT_EQ(d.status(), "No tracks found in empty.gpx");
    d.engine->installGpx(nullptr, "broken.gpx");
    EXPECT_EQ(d.status(), "No tracks found in broken.gpx");
    EXPECT_EQ(std::tuple(d.engine->document().generation(), d.engine->document().path(),
                         d.controls().trackCombo->items().size()),
              std::tuple(generation, "/tracks/tour.gpx", 4u));
}

TEST(Engine, OpeningFilesAndMaps) {
    EngineDriver d(false);
    const TrakmoorEngine& e = *d.engine;
    const TempDir tmp;
    const fs::path& folder = tmp.path();
    const std::string ride = folder / "ride.gpx", rideMap = folder / "ride.osm";
    const std::string bautzen = TRAKMOOR_TEST_DATA "/osm/graphhopper__bautzen.osm";
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", ride);
    auto shown = [&] {
        return std::tuple(e.document().path(), e.backgroundMap().path(),
                          e.backgroundMap().generation());
    };

    // A ride with a map beside it loads both; without one, and with no way to fetch one, the old
    // map goes.
    fs::copy_file(bautzen, rideMap);
    d.engine->openGpxFile(ride);
    EXPECT_EQ(shown(), std::tuple(ride, rideMap, 1));
    fs::remove(rideMap);
    d.engine->openGpxFile(ride);
    EXPECT_EQ(shown(), std::tuple(ride, "", 2));
    EXPECT_EQ(d.controls().mapLabel->text, "No OSM map loaded");

    // A file without tracks leaves the shown track with its map: nothing is read or fetched.
    d.engine->LoadOsmMap(bautzen);
    std::ofstream(folder / "none.gpx") << "<gpx version=\"1.1\"></gpx>\n";
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "none.osm");
    int fetches = 0;
    d.engine->setMapDownloader([&fetches](const std::string&) { return ++fetches < 0; });
    d.engine->openGpxFile(folder / "none.gpx");
    EXPECT_EQ(d.status(), "No tracks found in " + (folder / "none.gpx").string());
    EXPECT_EQ(std::tuple(e.document().path(), e.backgroundMap().path(), fetches),
              std::tuple(ride, bautzen, 0));

    // A map named with the track (the command line) is used at once: nothing is fetched.
    d.engine->finishGpxOpening(beginGpxOpening(ride, bautzen));
    EXPECT_EQ(std::tuple(e.backgroundMap().path(), fetches, fs::exists(rideMap)),
              std::tuple(bautzen, 0, false));
}

// A FIT file opens like a GPX file: dropped, with its map beside it, its channels in the panel,
// the same rows --info prints, the graph modes of its channels; damaged or foreign files keep what
// is shown.
TEST(Engine, FitAndTcxFiles) {
    EngineDriver d(false);
    const TempDir tmp;
    const fs::path& folder = tmp.path();
    const fs::path ride = folder / "ride.fit";
    fs::copy_file(TRAKMOOR_TEST_DATA "/fit/fitparse__garmin-fenix-5-walk.fit", ride);
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "ride.osm");
    d.drop(ride);
    EXPECT_EQ(d.engine->backgroundMap().path(), (folder / "ride.osm").string());
    std::ostringstream printed, errors;
    EXPECT_EQ(printTrackInfo(ride, false, printed, errors), 0);
    std::string panel;
    for (const std::string& line : infoLines(d)) {
        if (line.find('=') != std::string::npos) {
            panel += line.substr(0, line.find('=')) + ": " + line.substr(line.find('=') + 1) + "\n";
        }
    }
    // The lines with empty values are the ones infoLines cannot tell from group rows.
    EXPECT_EQ(panel, std::regex_replace(printed.str(), std::regex(".*: \n"), ""));
    EXPECT_NE(panel.find("Avg. heart rate: 75 bpm"), std::string::npos);
    std::vector<std::string> modes;
    for (const auto& item : d.controls().statisticsCombo->items()) {
        modes.push_back(item.text);
    }
    EXPECT_EQ(modes, (std::vector<std::string>{"Height", "Speed", "Height + speed", "Heart rate",
                                               "Cadence", "Temperature"}));

    // Damaged and foreign files: the walk stays.
    std::ofstream(folder / "random.fit") << "no FIT at all";
    d.engine->openGpxFile(folder / "random.fit");
    EXPECT_EQ(d.status(), "Not a FIT file: " + (folder / "random.fit").string());
    std::ofstream(folder / "broken.tcx") << "<TrainingCenterDatabase><Activities>";
    d.engine->openGpxFile(folder / "broken.tcx");
    EXPECT_EQ(d.status().rfind("Could not load TCX: ", 0), 0u);
    EXPECT_EQ(d.engine->document().path(), ride.string());

    // An indoor ride: no map, and the status line says why.
    d.engine->openGpxFile(TRAKMOOR_TEST_DATA "/fit/fitparse__sample-activity-indoor-trainer.fit");
    EXPECT_NE(d.status().find("recorded without positions: no map"), std::string::npos);
    EXPECT_EQ(d.engine->backgroundMap().path(), "");
}

TEST(Engine, ZoomPresetsAndReset) {
    EngineDriver d;
    d.frames();
    d.engine->ZoomBy(1000.0);
    EXPECT_EQ(d.status(), "Zoom: 5000%");
    d.engine->ZoomBy(1e-6);
    EXPECT_EQ(d.status(), "Zoom: 5%");

    // The place under the mouse stays under it.
    d.engine->ZoomBy(20.0);
    d.key(SDLK_RIGHT);
    const ScreenPoint before = d.onMap(300);
    d.engine->ZoomAt(1.5, int(before.x), int(before.y));
    const ScreenPoint after = d.onMap(300);
    EXPECT_NEAR(after.x - int(before.x), (before.x - int(before.x)) * 1.5, 1e-6);
    EXPECT_NEAR(after.y - int(before.y), (before.y - int(before.y)) * 1.5, 1e-6);
    EXPECT_EQ(d.status(), "Zoom: 150%");

    // The named side comes to the bottom; every preset levels the view and the fields show it.
    const MainWindowControls& c = d.controls();
    auto angles = [&] {
        return std::tuple(d.view().angleX, d.view().angleY, d.view().angleZ, c.angleXField->text(),
                          c.angleYField->text(), c.angleZField->text());
    };
    for (auto [index, z] : {std::pair(1, 180), {2, 90}, {4, 270}, {5, 270}}) {
        const int before = d.view().angleZ;
        d.press(122);
        d.press(124);
        EXPECT_EQ(angles(), std::tuple(5, 5, before, "5", "5", std::to_string(before)));
        d.engine->ApplyPreset(index);
        EXPECT_EQ(angles(), std::tuple(0, 0, z, "0", "0", std::to_string(z))) << index;
    }
    EXPECT_EQ(d.status(), "Perspective: West-side");

    d.engine->setCursor(100);
    d.engine->ResetView();
    EXPECT_EQ(std::tuple(d.view().zoom, d.view().panX, d.view().angleZ, d.marks().cursorIndex),
              std::tuple(1.0, 0.0, 0, 0));
    EXPECT_EQ(d.controls().perspectiveCombo->selectedIndex(), 0);
    EXPECT_TRUE(d.status().starts_with("sample.gpx  |  point 1/730"));
}

TEST(Engine, AMissingMapIsDownloadedBesideTheTrackAndEscapeCancels) {
    EngineDriver d(false);
    const TempDir tmp;
    const fs::path& folder = tmp.path();
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "ride.gpx");
    std::ifstream in(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm");
    const std::string osm((std::istreambuf_iterator<char>(in)), {});
    maptest::Server server("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(osm.size()) +
                           "\r\nConnection: close\r\n\r\n" + osm);
    setenv("TRAKMOOR_OVERPASS_URLS", server.url.c_str(), 1);
    TrakmoorEngine* engine = d.engine.get();
    engine->setMapDownloader(
        [engine](const std::string& path) { return engine->downloadMapFromServers(path); });

    engine->openGpxFile(folder / "ride.gpx");
    EXPECT_EQ(engine->backgroundMap().path(), (folder / "ride.osm").string());
    EXPECT_EQ(d.status(), "ride.osm  |  1 map ways loaded");

    // A queued Escape stops the next download, and is not left to reset the view afterwards.
    fs::remove(folder / "ride.osm");
    guitest::pushKey(d.window, SDLK_ESCAPE);
    engine->openGpxFile(folder / "ride.gpx");
    unsetenv("TRAKMOOR_OVERPASS_URLS");
    EXPECT_EQ(d.status(), "Download cancelled");
    EXPECT_EQ(engine->windowList().size(), 1u) << "a cancel is no error";
    EXPECT_TRUE(engine->backgroundMap().features().empty());
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "ride.gpx");
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 0);

    // A failure opens the toolkit's box, which leaves the main loop running: a quit request
    // (SIGTERM) still ends it.  The status line keeps to one line.
    maptest::Server refusing("HTTP/1.1 429 Too Many Requests\r\nContent-Length: 0\r\n\r\n");
    setenv("TRAKMOOR_OVERPASS_URLS", refusing.url.c_str(), 1);
    engine->openGpxFile(folder / "ride.gpx");
    unsetenv("TRAKMOOR_OVERPASS_URLS");
    EXPECT_EQ(d.status(), "Could not create the OSM map. Download failed after all attempts: " +
                              refusing.url.substr(7, refusing.url.find("/api") - 7) + ": HTTP 429");
    EXPECT_EQ(engine->windowList().size(), 2u);
    SDL_Event quit{SDL_QUIT};
    SDL_PushEvent(&quit);
    d.frames();
    EXPECT_TRUE(engine->stopped);
}

} // namespace
} // namespace trakmoor
