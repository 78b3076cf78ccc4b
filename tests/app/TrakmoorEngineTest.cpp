#include "app/EngineTestSupport.h"

#include "app/AppPaths.h"
#include "map/OsmReader.h"
#include "track/GpxReader.h"

#include <fstream>

namespace apptest {
namespace {

std::string testFile(const std::string& relative) {
    return std::string(TRAKMOOR_TEST_DATA) + "/" + relative;
}

TEST_F(EngineTest, StartsWithEveryOptionAtItsDefault) {
    open();
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(w, 1100);
    EXPECT_EQ(h, 720);
    SDL_GetWindowMinimumSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(w, 850);
    EXPECT_EQ(h, 650);

    EXPECT_EQ(engine->fitWindowButton->label, "Fit window to screen");
    EXPECT_EQ(engine->statusLabel->text, "Open a GPX file to begin");
    EXPECT_EQ(engine->mapLabel->text, "No map loaded");
    EXPECT_TRUE(engine->osmBackgroundCheck->pressed);
    EXPECT_TRUE(engine->showOsmBackground);
    for (GuiCheckBox* box :
         {engine->centerCursorCheck, engine->followDirectionCheck, engine->waypointsCheck,
          engine->heightCheck, engine->directLineCheck}) {
        EXPECT_FALSE(box->pressed) << box->label;
    }
    for (GuiTextCtrl* field : {engine->angleXField, engine->angleYField, engine->angleZField}) {
        EXPECT_EQ(field->text(), "0");
    }
    EXPECT_EQ(engine->perspectiveCombo->selectedText(), "Reset");
    EXPECT_EQ(engine->cursorModeCombo->selectedText(), "Waypoint");
    EXPECT_EQ(engine->statisticsCombo->selectedText(), "Height");
    EXPECT_EQ(engine->perspectiveCombo->items().size(), 6u);
    EXPECT_EQ(engine->selectedTrack, -1);
    EXPECT_TRUE(engine->infoList->nodes().empty());

    // Every command-sending control of the main window, once (103 and 104 twice: text and icon).
    std::vector<int> ids;
    for (const auto& child : window->root->children) {
        if (child->id >= 100) {
            ids.push_back(child->id);
        }
    }
    std::sort(ids.begin(), ids.end());
    std::vector<int> expected;
    for (int id = 100; id <= 133; ++id) {
        expected.push_back(id);
        if (id == 103 || id == 104) {
            expected.push_back(id);
        }
    }
    EXPECT_EQ(ids, expected);
}

TEST_F(EngineTest, CheckBoxesDriveTheirOptions) {
    open();
    frame();
    auto clickBox = [&](GuiCheckBox* box) { click(box->x + 8, box->y + 12); };
    clickBox(engine->waypointsCheck);
    EXPECT_TRUE(engine->showWaypoints);
    clickBox(engine->osmBackgroundCheck);
    EXPECT_FALSE(engine->showOsmBackground);
    clickBox(engine->heightCheck);
    EXPECT_TRUE(engine->view.showHeight);
    clickBox(engine->directLineCheck);
    EXPECT_TRUE(engine->showDirectLine);
    clickBox(engine->centerCursorCheck);
    EXPECT_TRUE(engine->view.followCursor);
    clickBox(engine->followDirectionCheck);
    EXPECT_TRUE(engine->view.followDirection);
    engine->view.headingOffset = 0.5;
    clickBox(engine->followDirectionCheck);
    EXPECT_FALSE(engine->view.followDirection);
    EXPECT_EQ(engine->view.headingOffset, 0.0);
}

TEST_F(EngineTest, ControlsFollowTheWindowSize) {
    struct Case {
        int width, height;
        int rightShift;
        int panelWidth, mapHeight, graphY;
    };
    for (const Case& c :
         {Case{1100, 720, 0, 520, 522, 564}, Case{1300, 720, 200, 720, 522, 564},
          Case{850, 650, -250, 270, 452, 494}, Case{1300, 900, 200, 720, 702, 744}}) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        open();
        SDL_SetWindowSize(window->sdlWindow.get(), c.width, c.height);
        frame();
        for (const auto& [id, designX] : {std::pair{111, 946},
                                          {107, 870},
                                          {110, 978},
                                          {132, 936},
                                          {130, 1036},
                                          {112, 1018},
                                          {131, 870},
                                          {133, 870}}) {
            ASSERT_NE(control(id), nullptr) << id;
            EXPECT_EQ(control(id)->x, designX + c.rightShift) << id;
        }
        EXPECT_EQ(engine->mapLabel->x, 870 + c.rightShift);
        EXPECT_EQ(engine->mapPanel->x, 340);
        EXPECT_EQ(engine->mapPanel->width, c.panelWidth);
        EXPECT_EQ(engine->mapPanel->height, c.mapHeight);
        EXPECT_EQ(engine->graphPanel->y, c.graphY);
        EXPECT_EQ(engine->graphPanel->width, c.panelWidth);
        EXPECT_EQ(engine->graphPanel->height, 130);
        EXPECT_EQ(engine->statusLabel->y, c.height - 22);
        EXPECT_EQ(engine->statusLabel->width, c.width - 16);
        EXPECT_EQ(engine->infoList->height, c.height - 128);
        // The left column and the top row stay where they are.
        EXPECT_EQ(engine->openGpxButton->x, 8);
        EXPECT_EQ(engine->trackCombo->x, 146);
    }
}

TEST_F(EngineTest, PanelsArePaintedWithoutATrack) {
    open();
    frame();
    const Uint32 mapBackground = rgb(0.96, 0.97, 0.98);
    const Uint32 graphBackground = rgb(0.98, 0.98, 0.98);
    const Uint32 graphGrid = rgb(0.86, 0.88, 0.90);
    EXPECT_PRED2(nearColour, pixelAt(340 + 25, 42 + 25), mapBackground);
    // Map grid lines lie on multiples of 50, one pixel wide across a pixel edge.
    EXPECT_FALSE(nearColour(pixelAt(340 + 50, 42 + 25), mapBackground));
    EXPECT_FALSE(nearColour(pixelAt(340 + 25, 42 + 100), mapBackground));
    EXPECT_PRED2(nearColour, pixelAt(340 + 25, 564 + 10), graphBackground);
    // Graph lines are two pixels wide from y = 20 every 25 pixels.
    EXPECT_PRED2(nearColour, pixelAt(340 + 25, 564 + 20), graphGrid);
    EXPECT_PRED2(nearColour, pixelAt(340 + 25, 564 + 44), graphGrid);

    // A bigger window gives the panels new surfaces, which are painted before they show.
    SDL_SetWindowSize(window->sdlWindow.get(), 1400, 800);
    frame();
    EXPECT_PRED2(nearColour, pixelAt(340 + 815, 42 + 25), mapBackground);
    EXPECT_PRED2(nearColour, pixelAt(340 + 815, 42 + 575), mapBackground);
    EXPECT_PRED2(nearColour, pixelAt(340 + 815, 644 + 10), graphBackground);
}

TEST_F(EngineTest, FitAndRestore) {
    open();
    SDL_SetWindowPosition(window->sdlWindow.get(), 30, 40);
    SDL_SetWindowSize(window->sdlWindow.get(), 900, 700);
    engine->toggleFitWindow();
    SDL_Rect usable{};
    ASSERT_EQ(SDL_GetDisplayUsableBounds(0, &usable), 0);
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(w, usable.w);
    EXPECT_EQ(h, usable.h);
    EXPECT_TRUE(engine->windowFitted);
    EXPECT_EQ(engine->fitWindowButton->label, "Restore window");

    engine->toggleFitWindow();
    int x = 0, y = 0;
    SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
    SDL_GetWindowPosition(window->sdlWindow.get(), &x, &y);
    EXPECT_EQ(w, 900);
    EXPECT_EQ(h, 700);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    EXPECT_FALSE(engine->windowFitted);
    EXPECT_EQ(engine->fitWindowButton->label, "Fit window to screen");
}

TEST_F(EngineTest, FullscreenStartRestoresToTheDesignSize) {
    open(1100, 720, true);
    EXPECT_TRUE(engine->windowFitted);
    EXPECT_EQ(engine->fitWindowButton->label, "Restore window");
    engine->toggleFitWindow();
    int w = 0, h = 0;
    SDL_GetWindowSize(window->sdlWindow.get(), &w, &h);
    EXPECT_EQ(w, 1100);
    EXPECT_EQ(h, 720);
    EXPECT_EQ(SDL_GetWindowFlags(window->sdlWindow.get()) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    EXPECT_EQ(engine->fitWindowButton->label, "Fit window to screen");
}

TEST_F(EngineTest, BuiltInSampleAndDefaultMap) {
    open();
    engine->loadBuiltInSample();
    EXPECT_EQ(engine->gpxPath, "sample.gpx");
    ASSERT_EQ(engine->trackCombo->items().size(), 1u);
    EXPECT_EQ(engine->trackCombo->selectedText(), "RHEIN RIDE");
    EXPECT_EQ(engine->statusLabel->text, "sample.gpx  |  RHEIN RIDE  |  730 points");
    EXPECT_EQ(engine->selectedTrack, 0);
    EXPECT_EQ(engine->cursorIndex, 0);

    // The panel holds the rows in order, translated through the (English) catalogue, expanded.
    const std::vector<std::string> lines = infoLines();
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[0], "Track info");
    EXPECT_EQ(lines[1], "Name=RHEIN RIDE");
    EXPECT_EQ(lines[2], "Number=1");
    EXPECT_EQ(lines[5], "Track analyses");
    EXPECT_EQ(lines[6], "Start time=07:30:00");
    EXPECT_EQ(lines[7], "Stop time=08:30:45");
    EXPECT_EQ(lines[12], "Duration=1:00:45");
    EXPECT_EQ(lines[15], "Waypoints=730");
    EXPECT_EQ(lines[16], "A-B analyses");
    EXPECT_EQ(lines[17], "Waypoint A=-");
    EXPECT_EQ(lines[18], "Waypoint B=-");
    for (int group : {0, 5, 16}) {
        EXPECT_TRUE(engine->infoList->isExpanded(group));
    }

    const auto map = trakmoor::findDefaultMap(trakmoor::defaultMapCandidates(std::nullopt));
    ASSERT_TRUE(map.has_value()) << "the build folder holds data/data.osm";
    engine->LoadOsmMap(*map);
    const std::string count = std::to_string(engine->mapFeatures.size());
    EXPECT_GT(engine->mapFeatures.size(), 1000u);
    EXPECT_EQ(engine->mapLabel->text, "data.osm  |  " + count + " map ways");
    EXPECT_EQ(engine->statusLabel->text, "data.osm  |  " + count + " map ways loaded");
    EXPECT_EQ(engine->mapGeneration, 1);
    EXPECT_EQ(engine->mapPath, *map);
}

TEST_F(EngineTest, MarkersShowInTheStatusLineAndPanel) {
    open();
    engine->loadBuiltInSample();
    engine->markerA = 10;
    engine->markerB = 3;
    engine->cursorIndex = 5;
    engine->refreshInfoPanel();
    engine->updateStatusLine();
    const std::vector<std::string> lines = infoLines();
    EXPECT_EQ(lines[17], "Waypoint A=11");
    EXPECT_EQ(lines[18], "Waypoint B=4");
    EXPECT_EQ(lines[22], "Waypoints=8");
    EXPECT_EQ(engine->statusLabel->text.rfind("sample.gpx  |  point 6/730  |  ", 0), 0u)
        << engine->statusLabel->text;
    EXPECT_NE(engine->statusLabel->text.find("  |  A: 11  B: 4  |  A-B: "), std::string::npos);
    EXPECT_NE(engine->statusLabel->text.find(" m, 35 s"), std::string::npos)
        << engine->statusLabel->text;
}

TEST_F(EngineTest, InstallingDocuments) {
    open();
    // Unnamed tracks are numbered in the selector, and the status names them "Unnamed track".
    engine->installGpx(trakmoor::readGpxText(R"(<gpx><trk><trkseg>
        <trkpt lat="1" lon="2"/><trkpt lat="1.1" lon="2"/></trkseg></trk>
        <trk><name>Ride</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk>
        <trk><trkseg><trkpt lat="1" lon="2"/></trkseg></trk></gpx>)"),
                       "/tracks/tour.gpx");
    ASSERT_EQ(engine->trackCombo->items().size(), 3u);
    EXPECT_EQ(engine->trackCombo->items()[0].text, "Track 1");
    EXPECT_EQ(engine->trackCombo->items()[1].text, "Ride");
    EXPECT_EQ(engine->trackCombo->items()[2].text, "Track 3");
    EXPECT_EQ(engine->statusLabel->text, "tour.gpx  |  Unnamed track  |  2 points");
    EXPECT_EQ(infoLines()[1], "Name=Unnamed");

    engine->markerA = 1;
    engine->view.zoom = 3.0;
    engine->view.panX = 12.0;
    engine->selectTrack(1);
    EXPECT_EQ(engine->trackCombo->selectedIndex(), 1);
    EXPECT_EQ(engine->statusLabel->text, "tour.gpx  |  Ride  |  1 points");
    EXPECT_EQ(engine->markerA, -1);
    EXPECT_EQ(engine->view.zoom, 1.0);
    EXPECT_EQ(engine->view.panX, 0.0);

    // Out of range: nothing changes.
    engine->setStatus("unchanged");
    engine->selectTrack(-1);
    engine->selectTrack(3);
    EXPECT_EQ(engine->selectedTrack, 1);
    EXPECT_EQ(engine->statusLabel->text, "unchanged");

    // A document without tracks, or none at all, keeps what is shown.
    const trakmoor::Gpx* shown = engine->gpx.get();
    engine->installGpx(trakmoor::readGpxText("<gpx version=\"1.1\"></gpx>"), "empty.gpx");
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in empty.gpx");
    engine->installGpx(nullptr, "broken.gpx");
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in broken.gpx");
    EXPECT_EQ(engine->gpx.get(), shown);
    EXPECT_EQ(engine->gpxPath, "/tracks/tour.gpx");
    EXPECT_EQ(engine->trackCombo->items().size(), 3u);
    EXPECT_EQ(engine->selectedTrack, 1);
}

TEST_F(EngineTest, WaypointFilesAndEmptyTracks) {
    open();
    engine->openGpxFile(testFile("gpx/gpsbabel__bounds-test.gpx"));
    ASSERT_TRUE(engine->gpx);
    ASSERT_GT(engine->trackCombo->items().size(), 11u);
    int waypoints = 0;
    for (const auto& item : engine->trackCombo->items()) {
        waypoints += item.text.rfind("WP:", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(waypoints, 11);

    engine->openGpxFile(testFile("gpx/graphhopper__no_trkpt.gpx"));
    EXPECT_EQ(engine->statusLabel->text, "Selected track contains no waypoints");
    EXPECT_EQ(engine->cursorIndex, -1);
    const std::vector<std::string> lines = infoLines();
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines[5], "Track analyses");
    EXPECT_EQ(lines[6], "A-B analyses");
}

TEST_F(EngineTest, OpeningFiles) {
    open();
    engine->openGpxFile("/no/such/ride.gpx");
    EXPECT_EQ(engine->statusLabel->text, "File not found: /no/such/ride.gpx");
    EXPECT_FALSE(engine->gpx);

    // A ride with a map beside it loads both.
    const auto folder = std::filesystem::temp_directory_path() / "trakmoor-open-test";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::filesystem::copy_file(TRAKMOOR_SOURCE_DIR "/data/sample.gpx", folder / "ride.gpx",
                               std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(testFile("osm/graphhopper__bautzen.osm"), folder / "ride.osm",
                               std::filesystem::copy_options::overwrite_existing);
    engine->openGpxFile((folder / "ride.gpx").string());
    EXPECT_EQ(engine->gpxPath, (folder / "ride.gpx").string());
    EXPECT_EQ(engine->mapPath, (folder / "ride.osm").string());
    EXPECT_EQ(engine->mapGeneration, 1);

    // Without a map and without a way to fetch one, the old map goes.
    std::filesystem::remove(folder / "ride.osm");
    engine->openGpxFile((folder / "ride.gpx").string());
    EXPECT_TRUE(engine->mapFeatures.empty());
    EXPECT_TRUE(engine->mapPath.empty());
    EXPECT_EQ(engine->mapGeneration, 2);
    EXPECT_EQ(engine->mapLabel->text, "No OSM map loaded");

    // A file without tracks leaves the shown track with its map: nothing is read or fetched.
    engine->LoadOsmMap(testFile("osm/graphhopper__bautzen.osm"));
    std::ofstream(folder / "none.gpx") << "<gpx version=\"1.1\"></gpx>\n";
    std::filesystem::copy_file(testFile("osm/graphhopper__test-osm6.osm"), folder / "none.osm");
    engine->openGpxFile((folder / "none.gpx").string());
    EXPECT_EQ(engine->statusLabel->text, "No tracks found in " + (folder / "none.gpx").string());
    EXPECT_EQ(engine->mapPath, testFile("osm/graphhopper__bautzen.osm"));
    EXPECT_EQ(engine->gpxPath, (folder / "ride.gpx").string());

    // A fetched map is loaded.
    std::string asked;
    engine->downloadOsmMap = [&](const std::string& path) {
        asked = path;
        std::filesystem::copy_file(testFile("osm/graphhopper__bautzen.osm"), path);
        return true;
    };
    engine->openGpxFile((folder / "ride.gpx").string());
    EXPECT_EQ(asked, (folder / "ride.osm").string());
    EXPECT_EQ(engine->mapPath, asked);
    std::filesystem::remove_all(folder);
}

TEST_F(EngineTest, FailedMapLoadsKeepTheOldMap) {
    open();
    const std::string good = testFile("osm/graphhopper__bautzen.osm");
    engine->LoadOsmMap(good);
    const std::size_t features = engine->mapFeatures.size();
    const std::string label = engine->mapLabel->text;
    ASSERT_EQ(engine->mapGeneration, 1);

    engine->LoadOsmMap("/no/such/map.osm");
    EXPECT_EQ(engine->statusLabel->text, "Could not open OSM map: /no/such/map.osm");

    const auto bad = std::filesystem::temp_directory_path() / "trakmoor-bad-map.osm";
    std::ofstream(bad) << "<osm>\n<node id=\"1\" lat=\"47.1x\" lon=\"9.5\"/>\n</osm>\n";
    engine->LoadOsmMap(bad.string());
    EXPECT_EQ(engine->statusLabel->text, "Invalid OSM map: Invalid XML number: 47.1x");
    std::filesystem::remove(bad);

    EXPECT_EQ(engine->mapFeatures.size(), features);
    EXPECT_EQ(engine->mapPath, good);
    EXPECT_EQ(engine->mapGeneration, 1);
    EXPECT_EQ(engine->mapLabel->text, label);
}

TEST_F(EngineTest, ClosingTheWindowEndsTheLoop) {
    open();
    SDL_Event close{};
    close.type = SDL_WINDOWEVENT;
    close.window.windowID = window->id;
    close.window.event = SDL_WINDOWEVENT_CLOSE;
    SDL_PushEvent(&close);
    for (int i = 0; i < 5 && !engine->stopped; ++i) {
        frame();
    }
    EXPECT_TRUE(engine->stopped);
}

} // namespace
} // namespace apptest
