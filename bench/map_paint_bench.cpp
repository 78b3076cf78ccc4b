// Frame and rebuild times of the map view painters on a 520 x 522 map panel and a 520 x 130 graph
// panel (the panels of an 1100 x 720 window): the map picture of the default map and of a map of
// more than 50,000 features, a panning frame that reuses the picture, and a frame of a track of
// 200,000 points.  Run from anywhere; the data files are found beside the sources.
#include "map/FontFace.h"
#include "map/GraphPainter.h"
#include "map/GraphPicture.h"
#include "map/MapPanelPainter.h"
#include "map/OsmReader.h"
#include "map/PanelBackground.h"
#include "track/GpxReader.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

using namespace trakmoor;

namespace {

const std::filesystem::path kSource = TRAKMOOR_SOURCE_DIR;
constexpr int kMapWidth = 520;
constexpr int kMapHeight = 522;
constexpr int kGraphHeight = 130;

std::vector<MapFeature> readMap(const std::filesystem::path& path) {
    OsmMapReadResult result = readOsmMapFile(path.string());
    if (result.outcome != OsmMapReadResult::Outcome::Loaded) {
        std::fprintf(stderr, "cannot read %s: %s\n", path.c_str(), result.error.c_str());
        std::exit(1);
    }
    return std::move(result.features);
}

std::unique_ptr<Track> twoPointTrack(double lat0, double lon0, double lat1, double lon1) {
    auto track = std::make_unique<Track>();
    for (auto [lat, lon] : {std::pair{lat0, lon0}, std::pair{lat1, lon1}}) {
        auto point = std::make_unique<WayPoint>();
        point->setLat(lat);
        point->setLon(lon);
        track->addPoint(std::move(point));
    }
    return track;
}

struct Data {
    CairoFontFacePtr font;
    CairoFontFacePtr boldFont;
    std::unique_ptr<Gpx> sample;
    std::vector<MapFeature> defaultMap;
    // Copies of the real extracts, in the order a merge of renumbered copies lists them.
    std::vector<MapFeature> largeMap;
    std::unique_ptr<Track> monaco;
    std::unique_ptr<Track> longTrack;
    // The same, each pass moved north by a tenth of a metre more, so that no segment repeats.
    std::unique_ptr<Track> shiftedLongTrack;
    // The sample ride 280 times over, the file the start-up benchmark opens.
    std::unique_ptr<Track> retracedRide;
};

const Data& data() {
    static const Data loaded = [] {
        Data d;
        std::ifstream in(kSource / "data/fonts/Vera.ttf", std::ios::binary);
        const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
        d.font = makeFontFace(bytes);
        d.boldFont = makeFontFace(bytes, true);
        d.sample = readGpxFile((kSource / "data/sample.gpx").string());
        d.defaultMap = readMap(kSource / "data/data.osm");

        std::vector<std::vector<MapFeature>> extracts;
        for (const auto& entry : std::filesystem::directory_iterator(kSource / "tests/data/osm"))
            if (entry.path().extension() == ".osm")
                extracts.push_back(readMap(entry.path()));
        while (d.largeMap.size() < 50000)
            for (const auto& extract : extracts)
                d.largeMap.insert(d.largeMap.end(), extract.begin(), extract.end());
        // The middle of Monaco, where the largest extract lies.
        d.monaco = twoPointTrack(43.725, 7.405, 43.745, 7.435);

        // A real recording repeated up to 200,000 points.
        const auto logger = readGpxFile(
            (kSource / "tests/data/gpx/gpsbabel__mtk_logger_m241_multiple_tracks.gpx").string());
        auto repeated = [&logger](double shift) {
            auto track = std::make_unique<Track>();
            for (int pass = 0; track->pointCount() < 200000; ++pass)
                for (std::int32_t t = 0; t < logger->trackCount(); ++t)
                    for (std::int32_t i = 0;
                         i < logger->trackAt(t)->pointCount() && track->pointCount() < 200000;
                         ++i) {
                        const WayPoint& p = *logger->trackAt(t)->pointAt(i);
                        auto copy = std::make_unique<WayPoint>();
                        copy->setLat(p.lat() + pass * shift);
                        copy->setLon(p.lon());
                        copy->setEle(p.ele());
                        copy->setTime(p.time());
                        track->addPoint(std::move(copy));
                    }
            return track;
        };
        d.longTrack = repeated(0.0);
        d.shiftedLongTrack = repeated(1e-6);
        d.retracedRide = std::make_unique<Track>();
        const Track& ride = *d.sample->trackAt(0);
        for (int pass = 0; pass < 280; ++pass)
            for (std::int32_t i = 0; i < ride.pointCount(); ++i) {
                const WayPoint& p = *ride.pointAt(i);
                auto copy = std::make_unique<WayPoint>();
                copy->setLat(p.lat());
                copy->setLon(p.lon());
                copy->setEle(p.ele());
                copy->setTime(p.time());
                d.retracedRide->addPoint(std::move(copy));
            }
        std::fprintf(stderr,
                     "default map: %zu features, large map: %zu features, track: %d points\n",
                     d.defaultMap.size(), d.largeMap.size(), d.longTrack->pointCount());
        return d;
    }();
    return loaded;
}

// Arg 0: the plain loop; 1: every shortcut on.
MapPictureOptions optionsFor(std::int64_t fast) {
    if (fast == 0)
        return {.skipOutside = false,
                .bands = 1,
                .reuseStyle = false,
                .reuseImage = false,
                .labelSprites = false,
                .visibleFirst = false};
    return {};
}

// The time until update returns and the panel can show its rows, or (`whole`) until the rows
// above and below drawn afterwards on threads are done too.
void waitFor(MapPictureCache& cache, bool whole) {
    if (whole)
        benchmark::DoNotOptimize(cache.picture());
}

// Arg 0: the plain loop, or every shortcut on.
void rebuild(benchmark::State& state, const std::vector<MapFeature>& features, const Track& track,
             double zoom, bool whole) {
    MapPictureCache cache(optionsFor(state.range(0)));
    TrackBoundsCache bounds;
    MapPictureSource source;
    source.track = &track;
    source.bounds = &bounds;
    source.features = features;
    source.width = kMapWidth;
    source.height = kMapHeight;
    source.font = data().font.get();
    source.view.zoom = zoom;
    for (auto _ : state) {
        cache.clear();
        cache.update(source);
        waitFor(cache, whole);
    }
    state.counters["features"] = static_cast<double>(features.size());
}

void BM_RebuildDefaultMap(benchmark::State& state) {
    rebuild(state, data().defaultMap, *data().sample->trackAt(0), 1.0, state.range(1) != 0);
}
BENCHMARK(BM_RebuildDefaultMap)
    ->ArgNames({"fast", "whole"})
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Rebuilds as the view changes, with every shortcut on.  Args: 0, a turn by one degree, as Follow
// direction does on every cursor step, which keeps the text size; 1, a zoom step, in and out by
// turns, which draws every name anew.  Wait for the whole picture.
void BM_ViewStepDefaultMap(benchmark::State& state) {
    MapPictureCache cache;
    TrackBoundsCache bounds;
    MapPictureSource source;
    source.track = data().sample->trackAt(0);
    source.bounds = &bounds;
    source.features = data().defaultMap;
    source.width = kMapWidth;
    source.height = kMapHeight;
    source.font = data().font.get();
    for (auto _ : state) {
        if (state.range(0) == 0)
            source.view.angleZ = (source.view.angleZ + 1) % 360;
        else
            source.view.zoom = source.view.zoom == 1.0 ? 1.25 : 1.0;
        cache.update(source);
        waitFor(cache, state.range(1) != 0);
    }
}
BENCHMARK(BM_ViewStepDefaultMap)
    ->ArgNames({"zoom", "whole"})
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// The same steps over a region-sized map (TRAKMOOR_REGION_MAP, as bench/region_map_bench.sh
// makes them), around a two-kilometre track near the region's middle: the spatial index keeps a
// step as cheap as over the default map.
void BM_ViewStepRegionMap(benchmark::State& state) {
    static const char* const path = std::getenv("TRAKMOOR_REGION_MAP");
    if (path == nullptr) {
        state.SkipWithError("TRAKMOOR_REGION_MAP is not set");
        return;
    }
    static const std::vector<MapFeature> region = readMap(path);
    static const std::unique_ptr<Track> track = [] {
        double minLat = 90, maxLat = -90, minLon = 180, maxLon = -180;
        for (const MapFeature& f : region)
            for (const MapPoint& p : f.points) {
                minLat = std::min(minLat, p.lat), maxLat = std::max(maxLat, p.lat);
                minLon = std::min(minLon, p.lon), maxLon = std::max(maxLon, p.lon);
            }
        // The copies leave gaps between them, and some extracts are nearly empty: the track
        // starts at the building nearest the middle, so that it lies in a town like a tour.
        const MapPoint middle{(minLat + maxLat) / 2, (minLon + maxLon) / 2};
        MapPoint start{0.0, 0.0};
        auto distance = [&](const MapPoint& p) {
            return std::hypot(p.lat - middle.lat, p.lon - middle.lon);
        };
        for (const MapFeature& f : region)
            if (f.featureClass == FeatureClass::Building &&
                distance(f.points.front()) < distance(start))
                start = f.points.front();
        return twoPointTrack(start.lat, start.lon, start.lat + 0.01, start.lon + 0.015);
    }();
    MapPictureCache cache;
    TrackBoundsCache bounds;
    MapPictureSource source;
    source.track = track.get();
    source.bounds = &bounds;
    source.features = region;
    source.width = kMapWidth;
    source.height = kMapHeight;
    source.font = data().font.get();
    // The draw order and the index are made once per map, on its first picture.
    cache.update(source);
    waitFor(cache, true);
    for (auto _ : state) {
        if (state.range(0) == 0)
            source.view.angleZ = (source.view.angleZ + 1) % 360;
        else
            source.view.zoom = source.view.zoom == 1.0 ? 1.25 : 1.0;
        cache.update(source);
        waitFor(cache, state.range(1) != 0);
    }
    state.counters["features"] = static_cast<double>(region.size());
}
BENCHMARK(BM_ViewStepRegionMap)
    ->ArgNames({"zoom", "whole"})
    ->ArgsProduct({{0, 1}, {1}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Over the sample track in Vaduz, beside which one of the extracts lies, and (track 1) over the
// middle of Monaco, where every copy of the largest extract is in view.
void BM_RebuildLargeMap(benchmark::State& state) {
    const Track& track = state.range(2) == 0 ? *data().sample->trackAt(0) : *data().monaco;
    rebuild(state, data().largeMap, track, static_cast<double>(state.range(1)), true);
}
BENCHMARK(BM_RebuildLargeMap)
    ->ArgNames({"fast", "zoom", "track"})
    ->ArgsProduct({{0, 1}, {1, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

OwnedCairoSurface panelSurface(int width, int height) {
    return OwnedCairoSurface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
}

// The map panel of a frame while dragging the default map by up to 100 pixels.
void BM_PanFrame(benchmark::State& state) {
    const auto surface = panelSurface(kMapWidth, kMapHeight);
    const OwnedCairoContext cr(cairo_create(surface.get()));
    MapPictureCache cache;
    TrackBoundsCache bounds;
    MapScene scene;
    scene.track = data().sample->trackAt(0);
    scene.features = &data().defaultMap;
    scene.bounds = &bounds;
    scene.font = data().font.get();
    scene.decorations.marks.cursorIndex = 100;
    paintMapPanel(cr.get(), kMapWidth, kMapHeight, scene, cache);
    const std::uint64_t rebuilds = cache.rebuildCount();
    int step = 0;
    for (auto _ : state) {
        scene.view.panX = (step % 200) - 100.0;
        scene.view.panY = 50.0 - (step % 100);
        ++step;
        paintMapPanel(cr.get(), kMapWidth, kMapHeight, scene, cache);
    }
    if (cache.rebuildCount() != rebuilds)
        state.SkipWithError("the picture was rebuilt while panning");
}
BENCHMARK(BM_PanFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// 0: a recording repeated; 1: the same, moved a little on every pass; 2: the sample ride retraced.
const Track& longTrackOf(std::int64_t shape) {
    if (shape == 2)
        return *data().retracedRide;
    return shape != 0 ? *data().shiftedLongTrack : *data().longTrack;
}

// A frame of the program on a track of 200,000 points while the cursor steps along it: the map
// panel with the track and the cursor over the kept default map picture, and the graph with the
// cursor over its kept curves.  Args: graph mode; track shape (longTrackOf).
void BM_LongTrackFrame(benchmark::State& state) {
    const auto map = panelSurface(kMapWidth, kMapHeight);
    const auto graph = panelSurface(kMapWidth, kGraphHeight);
    const OwnedCairoContext mapCr(cairo_create(map.get()));
    const OwnedCairoContext graphCr(cairo_create(graph.get()));
    const Track& track = longTrackOf(state.range(1));
    const auto mode = static_cast<std::int32_t>(state.range(0));
    MapPictureCache mapPicture;
    GraphPictureCache graphPicture({}, INT32_MAX);
    TrackBoundsCache bounds;
    MapScene scene;
    scene.track = &track;
    scene.features = &data().defaultMap;
    scene.bounds = &bounds;
    scene.font = data().font.get();
    std::int32_t cursor = track.pointCount() / 3;
    auto frame = [&] {
        scene.decorations.marks.cursorIndex = cursor++;
        paintMapPanel(mapCr.get(), kMapWidth, kMapHeight, scene, mapPicture);
        graphPicture.paint(graphCr.get(), kMapWidth, kGraphHeight, track, 1, mode, cursor,
                           data().boldFont.get());
    };
    frame();
    for (auto _ : state)
        frame();
}
BENCHMARK(BM_LongTrackFrame)
    ->ArgNames({"mode", "shape"})
    ->ArgsProduct({{0, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first frame of the same track: track, cursor and graph drawn from nothing, without a map.
// Args: thin same-pixel points; graph mode; track shape.
void BM_LongTrackFirstFrame(benchmark::State& state) {
    const auto map = panelSurface(kMapWidth, kMapHeight);
    const auto graph = panelSurface(kMapWidth, kGraphHeight);
    const OwnedCairoContext mapCr(cairo_create(map.get()));
    const OwnedCairoContext graphCr(cairo_create(graph.get()));
    const Track& track = longTrackOf(state.range(2));
    TrackBoundsCache bounds;
    TrackDecorations decorations;
    decorations.marks.cursorIndex = track.pointCount() / 3;
    const bool thin = state.range(0) != 0;
    const auto mode = static_cast<std::int32_t>(state.range(1));
    for (auto _ : state) {
        paintMapBackground(mapCr.get(), kMapWidth, kMapHeight);
        const MapProjection projection(ViewState{}, bounds, track, kMapWidth, kMapHeight);
        paintTrack(mapCr.get(), projection, track, decorations, {.thinSamePixel = thin});
        PaintGraphPanel(graphCr.get(), kMapWidth, kGraphHeight, track, mode,
                        decorations.marks.cursorIndex, data().boldFont.get(),
                        {.thinSamePixel = thin});
    }
}
BENCHMARK(BM_LongTrackFirstFrame)
    ->ArgNames({"thin", "mode", "shape"})
    ->ArgsProduct({{0, 1}, {0, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The track line, cursor and flags alone, drawn from nothing.  Arg: track shape.
void BM_LongTrackLine(benchmark::State& state) {
    const auto map = panelSurface(kMapWidth, kMapHeight);
    const OwnedCairoContext mapCr(cairo_create(map.get()));
    const Track& track = longTrackOf(state.range(0));
    TrackBoundsCache bounds;
    TrackDecorations decorations;
    decorations.marks.cursorIndex = 1000;
    for (auto _ : state) {
        paintMapBackground(mapCr.get(), kMapWidth, kMapHeight);
        const MapProjection projection(ViewState{}, bounds, track, kMapWidth, kMapHeight);
        paintTrack(mapCr.get(), projection, track, decorations);
    }
}
BENCHMARK(BM_LongTrackLine)
    ->ArgName("shape")
    ->DenseRange(0, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The graph alone of the same track.  Args: thin same-pixel points; stroke in strips.
void BM_LongTrackGraph(benchmark::State& state) {
    const auto graph = panelSurface(kMapWidth, kGraphHeight);
    const OwnedCairoContext graphCr(cairo_create(graph.get()));
    const Track& track = *data().longTrack;
    const GraphPaintOptions options{.thinSamePixel = state.range(0) != 0,
                                    .strokeInStrips = state.range(1) != 0};
    for (auto _ : state)
        PaintGraphPanel(graphCr.get(), kMapWidth, kGraphHeight, track, 0, track.pointCount() / 3,
                        data().boldFont.get(), options);
}
BENCHMARK(BM_LongTrackGraph)
    ->ArgNames({"thin", "strips"})
    ->ArgsProduct({{1}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
