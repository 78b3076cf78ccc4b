#include "gui/TempDir.h"
#include "map/MapPieceFetcher.h"
#include "map/OsmExtractServer.h"
#include "map/OsmReader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace trakmoor;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using maptest::ExtractServer;
using maptest::httpAnswer;

namespace {

const maptest::OsmExtract& schaan() {
    static const maptest::OsmExtract extract(std::string(TRAKMOOR_TEST_DATA) +
                                             "/osm/valhalla__liechtenstein-schaan-small.osm");
    return extract;
}
std::string schaanAnswer(int, const std::string& request) {
    return httpAnswer("200 OK", schaan().answer(maptest::queryBox(request)));
}

// A ride of 0.3° × 0.2° with Schaan on its way.
std::vector<GeoPoint> ride() {
    std::vector<GeoPoint> points;
    for (int i = 0; i <= 300; ++i)
        points.push_back({47.05 + i * 0.001, 9.36 + i * 0.0007});
    return points;
}

// Runs a fetch to its end, polling as the frame loop would.
MapFetchUpdate fetchAll(std::vector<MapPiece> pieces, std::vector<OverpassServer> servers,
                        const fs::path& cache, const fs::path& target,
                        PieceFetchTiming timing = {}) {
    MapPieceFetcher fetcher(std::move(pieces), std::move(servers), MapPieceCache(cache), target,
                            timing);
    MapFetchUpdate last;
    for (auto end = std::chrono::steady_clock::now() + 60s; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(10ms))
        if ((last = fetcher.poll()).finished)
            break;
    return last;
}

std::string fileText(const fs::path& path) {
    return (std::ostringstream() << std::ifstream(path).rdbuf()).str();
}
std::multiset<std::string> features(const std::string& osm) {
    std::multiset<std::string> out;
    for (const MapFeature& f : readOsmMapText(osm).features)
        out.insert(f.name + "|" + std::to_string(static_cast<int>(f.featureClass)) + "|" +
                   std::to_string(f.points.size() + f.rings.size()) + "|" +
                   std::to_string(f.points.front().lat) + "|" +
                   std::to_string(f.points.back().lon));
    return out;
}

} // namespace

TEST(MapPiecePlan, ChoosesSingleRequestPiecesOrRefusal) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::pair<std::vector<GeoPoint>, MapPiecePlan::Kind> cases[] = {
        {{}, MapPiecePlan::Kind::NoPoints},
        {{{nan, 9.0}, {47.0, INFINITY}}, MapPiecePlan::Kind::NoPoints},
        {{{47.0, 9.0}}, MapPiecePlan::Kind::Single},
        {{{47.0, 9.0}, {nan, 1.0}, {47.1, 9.1}}, MapPiecePlan::Kind::Single},
        {{{37.4847488, -122.1476287}, {37.4859695, -122.1462936}}, MapPiecePlan::Kind::Single},
        {ride(), MapPiecePlan::Kind::Pieces},
        {{{64.8, 179.8}, {65.2, -179.8}}, MapPiecePlan::Kind::Pieces}, // across the antimeridian
        {{{89.5, 10.0}, {90.0, 10.0}}, MapPiecePlan::Kind::Single},
        {{{89.0, 0.0}, {90.0, 0.0}, {89.0, 90.0}}, MapPiecePlan::Kind::TooLong}, // every longitude
        {{{48.14, 11.58}, {52.52, 13.40}}, MapPiecePlan::Kind::TooLong},
    };
    for (const auto& [points, kind] : cases) {
        const MapPiecePlan plan = planMapPieces(points);
        EXPECT_EQ(plan.kind, kind) << points.size();
        EXPECT_LE(plan.pieces.size(), maxMapPieces);
        for (const MapPiece& piece : plan.pieces) {
            const BoundingBox box = piece.box();
            EXPECT_TRUE(box.south >= -90 && box.north <= 90 && box.west >= -180 &&
                        box.east <= 180 && box.west < box.east &&
                        isDownloadableArea(box) == (piece.level == PieceLevel::Detail));
        }
    }
    EXPECT_EQ(kilometreText(2'140'400), "2,140");
    EXPECT_EQ(trackTooLongText(planMapPieces({{48.14, 11.58}, {52.52, 13.40}}).lengthMeters),
              "Track too long for a map download (504 km): open a map with Open OSM");
}

TEST(MapPieceMerge, PiecesOfARealExtractEqualOneRequestForTheirArea) {
    ExtractServer server(schaanAnswer);
    TempDir folder;
    // Schaan's data crosses 47.15° and 9.50°: four cells meet in it.
    std::vector<MapPiece> pieces;
    for (int row : {2742, 2743})
        for (int column : {3789, 3790})
            pieces.push_back({PieceLevel::Detail, row, column});
    const fs::path target = folder.path() / "tour.osm";
    ASSERT_TRUE(fetchAll(pieces, {{"local", server.url}}, folder.path() / "cache", target).written);
    const std::string merged = fileText(target);
    EXPECT_EQ(features(merged), features(schaan().answer({47.10, 9.45, 47.20, 9.55})));
    EXPECT_GT(features(merged).size(), 500u);
}

TEST(MapPieceFetch, LongTrackGetsTheExtractAlongItAndResumesOnlyWhatIsMissing) {
    TempDir folder;
    const fs::path target = folder.path() / "tour.osm";
    const MapPiecePlan plan = planMapPieces(ride());
    ASSERT_EQ(plan.kind, MapPiecePlan::Kind::Pieces);
    // The first server breaks off every fourth piece for good; the rest stay in the cache.
    const auto failing = [](int n, const std::string& request) {
        return n % 4 == 3 ? httpAnswer("504 Gateway Timeout", "") : schaanAnswer(n, request);
    };
    std::size_t missing = 0;
    {
        ExtractServer server(failing);
        const MapFetchUpdate update =
            fetchAll(plan.pieces, {{"local", server.url}}, folder.path() / "cache", target);
        missing = update.missing;
        EXPECT_GT(missing, 0u);
        EXPECT_FALSE(update.written);
        EXPECT_FALSE(fs::exists(target));
        EXPECT_EQ(MapPieceFetcher::statusText(update),
                  "Map incomplete: " + std::to_string(missing) + " of " +
                      std::to_string(plan.pieces.size()) + " pieces missing (local: HTTP 504)");
    }
    ExtractServer server(schaanAnswer);
    ASSERT_TRUE(
        fetchAll(plan.pieces, {{"local", server.url}}, folder.path() / "cache", target).written);
    EXPECT_EQ(static_cast<std::size_t>(server.requests()), missing);
    // Every feature of the extract along the track (the merge test sees each come once).
    std::set<std::string> along;
    for (const MapPiece& piece : plan.pieces)
        for (const std::string& feature : features(schaan().answer(piece.box())))
            along.insert(feature);
    const std::multiset<std::string> merged = features(fileText(target));
    EXPECT_EQ(std::set<std::string>(merged.begin(), merged.end()), along);
    EXPECT_GT(along.size(), 500u);
}

TEST(MapPieceFetch, EveryBadAnswerFailsOverToTheNextServer) {
    const std::string osm = "<osm>\n<node id=\"1\" lat=\"47.16\" lon=\"9.51\"/>\n</osm>\n";
    const std::string bad[] = {
        httpAnswer("200 OK", "<osm>\n<remark> runtime error: Query timed out </remark>\n</osm>\n"),
        httpAnswer("200 OK", ""),
        httpAnswer("200 OK", "<html>busy</html>"),
        httpAnswer("200 OK", osm).substr(0, 90),             // truncated, connection dropped
        httpAnswer("200 OK", osm.substr(0, osm.size() - 7)), // a document cut short
        httpAnswer("429 Too Many Requests", "", "Retry-After: 1\r\n"),
    };
    for (const std::string& reply : bad) {
        TempDir folder;
        ExtractServer first([&](int, const std::string&) { return reply; });
        ExtractServer second([&](int, const std::string&) { return httpAnswer("200 OK", osm); });
        const auto start = std::chrono::steady_clock::now();
        EXPECT_TRUE(fetchAll({{PieceLevel::Detail, 2743, 3790}},
                             {{"a", first.url}, {"b", second.url}}, folder.path() / "cache",
                             folder.path() / "tour.osm", {.retryPause = 10ms})
                        .written)
            << reply;
        EXPECT_EQ(second.requests(), 1);
        if (reply.find("Retry-After") != std::string::npos) {
            EXPECT_GE(std::chrono::steady_clock::now() - start, 1s);
        }
    }
}

TEST(MapPieceFetch, CacheRefetchesBadOrOldPiecesAndWorksWithoutAFolder) {
    TempDir folder;
    ExtractServer server(schaanAnswer);
    const std::vector<MapPiece> pieces = {{PieceLevel::Detail, 2742, 3789},
                                          {PieceLevel::Detail, 2742, 3790},
                                          {PieceLevel::Detail, 2743, 3790}};
    MapPieceCache cache(folder.path() / "cache");
    for (const MapPiece& piece : pieces)
        ASSERT_TRUE(cache.store(piece, schaan().answer(piece.box())));
    // Cut short by a crash, older than a month, and a whole one beside a stale .part.
    fs::resize_file(cache.pathOf(pieces[0]), 1000);
    fs::last_write_time(cache.pathOf(pieces[1]), fs::file_time_type::clock::now() - 31 * 24h);
    std::ofstream(fs::path(cache.pathOf(pieces[2])) += ".part") << "<osm>";
    const MapFetchUpdate update =
        fetchAll(pieces, {{"local", server.url}}, cache.folder(), folder.path() / "tour.osm");
    EXPECT_TRUE(update.written && !update.cacheOff);
    EXPECT_EQ(server.requests(), 2);
    EXPECT_TRUE(
        fetchAll(pieces, {{"local", server.url}}, cache.folder(), folder.path() / "x.osm").written);
    EXPECT_EQ(server.requests(), 2);

    std::ofstream(folder.path() / "file") << "not a folder";
    const MapFetchUpdate off =
        fetchAll(pieces, {{"local", server.url}}, folder.path() / "file" / "cache",
                 folder.path() / "tour.osm");
    EXPECT_TRUE(off.written && off.cacheOff);
    EXPECT_EQ(server.requests(), 5); // all three again
    EXPECT_TRUE(MapPieceFetcher::statusText(off).ends_with(" (cache off)"));
}
