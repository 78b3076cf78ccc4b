// The frames of the window while a server on 127.0.0.1 feeds the map pieces of a long track
// slowly (0.3 s an answer, from the Schaan extract): the longest, the 95th percentile and the
// median frame, with a cursor key pressed every tenth frame.  Headless: SDL's dummy video driver
// and the software renderer.
#include "app/EngineDriver.h"
#include "map/OsmExtractServer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace trakmoor;
using Clock = std::chrono::steady_clock;

int main() {
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    const maptest::OsmExtract schaan(TRAKMOOR_SOURCE_DIR
                                     "/tests/data/osm/valhalla__liechtenstein-schaan-small.osm");
    maptest::ExtractServer server([&](int, const std::string& request) {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        return maptest::httpAnswer("200 OK", schaan.answer(maptest::queryBox(request)));
    });
    const auto folder = std::filesystem::temp_directory_path() / "trakmoor-frames-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    {
        std::ofstream gpx(folder / "ride.gpx");
        gpx << "<gpx version=\"1.1\"><trk><trkseg>";
        for (int i = 0; i <= 3000; ++i)
            gpx << "<trkpt lat=\"" << 47.05 + i * 0.0001 << "\" lon=\"" << 9.36 + i * 0.00007
                << "\"/>";
        gpx << "</trkseg></trk></gpx>\n";
    }
    EngineDriver d(false);
    d.engine->enableMapPieces({{"local", server.url}}, folder / "cache");
    auto start = Clock::now();
    d.engine->openGpxFile((folder / "ride.gpx").string());
    const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    std::vector<double> frames;
    while (d.engine->mapPiecesRunning()) {
        if (frames.size() % 10 == 0)
            guitest::pushKey(d.window, SDLK_RIGHT, 0);
        start = Clock::now();
        d.engine->runFrame();
        frames.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        std::this_thread::sleep_for(std::chrono::milliseconds(16));
    }
    std::sort(frames.begin(), frames.end());
    std::printf(
        "open %.1f ms; %zu frames while %zu map ways arrived: longest %.1f ms, p95 %.1f ms, "
        "median %.1f ms\n",
        openMs, frames.size(), d.engine->backgroundMap().features().size(), frames.back(),
        frames[frames.size() * 95 / 100], frames[frames.size() / 2]);
    std::filesystem::remove_all(folder);
}
