#include "app/EngineTestSupport.h"

#include "app/AppPaths.h"
#include "track/GpxReader.h"

#include <fstream>
#include <map>

namespace apptest {
namespace {

namespace fs = std::filesystem;

std::string testFile(const std::string& relative) {
    return std::string(TRAKMOOR_TEST_DATA) + "/" + relative;
}

TEST_F(EngineTest, StartsAtItsDefaultsAndCheckBoxesDriveTheirOptions) {
    open();
    EXPECT_EQ(windowSize(), std::pair(1100, 720));
    int w = 0, h = 0;
    SDL_GetWindowMinimumSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(std::pair(w, h), std::pair(850, 650));

    EXPECT_EQ(engine->fitWindowButton->label, "Fit window to screen");
    EXPECT_EQ(engine->statusLabel->text, "Open a GPX file to begin");
    EXPECT_EQ(engine->mapLabel->text, "No map loaded");
    EXPECT_EQ(engine->angleZField->text(), "0");
    EXPECT_TRUE(engine->infoList->nodes().empty());

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
         {Case{engine->waypointsCheck, engine->showWaypoints, true},
          Case{engine->osmBackgroundCheck, engine->showOsmBackground, false},
          Case{engine->heightCheck, engine->view.showHeight, true},
          Case{engine->directLineCheck, engine->showDirectLine, true},
          Case{engine->centerCursorCheck, engine->view.followCursor, true},
          Case{engine->followDirectionCheck, engine->view.followDirection, true},
          Case{engine->followDirectionCheck, engine->view.followDirection, false}}) {
        click(c.box->x + 8, c.box->y + 12);
        EXPECT_EQ(c.option, c.expected) << c.box->label;
    }
    // Leaving the direction behind also drops the turn it gave the view.
    EXPECT_EQ(engine->view.headingOffset, 0.0);
}

TEST_F(EngineTest, ControlsAndPanelsFollowTheWindowSize) {
    const Uint32 mapBackground = rgb(0.96, 0.97, 0.98);
    const Uint32 graphBackground = rgb(0.98, 0.98, 0.98);
    struct Case {
        int width, height, rightShift, panelWidth;
    };
    for (const Case& c : {Case{1100, 720, 0, 520}, Case{1300, 720, 200, 720},
                          Case{850, 650, -250, 270}, Case{1300, 900, 200, 720}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        open();
        frame();
        SDL_SetWindowSize(window->sdlWindow.get(), c.width, c.height);
        frame();
        EXPECT_EQ(engine->angleZField->x, 1036 + c.rightShift);
        EXPECT_EQ(engine->fitWindowButton->x, 870 + c.rightShift);
        EXPECT_EQ(engine->mapLabel->x, 870 + c.rightShift);
        EXPECT_EQ(engine->mapPanel->width, c.panelWidth);
        EXPECT_EQ(engine->mapPanel->height, c.height - 198);
        EXPECT_EQ(engine->graphPanel->y, c.height - 156);
        EXPECT_EQ(engine->graphPanel->width, c.panelWidth);
        EXPECT_EQ(engine->statusLabel->y, c.height - 22);
        EXPECT_EQ(engine->statusLabel->width, c.width - 16);
        EXPECT_EQ(engine->infoList->height, c.height - 128);
        // The top row stays where it is.
        EXPECT_EQ(engine->trackCombo->x, 146);

        // Resized panels get new surfaces, which are painted (without a track) before they show.
        EXPECT_PRED2(nearColour, pixelAt(340 + 25, 42 + 25), mapBackground);
        EXPECT_PRED2(nearColour, pixelAt(340 + c.panelWidth - 5, c.height - 161), mapBackground);
        // Map grid lines lie on multiples of 50, one pixel wide across a pixel edge.
        EXPECT_FALSE(nearColour(pixelAt(340 + 50, 42 + 25), mapBackground));
        EXPECT_FALSE(nearColour(pixelAt(340 + 25, 42 + 100), mapBackground));
        EXPECT_PRED2(nearColour, pixelAt(340 + c.panelWidth - 5, c.height - 146), graphBackground);
        // Graph lines are two pixels wide from y = 20 every 25 pixels.
        EXPECT_PRED2(nearColour, pixelAt(340 + 25, c.height - 156 + 44), rgb(0.86, 0.88, 0.90));
    }
}

TEST_F(EngineTest, FitAndRestoreAlsoFromAFullscreenStart) {
    open(1100, 720, true);
    EXPECT_TRUE(engine->windowFitted);
    EXPECT_EQ(engine->fitWindowButton->label, "Restore window");
    engine->toggleFitWindow();
    EXPECT_EQ(windowSize(), std::pair(1100, 720));
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    EXPECT_EQ(engine->fitWindowButton->label, "Fit window to screen");

    SDL_SetWindowPosition(window->sdlWindow.get(), 30, 40);
    SDL_SetWindowSize(window->sdlWindow.get(), 900, 700);
    engine->toggleFitWindow();
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    EXPECT_EQ(windowSize(), std::pair(usable.w, usable.h));
    EXPECT_EQ(engine->fitWindowButton->label, "Restore window");

    engine->toggleFitWindow();
    int x = 0, y = 0;
    SDL_GetWindowPosition(window->sdlWindow.get(), &x, &y);
    EXPECT_EQ(windowSize(), std::pair(900, 700));
    EXPECT_EQ(std::pair(x, y), std::pair(30, 40));
    EXPECT_FALSE(engine->windowFitted);
}

TEST_F(EngineTest, BuiltInSampleWithMarkersAndDefaultMap) {
    open();
    engine->loadBuiltInSample();
    EXPECT_EQ(engine->statusLabel->text, "sample.gpx  |  RHEIN RIDE  |  730 points");

    // The panel holds the rows in order, translated through the (English) catalogue, expanded.
    std::vector<std::string> lines = infoLines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[1], "Name=RHEIN RIDE");
    EXPECT_EQ(lines[16], "A-B analyses");
    EXPECT_EQ(lines[18], "Waypoint B=-");
    for (int group : {0, 5, 16}) {
        EXPECT_TRUE(engine->infoList->isExpanded(group)) << lines[group];
    }

    engine->markerA = 10;
    engine->markerB = 3;
    engine->cursorIndex = 5;
    engine->refreshInfoPanel();
    engine->updateStatusLine();
    lines = infoLines();
    ASSERT_EQ(lines.size(), 24u);
    EXPECT_EQ(lines[17], "Waypoint A=11");
    EXPECT_EQ(lines[22], "Waypoints=8");
    EXPECT_TRUE(engine->statusLabel->text.starts_with("sample.gpx  |  point 6/730  |  "))
        << engine->statusLabel->text;

    const auto map = trakmoor::findDefaultMap(trakmoor::defaultMapCandidates(std::nullopt));
    ASSERT_TRUE(map.has_value()) << "the build folder holds data/data.osm";
    engine->LoadOsmMap(*map);
    const std::string count = std::to_string(engine->mapFeatures.size());
    EXPECT_GT(engine->mapFeatures.size(), 1000u);
    EXPECT_EQ(engine->mapLabel->text, "data.osm  |  " + count + " map ways");
    EXPECT_EQ(engine->statusLabel->text, "data.osm  |  " + count + " map ways loaded");
}

TEST_F(EngineTest, InstallingDocuments) {
    open();
    // Unnamed tracks are numbered in the selector, and the status names them "Unnamed track".
    engine->installGpx(trakmoor::readGpxText(R"(<gpx><trk><trkseg>
        <trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/></trkseg></trk>
        <trk><name>Ride</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><name>Empty</name><trkseg></trkseg></trk></gpx>)"),
                       "/tracks/tour.gpx");
    std::vector<std::string> items;
    for (const auto& item : engine->trackCombo->items()) {
        items.push_back(item.text);
    }
    EXPECT_EQ(items, (std::vector<std::string>{"Track 1", "Ride", "Track 3", "Empty"}));
    EXPECT_EQ(engine->statusLabel->text, "tour.gpx  |  Unnamed track  |  2 points");
    EXPECT_EQ(infoLines()[1], "Name=Unnamed");

    // Another track starts with a fresh view and no markers.
    engine->markerA = 1;
    engine->view.zoom = 3.0;
    engine->view.panX = 12.0;
    engine->selectTrack(1);
    EXPECT_EQ(engine->trackCombo->selectedIndex(), 1);
    EXPECT_EQ(engine->statusLabel->text, "tour.gpx  |  Ride  |  1 points");
    EXPECT_EQ(engine->markerA, -1);
    EXPECT_EQ(engine->view.zoom, 1.0);
    EXPECT_EQ(engine->view.panX, 0.0);

    engine->selectTrack(3);
    EXPECT_EQ(engine->statusLabel->text, "Selected track contains no waypoints");
    EXPECT_EQ(engine->cursorIndex, -1);
    EXPECT_EQ(infoLines().size(), 9u);

    // Out of range: nothing changes.
    engine->setStatus("unchanged");
    engine->selectTrack(-1);
    engine->selectTrack(4);
    EXPECT_EQ(engine->selectedTrack, 3);
    EXPECT_EQ(engine->statusLabel->text, "unchanged");

    // A document without tracks, or none at all, keeps what is shown.
    const trakmoor::Gpx* shown = engine->gpx.get();
    engine->installGpx(trakmoor::readGpxText("<gpx version=\"1.1\"></gpx>"), "empty.gpx");
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in empty.gpx");
    engine->installGpx(nullptr, "broken.gpx");
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in broken.gpx");
    EXPECT_EQ(engine->gpx.get(), shown);
    EXPECT_EQ(engine->gpxPath, "/tracks/tour.gpx");
    EXPECT_EQ(engine->trackCombo->items().size(), 4u);
}

TEST_F(EngineTest, OpeningFilesAndMaps) {
    open();
    engine->openGpxFile("/no/such/ride.gpx");
    EXPECT_EQ(engine->statusLabel->text, "File not found: /no/such/ride.gpx");
    EXPECT_FALSE(engine->gpx);

    const fs::path folder = fs::temp_directory_path() / "trakmoor-open-test";
    fs::remove_all(folder);
    fs::create_directories(folder);
    const std::string ride = (folder / "ride.gpx").string();
    const std::string rideMap = (folder / "ride.osm").string();
    const std::string bautzen = testFile("osm/graphhopper__bautzen.osm");
    fs::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", ride);

    // A ride with a map beside it loads both.
    fs::copy_file(bautzen, rideMap);
    engine->openGpxFile(ride);
    EXPECT_EQ(engine->gpxPath, ride);
    EXPECT_EQ(engine->mapPath, rideMap);
    EXPECT_EQ(engine->mapGeneration, 1);

    // Without a map and without a way to fetch one, the old map goes.
    fs::remove(rideMap);
    engine->openGpxFile(ride);
    EXPECT_TRUE(engine->mapFeatures.empty());
    EXPECT_TRUE(engine->mapPath.empty());
    EXPECT_EQ(engine->mapGeneration, 2);
    EXPECT_EQ(engine->mapLabel->text, "No OSM map loaded");

    // A file without tracks leaves the shown track with its map: nothing is read or fetched.
    engine->LoadOsmMap(bautzen);
    std::ofstream(folder / "none.gpx") << "<gpx version=\"1.1\"></gpx>\n";
    fs::copy_file(testFile("osm/graphhopper__test-osm6.osm"), folder / "none.osm");
    int fetches = 0;
    engine->downloadOsmMap = [&](const std::string& path) {
        ++fetches;
        fs::copy_file(bautzen, path);
        return true;
    };
    engine->openGpxFile((folder / "none.gpx").string());
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in " + (folder / "none.gpx").string());
    EXPECT_EQ(engine->mapPath, bautzen);
    EXPECT_EQ(engine->gpxPath, ride);
    EXPECT_EQ(fetches, 0);

    // A fetched map is loaded.
    engine->openGpxFile(ride);
    EXPECT_EQ(fetches, 1);
    EXPECT_EQ(engine->mapPath, rideMap);

    // Maps that cannot be read leave the map shown.
    const std::size_t features = engine->mapFeatures.size();
    const std::string label = engine->mapLabel->text;
    const int generation = engine->mapGeneration;
    engine->LoadOsmMap("/no/such/map.osm");
    EXPECT_EQ(engine->statusLabel->text, "Could not open OSM map: /no/such/map.osm");
    std::ofstream(folder / "bad.osm")
        << "<osm>\n<node id=\"1\" lat=\"47.1x\" lon=\"9.5\"/>\n</osm>\n";
    engine->LoadOsmMap((folder / "bad.osm").string());
    EXPECT_EQ(engine->statusLabel->text, "Invalid OSM map: Invalid XML number: 47.1x");
    EXPECT_EQ(engine->mapFeatures.size(), features);
    EXPECT_EQ(engine->mapPath, rideMap);
    EXPECT_EQ(engine->mapGeneration, generation);
    EXPECT_EQ(engine->mapLabel->text, label);
    fs::remove_all(folder);
}

} // namespace
} // namespace apptest
