#include "app/TrakmoorEngine.h"
#include "app/AppPaths.h"
#include "app/TrackInfoPrinter.h"
#include "gui/GuiButton.h"
#include "gui/GuiComboBox.h"
#include "gui/GuiLabel.h"
#include "gui/GuiPanels.h"
#include "gui/GuiTestSupport.h"
#include "gui/GuiTextCtrl.h"
#include "gui/GuiTreeListCtrl.h"
#include "gui/GuiWindow.h"
#include "map/LocalHttpServer.h"
#include "map/MapProjection.h"
#include "map/ViewOperations.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>

#include <filesystem>
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

// The real engine headless with its main window built as the program builds it, run from the
// build folder, where the program's pictures and default map lie.
class EngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::current_path(TRAKMOOR_BUILD_DIR);
        const auto font = GuiEngine::builtInFont();
        GuiEngine::setEmbeddedFont(font.data(), font.size());
    }

    void open(bool fullscreen = false) {
        engine = std::make_unique<TrakmoorEngine>();
        window = engine->createWindow(
            engine.get(), "Trakmoor 0.0.0", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 1100,
            720, SDL_WINDOW_RESIZABLE | (fullscreen ? Uint32{SDL_WINDOW_FULLSCREEN_DESKTOP} : 0u),
            0xFFC8C8C8);
        ASSERT_NE(window, nullptr);
        engine->mainWindow = window;
        engine->buildMainWindow(window, fullscreen);
        guitest::discardQueuedEvents();
    }

    void frame() { engine->runFrame(++ticks_ * 100); }

    std::pair<int, int> windowSize() const {
        int w = 0, h = 0;
        SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
        return {w, h};
    }

    // The info list as "label=value" lines, group nodes as their label.
    std::vector<std::string> infoLines() const {
        std::vector<std::string> lines;
        for (const auto& node : engine->controls.infoList->nodes()) {
            const auto& c = node.cells;
            lines.push_back(c.at(1).empty() ? c.at(0) : c.at(0) + "=" + c.at(1));
        }
        return lines;
    }

    std::unique_ptr<TrakmoorEngine> engine;
    AppWindow* window = nullptr;

private:
    std::uint32_t ticks_ = 0;
};

TEST_F(EngineTest, StartsAtItsDefaultsAndCheckBoxesDriveTheirOptions) {
    open();
    int w = 0, h = 0;
    SDL_GetWindowMinimumSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(850, 650));
    EXPECT_EQ(engine->controls.statusLabel->text, "Open a GPX file to begin");
    EXPECT_EQ(engine->controls.mapLabel->text, "No map loaded");

    // Every command id 100..133 once; zoom in and out (103, 104) as text and as icon buttons.
    std::map<int, int> uses;
    for (const auto& child : window->root->children) {
        uses[child->id] += child->id >= 100 ? 1 : 0;
    }
    for (int id = 100; id <= 133; ++id) {
        EXPECT_EQ(uses[id], id == 103 || id == 104 ? 2 : 1) << id;
    }
    EXPECT_EQ(uses.rbegin()->first, 133);

    // A click turns each option from its default; only the OSM background starts on.
    frame();
    struct Case {
        GuiCheckBox* box;
        const bool& option;
        bool expected;
    };
    engine->view.headingOffset = 0.5;
    for (const Case& c :
         {Case{engine->controls.waypointsCheck, engine->options.showWaypoints, true},
          Case{engine->controls.osmBackgroundCheck, engine->options.showOsmBackground, false},
          Case{engine->controls.heightCheck, engine->view.showHeight, true},
          Case{engine->controls.directLineCheck, engine->options.showDirectLine, true},
          Case{engine->controls.centerCursorCheck, engine->view.followCursor, true},
          Case{engine->controls.followDirectionCheck, engine->view.followDirection, true},
          Case{engine->controls.followDirectionCheck, engine->view.followDirection, false}}) {
        guitest::pushButton(window, true, c.box->x + 8, c.box->y + 12);
        guitest::pushButton(window, false, c.box->x + 8, c.box->y + 12);
        do {
            frame();
        } while (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0);
        EXPECT_EQ(c.option, c.expected) << c.box->label;
    }
    // Leaving the direction behind also drops the turn it gave the view.
    EXPECT_EQ(engine->view.headingOffset, 0.0);
}

TEST_F(EngineTest, ControlsAndPanelsFollowTheWindowSize) {
    const Uint32 mapBackground = rgb(245, 247, 250);
    struct Case {
        int width, height, rightShift, panelWidth;
    };
    for (const Case& c :
         {Case{1100, 720, 0, 520}, Case{1300, 720, 200, 720}, Case{850, 650, -250, 270}}) {
        SCOPED_TRACE(c.width);
        open();
        frame();
        SDL_SetWindowSize(window->sdlWindow.get(), c.width, c.height);
        frame();
        EXPECT_EQ(windowSize(), std::pair(c.width, c.height));
        EXPECT_EQ(engine->controls.angleZField->x, 1036 + c.rightShift);
        EXPECT_EQ(engine->controls.fitWindowButton->x, 870 + c.rightShift);
        EXPECT_EQ(engine->controls.mapPanel->width, c.panelWidth);
        EXPECT_EQ(engine->controls.mapPanel->height, c.height - 198);
        EXPECT_EQ(engine->controls.graphPanel->y, c.height - 156);
        EXPECT_EQ(engine->controls.graphPanel->width, c.panelWidth);
        EXPECT_EQ(engine->controls.statusLabel->y, c.height - 22);
        EXPECT_EQ(engine->controls.statusLabel->width, c.width - 16);
        EXPECT_EQ(engine->controls.infoList->height, c.height - 128);
        EXPECT_EQ(engine->controls.trackCombo->x, 146); // the top row stays

        // Resized panels get new surfaces, painted (without a track) before they show: map grid
        // lines on multiples of 50, graph lines two pixels wide from y = 20 every 25 pixels.
        auto pixel = [&](int x, int y) { return guitest::pixelAt(window, x, y); };
        EXPECT_PRED2(nearColour, pixel(365, 67), mapBackground);
        EXPECT_PRED2(nearColour, pixel(335 + c.panelWidth, c.height - 161), mapBackground);
        EXPECT_FALSE(nearColour(pixel(390, 67), mapBackground));
        EXPECT_FALSE(nearColour(pixel(365, 142), mapBackground));
        EXPECT_PRED2(nearColour, pixel(335 + c.panelWidth, c.height - 146), rgb(250, 250, 250));
        EXPECT_PRED2(nearColour, pixel(365, c.height - 112), rgb(219, 224, 230));
    }
}

TEST_F(EngineTest, FitAndRestoreAlsoFromAFullscreenStart) {
    open(true);
    EXPECT_EQ(engine->controls.fitWindowButton->label, "Restore window");
    engine->toggleFitWindow();
    EXPECT_EQ(windowSize(), std::pair(1100, 720));
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    EXPECT_EQ(engine->controls.fitWindowButton->label, "Fit window to screen");

    SDL_SetWindowPosition(window->sdlWindow.get(), 30, 40);
    SDL_SetWindowSize(window->sdlWindow.get(), 900, 700);
    engine->toggleFitWindow();
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    EXPECT_EQ(windowSize(), std::pair(usable.w, usable.h));
    EXPECT_EQ(engine->controls.fitWindowButton->label, "Restore window");

    engine->toggleFitWindow();
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow.get(), &x, &y);
    EXPECT_EQ(std::tuple(x, y, windowSize()), std::tuple(30, 40, std::pair(900, 700)));
    EXPECT_FALSE(engine->fit.windowFitted);
}

TEST_F(EngineTest, BuiltInSampleWithMarkersAndDefaultMap) {
    open();
    engine->loadBuiltInSample();
    EXPECT_EQ(engine->controls.statusLabel->text, "sample.gpx  |  RHEIN RIDE  |  730 points");
    // The rows in order, translated through the (English) catalogue, groups expanded.
    std::vector<std::string> lines = infoLines();
    ASSERT_EQ(lines.size(), 23u);
    EXPECT_EQ(lines[1], "Name=RHEIN RIDE");
    EXPECT_EQ(lines[19], "Moving average=12.0 km/h");
    EXPECT_EQ(lines[22], "Waypoint B=-");
    for (int group : {0, 5, 20}) {
        EXPECT_TRUE(engine->controls.infoList->isExpanded(group)) << lines[group];
    }

    engine->doc.markerA = 10;
    engine->doc.markerB = 3;
    engine->doc.cursorIndex = 5;
    engine->refreshInfoPanel();
    engine->updateStatusLine();
    lines = infoLines();
    ASSERT_EQ(lines.size(), 32u);
    EXPECT_EQ(lines[21], "Waypoint A=11");
    EXPECT_EQ(lines[26], "Waypoints=8");
    EXPECT_EQ(lines[30], "Moving time=0:00:35");
    EXPECT_TRUE(engine->controls.statusLabel->text.starts_with("sample.gpx  |  point 6/730  |  "));

    const auto map = findDefaultMap(defaultMapCandidates(std::nullopt));
    ASSERT_TRUE(map.has_value()) << "the build folder holds data/data.osm";
    engine->LoadOsmMap(*map);
    const std::string count = std::to_string(engine->map.mapFeatures.size());
    EXPECT_GT(engine->map.mapFeatures.size(), 1000u);
    EXPECT_EQ(engine->controls.mapLabel->text, "data.osm  |  " + count + " map ways");
    EXPECT_EQ(engine->controls.statusLabel->text, "data.osm  |  " + count + " map ways loaded");
}

TEST_F(EngineTest, InstallingDocumentsAndSelectingTracks) {
    open();
    engine->installGpx(readGpxText(R"(<gpx><trk><trkseg>
        <trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/></trkseg></trk>
        <trk><name>Ride</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><name>Empty</name><trkseg></trkseg></trk></gpx>)"),
                       "/tracks/tour.gpx");
    std::vector<std::string> items;
    for (const auto& item : engine->controls.trackCombo->items()) {
        items.push_back(item.text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Track 1", "Ride", "Track 3", "Empty"}));
    EXPECT_EQ(engine->controls.statusLabel->text, "tour.gpx  |  Unnamed track  |  2 points");
    EXPECT_EQ(infoLines()[1], "Name=Unnamed");

    // Another track starts with a fresh view and no markers.
    engine->doc.markerA = 1;
    engine->view.zoom = 3.0;
    engine->selectTrack(1);
    EXPECT_EQ(engine->controls.trackCombo->selectedIndex(), 1);
    EXPECT_EQ(engine->controls.statusLabel->text, "tour.gpx  |  Ride  |  1 points");
    EXPECT_EQ(std::pair(engine->doc.markerA, engine->view.zoom), std::pair(-1, 1.0));

    engine->selectTrack(3);
    EXPECT_EQ(engine->controls.statusLabel->text, "Selected track contains no waypoints");
    EXPECT_EQ(engine->doc.cursorIndex, -1);

    // Out of range: nothing changes.
    engine->setStatus("unchanged");
    engine->selectTrack(-1);
    engine->selectTrack(4);
    EXPECT_EQ(engine->doc.selectedTrack, 3);
    EXPECT_EQ(engine->controls.statusLabel->text, "unchanged");

    // A document without tracks, or none at all, keeps what is shown.
    const Gpx* shown = engine->doc.gpx.get();
    engine->installGpx(readGpxText("<gpx version=\"1.1\"></gpx>"), "empty.gpx");
    EXPECT_EQ(engine->controls.statusLabel->text, "No tracks found in empty.gpx");
    engine->installGpx(nullptr, "broken.gpx");
    EXPECT_EQ(engine->controls.statusLabel->text, "No tracks found in broken.gpx");
    EXPECT_EQ(engine->doc.gpx.get(), shown);
    EXPECT_EQ(engine->controls.trackCombo->items().size(), 4u);
}

TEST_F(EngineTest, OpeningFilesAndMaps) {
    open();
    engine->openGpxFile("/no/such/ride.gpx");
    EXPECT_EQ(engine->controls.statusLabel->text, "File not found: /no/such/ride.gpx");

    const fs::path folder = fs::temp_directory_path() / "trakmoor-open-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string ride = folder / "ride.gpx", rideMap = folder / "ride.osm";
    const std::string bautzen = TRAKMOOR_TEST_DATA "/osm/graphhopper__bautzen.osm";
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", ride);

    // A ride with a map beside it loads both; without one, and with no way to fetch one, the old
    // map goes.
    fs::copy_file(bautzen, rideMap);
    engine->openGpxFile(ride);
    EXPECT_EQ(std::tuple(engine->doc.gpxPath, engine->map.mapPath, engine->map.mapGeneration),
              std::tuple(ride, rideMap, 1));
    fs::remove(rideMap);
    engine->openGpxFile(ride);
    EXPECT_TRUE(engine->map.mapFeatures.empty());
    EXPECT_EQ(engine->map.mapGeneration, 2);
    EXPECT_EQ(engine->controls.mapLabel->text, "No OSM map loaded");

    // A file without tracks leaves the shown track with its map: nothing is read or fetched.
    engine->LoadOsmMap(bautzen);
    std::ofstream(folder / "none.gpx") << "<gpx version=\"1.1\"></gpx>\n";
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "none.osm");
    int fetches = 0;
    engine->downloadOsmMap = [&](const std::string& path) {
        ++fetches;
        return fs::copy_file(bautzen, path);
    };
    engine->openGpxFile(folder / "none.gpx");
    EXPECT_EQ(engine->controls.statusLabel->text,
              "No tracks found in " + (folder / "none.gpx").string());
    EXPECT_EQ(std::tuple(engine->doc.gpxPath, engine->map.mapPath, fetches),
              std::tuple(ride, bautzen, 0));

    // A fetched map is loaded.
    engine->openGpxFile(ride);
    EXPECT_EQ(std::pair(engine->map.mapPath, fetches), std::pair(rideMap, 1));

    // Maps that cannot be read leave the map shown.
    const std::size_t features = engine->map.mapFeatures.size();
    const std::string label = engine->controls.mapLabel->text;
    const int generation = engine->map.mapGeneration;
    engine->LoadOsmMap("/no/such/map.osm");
    EXPECT_EQ(engine->controls.statusLabel->text, "Could not open OSM map: /no/such/map.osm");
    std::ofstream(folder / "bad.osm")
        << "<osm>\n<node id=\"1\" lat=\"47.1x\" lon=\"9.5\"/>\n</osm>\n";
    engine->LoadOsmMap(folder / "bad.osm");
    EXPECT_EQ(engine->controls.statusLabel->text, "Invalid OSM map: Invalid XML number: 47.1x");
    EXPECT_EQ(
        std::tuple(engine->map.mapFeatures.size(), engine->map.mapPath, engine->map.mapGeneration),
        std::tuple(features, rideMap, generation));
    EXPECT_EQ(engine->controls.mapLabel->text, label);
    fs::remove_all(folder);
}

// A FIT file opens like a GPX file: its map beside it, its channels in the panel, the same rows
// --info prints, the graph modes of its channels; damaged or foreign files keep what is shown.
TEST_F(EngineTest, FitAndTcxFiles) {
    open();
    const fs::path folder = fs::temp_directory_path() / "trakmoor-fit-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path ride = folder / "ride.fit";
    fs::copy_file(TRAKMOOR_TEST_DATA "/fit/fitparse__garmin-fenix-5-walk.fit", ride);
    fs::copy_file(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm", folder / "ride.osm");
    engine->openGpxFile(ride);
    EXPECT_EQ(engine->map.mapPath, (folder / "ride.osm").string());
    std::ostringstream printed, errors;
    EXPECT_EQ(printTrackInfo(ride, false, printed, errors), 0);
    std::string panel;
    for (const std::string& line : infoLines())
        if (line.find('=') != std::string::npos)
            panel += line.substr(0, line.find('=')) + ": " + line.substr(line.find('=') + 1) + "\n";
    // The lines with empty values are the ones infoLines cannot tell from group rows.
    EXPECT_EQ(panel, std::regex_replace(printed.str(), std::regex(".*: \n"), ""));
    EXPECT_NE(panel.find("Avg. heart rate: 75 bpm"), std::string::npos);
    std::vector<std::string> modes;
    for (const auto& item : engine->controls.statisticsCombo->items())
        modes.push_back(item.text);
    EXPECT_EQ(modes, (std::vector<std::string>{"Height", "Speed", "Height + km/h", "Heart rate",
                                               "Cadence", "Temperature"}));

    // Damaged and foreign files: the walk stays.
    std::ofstream(folder / "random.fit") << "no FIT at all";
    engine->openGpxFile(folder / "random.fit");
    EXPECT_EQ(engine->controls.statusLabel->text,
              "Not a FIT file: " + (folder / "random.fit").string());
    std::ofstream(folder / "broken.tcx") << "<TrainingCenterDatabase><Activities>";
    engine->openGpxFile(folder / "broken.tcx");
    EXPECT_EQ(engine->controls.statusLabel->text.rfind("Could not load TCX: ", 0), 0u);
    EXPECT_EQ(engine->doc.gpxPath, ride.string());

    // An indoor ride: no map, and the status line says why.
    engine->openGpxFile(TRAKMOOR_TEST_DATA "/fit/fitparse__sample-activity-indoor-trainer.fit");
    EXPECT_NE(engine->controls.statusLabel->text.find("recorded without positions: no map"),
              std::string::npos);
    EXPECT_TRUE(engine->map.mapFeatures.empty());
    fs::remove_all(folder);
}

TEST_F(EngineTest, ZoomPresetsRotationAndReset) {
    open();
    engine->loadBuiltInSample();
    frame();
    const Track& track = *engine->currentTrack();
    const auto [w, h] =
        std::pair(engine->controls.mapPanel->width, engine->controls.mapPanel->height);
    auto project = [&](const MapPoint& p) {
        return ProjectPoint(engine->view, engine->trackBounds, track, w, h, p.lat, p.lon,
                            track.pointAt(0)->ele(), true);
    };

    engine->ZoomBy(1000.0);
    EXPECT_EQ(engine->controls.statusLabel->text, "Zoom: 5000%");
    engine->ZoomBy(1e-6);
    EXPECT_EQ(engine->controls.statusLabel->text, "Zoom: 5%");

    // The place under the mouse stays under it.
    engine->view.zoom = 1.0;
    engine->view.panX = 30.0;
    const MapPoint under =
        *freeCursorPositionAt(engine->view, engine->trackBounds, track, w, h, 100, 80);
    engine->ZoomAt(1.5, 100, 80);
    EXPECT_NEAR(project(under).x, 100.0, 1e-6);
    EXPECT_NEAR(project(under).y, 80.0, 1e-6);
    EXPECT_EQ(engine->controls.statusLabel->text, "Zoom: 150%");

    // The named side comes to the bottom; "Custom" only levels the view.
    for (auto [index, angleZ] : {std::pair(1, 180), std::pair(2, 90), std::pair(4, 270)}) {
        engine->view.angleX = 30;
        engine->ApplyPreset(index);
        EXPECT_EQ(std::tuple(engine->view.angleX, engine->view.angleZ), std::tuple(0, angleZ));
    }
    EXPECT_EQ(engine->controls.statusLabel->text, "Perspective: West-side");
    EXPECT_EQ(engine->controls.angleZField->text(), "270");
    engine->view.angleY = 40;
    engine->ApplyPreset(5);
    EXPECT_EQ(std::tuple(engine->view.angleY, engine->view.angleZ), std::tuple(0, 270));

    engine->RotateBy(engine->view.angleX, -5);
    EXPECT_EQ(engine->view.angleX, 355);
    EXPECT_EQ(engine->controls.angleXField->text(), "355");
    EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(), 5);

    engine->doc.cursorIndex = 100;
    engine->ResetView();
    EXPECT_EQ(std::tuple(engine->view.zoom, engine->view.panX, engine->view.angleX,
                         engine->view.angleZ, engine->doc.cursorIndex),
              std::tuple(1.0, 0.0, 0, 0, 0));
    EXPECT_EQ(engine->controls.perspectiveCombo->selectedIndex(), 0);
    EXPECT_TRUE(engine->controls.statusLabel->text.starts_with("sample.gpx  |  point 1/730"));
}

TEST_F(EngineTest, FollowingTheDirectionPutsTheNextPointStraightAboveTheCentredCursor) {
    open();
    engine->loadBuiltInSample();
    frame();
    engine->view.followDirection = true;
    engine->setCursor(200);
    const Track& track = *engine->currentTrack();
    const int w = engine->controls.mapPanel->width, h = engine->controls.mapPanel->height;
    const ScreenPoint here =
        ProjectWayPoint(engine->view, engine->trackBounds, track, w, h, *track.pointAt(200), true);
    const ScreenPoint next =
        ProjectWayPoint(engine->view, engine->trackBounds, track, w, h, *track.pointAt(201), true);
    EXPECT_NEAR(here.x, w / 2.0, 1e-6);
    EXPECT_NEAR(here.y, h / 2.0, 1e-6);
    EXPECT_NEAR(next.x, here.x, 1e-6);
    EXPECT_LT(next.y, here.y);
    // Beyond the last point the cursor stays on it, the turn on the last step.
    engine->setCursor(5000);
    EXPECT_EQ(engine->doc.cursorIndex, 729);
    EXPECT_DOUBLE_EQ(engine->view.headingOffset, travelHeadingOffset(track, 728));
}

TEST_F(EngineTest, AMissingMapIsDownloadedBesideTheTrackAndEscapeCancels) {
    open();
    const fs::path folder = fs::temp_directory_path() / "trakmoor-download-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "ride.gpx");
    std::ifstream in(TRAKMOOR_TEST_DATA "/osm/graphhopper__test-osm6.osm");
    const std::string osm((std::istreambuf_iterator<char>(in)), {});
    const std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(osm.size()) +
                              "\r\nConnection: close\r\n\r\n" + osm;
    maptest::Server server(reply);
    setenv("TRAKMOOR_OVERPASS_URLS", server.url.c_str(), 1);
    engine->downloadOsmMap = [this](const std::string& path) {
        return engine->downloadMapFromServers(path);
    };

    engine->openGpxFile(folder / "ride.gpx");
    EXPECT_EQ(engine->map.mapPath, (folder / "ride.osm").string());
    EXPECT_FALSE(engine->map.mapFeatures.empty());
    EXPECT_TRUE(engine->controls.statusLabel->text.starts_with("ride.osm  |  "));

    // A queued Escape stops the next download, and is not left to reset the view afterwards.
    fs::remove(folder / "ride.osm");
    guitest::pushKey(window, SDLK_ESCAPE);
    engine->openGpxFile(folder / "ride.gpx");
    unsetenv("TRAKMOOR_OVERPASS_URLS");
    EXPECT_EQ(engine->controls.statusLabel->text,
              "Could not create the OSM map.\n\nDownload cancelled");
    EXPECT_TRUE(engine->map.mapFeatures.empty());
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "ride.gpx");
    EXPECT_EQ(SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_KEYDOWN, SDL_KEYDOWN), 0);
    fs::remove_all(folder);
}

} // namespace
} // namespace trakmoor
