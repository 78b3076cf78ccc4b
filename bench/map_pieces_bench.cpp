// The map of a long track in pieces: merging 40 answers of about 1 MB into one map (written, and
// read into features as the window takes it), and how many pieces the tracks of the GPX files
// named on the command line would need.  The pieces are cut from the Monaco extract with the
// tests' Overpass stand-in; ten copies with their ids moved apart make 40 distinct answers whose
// neighbours overlap as real pieces do.
#include "map/MapPieces.h"
#include "map/OsmExtractServer.h"
#include "map/OsmMerge.h"
#include "map/OsmReader.h"
#include "track/GpxReader.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

using namespace trakmoor;

namespace {

const std::vector<std::string>& fortyPieces() {
    static const std::vector<std::string> pieces = [] {
        const maptest::OsmExtract monaco(TRAKMOOR_SOURCE_DIR
                                         "/tests/data/osm/graphhopper__monaco.osm");
        std::vector<std::string> quarters;
        // Quarters of the town that overlap by about 100 m, as neighbouring cells share the ways
        // that cross their border.
        for (double south : {43.70, 43.734})
            for (double west : {7.38, 7.418})
                quarters.push_back(monaco.answer({south, west, south + 0.036, west + 0.04}));
        std::vector<std::string> out;
        const std::regex id("( id| ref)=\"(\\d+)\"");
        for (int copy = 10; copy < 20; ++copy)
            for (const std::string& quarter : quarters)
                out.push_back(
                    std::regex_replace(quarter, id, "$1=\"" + std::to_string(copy) + "$2\""));
        return out;
    }();
    return pieces;
}

void BM_MergeFortyPiecesToFile(benchmark::State& state) {
    const auto target = std::filesystem::temp_directory_path() / "trakmoor-merge-bench.osm";
    std::size_t bytes = 0;
    for (const std::string& piece : fortyPieces())
        bytes += piece.size();
    for (auto _ : state) {
        OsmMerger merger;
        for (const std::string& piece : fortyPieces())
            merger.add(piece);
        merger.writeTo(target);
    }
    state.counters["MB_in"] = static_cast<double>(bytes) / 1e6;
    state.counters["MB_out"] = static_cast<double>(std::filesystem::file_size(target)) / 1e6;
    std::filesystem::remove(target);
}
BENCHMARK(BM_MergeFortyPiecesToFile)->Unit(benchmark::kMillisecond);

void BM_MergeFortyPiecesIntoFeatures(benchmark::State& state) {
    for (auto _ : state) {
        OsmMerger merger;
        for (const std::string& piece : fortyPieces())
            merger.add(piece);
        const OsmMapReadResult read = readOsmMapText(merger.text());
        state.counters["features"] = static_cast<double>(read.features.size());
    }
}
BENCHMARK(BM_MergeFortyPiecesIntoFeatures)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // For the peer: bench/map_pieces_bench.sh hands the same pieces to osmium merge.
    if (const char* folder = std::getenv("TRAKMOOR_PIECES_DIR")) {
        for (std::size_t i = 0; i < fortyPieces().size(); ++i)
            std::ofstream(std::filesystem::path(folder) / ("piece-" + std::to_string(i) + ".osm"))
                << fortyPieces()[i];
    }
    for (int i = 1; i < argc; ++i) {
        const std::unique_ptr<Gpx> gpx = readGpxFile(argv[i]);
        for (std::int32_t t = 0; gpx && t < gpx->trackCount(); ++t) {
            const MapPiecePlan plan = planMapPieces(*gpx->trackAt(t));
            std::size_t overview = 0;
            for (const MapPiece& piece : plan.pieces)
                overview += piece.level == PieceLevel::Overview;
            std::printf("%s %s: %s km, %s, %zu detail + %zu overview pieces\n",
                        std::filesystem::path(argv[i]).filename().c_str(),
                        gpx->trackAt(t)->name().c_str(), kilometreText(plan.lengthMeters).c_str(),
                        plan.kind == MapPiecePlan::Kind::Single    ? "one request"
                        : plan.kind == MapPiecePlan::Kind::TooLong ? "too long"
                                                                   : "pieces",
                        plan.pieces.size() - overview, overview);
        }
    }
    benchmark::RunSpecifiedBenchmarks();
}
