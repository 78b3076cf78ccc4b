// The map of a long track arriving in pieces while the window goes on.
#include "EngineDriver.h"
#include "gui/TempDir.h"
#include "map/OsmExtractServer.h"

#include <gtest/gtest.h>

#include <fstream>

namespace trakmoor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

TEST(EngineMapPieces, WindowAnswersKeysWhilePiecesArriveAndEscapeCancels) {
    static const maptest::OsmExtract schaan(TRAKMOOR_TEST_DATA
                                            "/osm/valhalla__liechtenstein-schaan-small.osm");
    maptest::ExtractServer server([](int, const std::string& request) {
        std::this_thread::sleep_for(50ms);
        return maptest::httpAnswer("200 OK", schaan.answer(maptest::queryBox(request)));
    });
    TempDir folder;
    std::ofstream gpx(folder.path() / "ride.gpx");
    gpx << "<gpx version=\"1.1\"><trk><trkseg>";
    for (int i = 0; i <= 300; ++i)
        gpx << "<trkpt lat=\"" << 47.05 + i * 0.001 << "\" lon=\"" << 9.36 + i * 0.0007 << "\"/>";
    gpx << "</trkseg></trk></gpx>\n";
    gpx.close();

    EngineDriver d(false);
    d.engine->enableMapPieces({{"local", server.url}}, folder.path() / "cache");
    d.engine->openGpxFile(folder.path() / "ride.gpx");
    ASSERT_TRUE(d.engine->mapPiecesRunning());
    EXPECT_TRUE(d.status().starts_with("Map: 0 of ")) << d.status();
    d.key(SDLK_PLUS);
    EXPECT_DOUBLE_EQ(d.view().zoom, 1.25);
    for (auto end = std::chrono::steady_clock::now() + 60s;
         d.engine->mapPiecesRunning() && std::chrono::steady_clock::now() < end;)
        d.frames(), std::this_thread::sleep_for(10ms);
    EXPECT_EQ(d.engine->backgroundMap().path(), (folder.path() / "ride.osm").string());
    EXPECT_GT(d.engine->backgroundMap().features().size(), 500u);
    EXPECT_TRUE(d.status().starts_with("ride.osm  |  ")) << d.status();

    // Escape ends a fetch instead of resetting the view; the next open goes on from the cache.
    fs::remove(folder.path() / "ride.osm");
    fs::remove_all(folder.path() / "cache");
    d.engine->openGpxFile(folder.path() / "ride.gpx");
    d.key(SDLK_PLUS);
    d.key(SDLK_ESCAPE);
    while (d.engine->mapPiecesRunning())
        d.frames();
    EXPECT_EQ(d.status(), "Download cancelled");
    EXPECT_DOUBLE_EQ(d.view().zoom, 1.25);
    EXPECT_FALSE(fs::exists(folder.path() / "ride.osm"));
}

} // namespace
} // namespace trakmoor
