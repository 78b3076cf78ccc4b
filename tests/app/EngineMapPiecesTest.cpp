// The map of a long track arriving in pieces while the window goes on.
#include "EngineDriver.h"
#include "gui/TempDir.h"
#include "map/MapPieces.h"
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

    // Keys work while pieces arrive; Escape ends the fetch instead of resetting the view.
    EngineDriver d(false);
    d.engine->enableMapPieces({{"local", server.url}}, folder.path() / "cache");
    d.engine->openGpxFile(folder.path() / "ride.gpx");
    EXPECT_TRUE(d.status().starts_with("Map: 0 of ")) << d.status();
    d.key(SDLK_PLUS);
    EXPECT_DOUBLE_EQ(d.view().zoom, 1.25);
    while (server.requests() < 4)
        d.frames();
    d.key(SDLK_ESCAPE);
    while (d.engine->mapPiecesRunning())
        d.frames();
    EXPECT_EQ(std::tuple(d.status(), d.view().zoom), std::tuple("Download cancelled", 1.25));
    // The next open fetches only the rest, and the map comes up whole.
    int kept = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.path() / "cache"))
        kept += entry.path().extension() == ".osm";
    const int cancelled = server.requests();
    d.engine->openGpxFile(folder.path() / "ride.gpx");
    while (d.engine->mapPiecesRunning())
        d.frames();
    const auto total = static_cast<int>(planMapPieces(*d.engine->currentTrack()).pieces.size());
    EXPECT_EQ(server.requests() - cancelled, total - kept);
    EXPECT_EQ(d.engine->backgroundMap().path(), (folder.path() / "ride.osm").string());
    EXPECT_GT(d.engine->backgroundMap().features().size(), 500u);
    EXPECT_TRUE(d.status().starts_with("ride.osm  |  ")) << d.status();
}

} // namespace
} // namespace trakmoor
