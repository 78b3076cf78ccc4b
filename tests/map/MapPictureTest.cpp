#include "map/MapPicture.h"
#include "map/MapPanelPainter.h"
#include "map/OsmReader.h"
#include "map/ThreadStart.h"

#include <tuple>

#include "PainterTestSupport.h"

using namespace trakmoor;
using namespace trakmoor::test;
using enum FeatureClass;

namespace {

constexpr int kSize = 312;

constexpr auto at = unitPanelPoint;

MapFeature feature(FeatureClass featureClass, std::vector<MapPoint> points, bool closed = false) {
    MapFeature f;
    f.featureClass = featureClass;
    f.points = std::move(points);
    f.closed = closed;
    return f;
}

MapFeature square(FeatureClass featureClass, double x0, double y0, double x1, double y1) {
    return feature(featureClass, {at(x0, y0), at(x1, y0), at(x1, y1), at(x0, y1), at(x0, y0)},
                   true);
}

struct Painted {
    Canvas canvas{kSize, kSize};
    MapPictureCache cache;
    MapScene scene;

    explicit Painted(const std::vector<MapFeature>& features, double zoom = 1.0) {
        scene.track = kUnitTrack.get();
        scene.features = &features;
        scene.font = kFont.get();
        scene.view.zoom = zoom;
        paint();
    }
    void paint() { paintMapPanel(canvas.cr.get(), canvas.width, canvas.height, scene, cache); }
};

bool isBackground(const Canvas& c, int x, int y) {
    return c.is(x, y, 0.96, 0.97, 0.98, 1);
}

// The bytes of a picture that `cache` rebuilds for `source`.
std::vector<unsigned char> pictureBytes(MapPictureCache& cache, const MapPictureSource& source) {
    cache.clear();
    EXPECT_TRUE(cache.update(source));
    cairo_surface_t* picture = cache.picture();
    cairo_surface_flush(picture);
    const auto* data = cairo_image_surface_get_data(picture);
    return {data, data + cairo_image_surface_get_stride(picture) * 3 * source.height};
}

} // namespace

TEST(MapPicture, ReusedWithinEightyPercentOfThePanelAndRebuiltOnKeyChanges) {
    const std::vector<MapFeature> map = {square(Forest, 100, 100, 200, 200),
                                         feature(Railway, {at(20, 250), at(290, 170)})};
    Painted p(map);
    auto expectRebuild = [&](bool rebuilt, auto change) {
        change(p.scene.view);
        p.paint();
        EXPECT_EQ(p.cache.lastUpdateRebuilt(), rebuilt) << p.cache.rebuildCount();
    };
    expectRebuild(false, [](ViewState& v) { v.panX = 100, v.panY = -60; });
    Painted fresh(map); // drawn for that pan: the kept picture is painted shifted alike
    fresh.scene.view = p.scene.view;
    fresh.paint();
    EXPECT_EQ(p.canvas.bytes(), fresh.canvas.bytes());
    expectRebuild(false, [](ViewState& v) { v.panX = 0.8 * kSize; });
    expectRebuild(true, [](ViewState& v) { v.panX += 1.0; });
    expectRebuild(false, [](ViewState& v) { v.panY = -0.8 * kSize; });
    expectRebuild(false, [](ViewState& v) { v.showHeight = true; });
    expectRebuild(true, [](ViewState& v) { v.angleX = v.angleY = 5; });
    expectRebuild(true, [](ViewState& v) { v.angleZ = 5; });
    expectRebuild(true, [](ViewState& v) { v.zoom = 1.5; });
    expectRebuild(true, [](ViewState& v) { v.headingOffset = 0.1; });
    p.scene.mapGeneration = 7;
    expectRebuild(true, [](ViewState&) {});
    EXPECT_EQ(p.cache.rebuildCount(), 7u);

    // Without the background option the picture is kept but neither it nor the legend shows.
    p.scene.view = ViewState{};
    p.paint();
    ASSERT_FALSE(isBackground(p.canvas, 120, 120));
    p.scene.showOsmBackground = false;
    p.paint();
    EXPECT_TRUE(isBackground(p.canvas, 120, 120));
    EXPECT_TRUE(isBackground(p.canvas, 140, kSize - 20)); // where the legend was
    EXPECT_NE(p.cache.picture(), nullptr);
    EXPECT_EQ(p.cache.rebuildCount(), 8u);
}

TEST(MapPicture, AreasLinesDashesBridgesAndMinimumZooms) {
    MapFeature lake = square(Water, 40, 40, 140, 140);
    lake.rings.push_back({at(70, 70), at(110, 70), at(110, 110), at(70, 110)});
    MapFeature bridge = feature(LocalRoad, {at(20, 200), at(290, 200)});
    bridge.bridge = true;
    const std::vector<MapFeature> map = {
        lake,
        bridge,
        feature(LocalRoad, {at(20, 230), at(290, 230)}),
        feature(Path, {at(20, 260), at(290, 260)}),
        feature(Primary, {at(160, 20), at(160, 60), at(200, 60)}),               // open line: drawn
        feature(Forest, {at(220, 40), at(280, 40), at(280, 120), at(220, 120)}), // open area
        square(Building, 220, 140, 280, 180),
    };
    Painted p(map);
    const Canvas& c = p.canvas;
    EXPECT_TRUE(c.is(55, 55, 0.57, 0.78, 0.91)); // water over the background
    EXPECT_TRUE(isBackground(c, 90, 90));        // inner ring: a hole
    EXPECT_FALSE(isBackground(c, 160, 40));
    EXPECT_TRUE(isBackground(c, 255, 80));  // an area that is not closed is not drawn
    EXPECT_TRUE(isBackground(c, 255, 160)); // buildings need zoom 1.25

    // The bridge's casing reaches 2.1 pixels from its centre line, the plain road's 1.1.
    EXPECT_LT(c.at(170, 201).r, 140);
    EXPECT_GT(c.at(170, 231).r, 200);
    int pathGaps = 0, roadGaps = 0;
    for (int x = 40; x < 270; ++x) {
        pathGaps += isBackground(c, x, 260) && isBackground(c, x, 259);
        roadGaps += isBackground(c, x, 230) && isBackground(c, x, 229);
    }
    EXPECT_GT(pathGaps, 20); // dashed
    EXPECT_EQ(roadGaps, 0);

    EXPECT_FALSE(isBackground(Painted(map, 1.25).canvas, 255, 160));
}

TEST(MapPicture, LegendHasOneColumnBelow320Pixels) {
    const std::vector<MapFeature> map = {feature(Path, {at(0, 0), at(1, 1)})};
    Painted narrow(map);                                              // 312 pixels
    EXPECT_TRUE(narrow.canvas.is(14, kSize - 160, 1.0, 1.0, 1.0, 4)); // box 155 high
    EXPECT_TRUE(narrow.canvas.is(24, kSize - 167 + 15 + 135 - 4, 0.63, 0.58, 0.52, 2)); // row 9

    Canvas wide(520, 522);
    MapPictureCache cache;
    paintMapPanel(wide.cr.get(), 520, 522, narrow.scene, cache);
    EXPECT_TRUE(wide.is(24 + 142, 430 + 15 - 4, 0.55, 0.43, 0.65, 2)); // row 5, second column
    EXPECT_TRUE(wide.is(24, 430 + 15 + 60 - 4, 0.25, 0.58, 0.78, 2));  // row 4
    EXPECT_TRUE(wide.is(450, 10, 0.92, 0.935, 0.95, 1)); // grid line half over two pixels
}

TEST(MapPicture, PanelTooLargeForAPictureStillGetsItsTrack) {
    const std::vector<MapFeature> map = {square(Water, 0, 0, 300, 300)};
    Canvas huge(12000, 40);
    Painted small(map);
    paintMapPanel(huge.cr.get(), 12000, 40, small.scene, small.cache);
    EXPECT_EQ(cairo_status(huge.cr.get()), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(small.cache.picture(), nullptr);
    EXPECT_TRUE(huge.is(6000, 20, 0.08, 0.38, 0.70, 8)); // the track line through the middle
}

// Every shortcut of the rebuild must leave the picture as the plain loop draws it.
TEST(MapPicture, FastRebuildDrawsTheSamePixels) {
    const OsmMapReadResult osm = readOsmMapFile((std::filesystem::path(TRAKMOOR_TEST_DATA) / "osm" /
                                                 "valhalla__liechtenstein-schaan-small.osm")
                                                    .string());
    ASSERT_EQ(osm.outcome, OsmMapReadResult::Outcome::Loaded);
    // A track over the middle of Schaan, so that much of the map lies outside the picture.
    const auto track = makeTrack({{47.165, 9.504, 0.0}, {47.175, 9.5115, 0.0}});
    MapPictureSource source;
    source.track = track.get();
    source.features = osm.features;
    source.width = 300;
    source.height = 220;
    source.font = kFont.get();
    source.view.zoom = 1.6;
    source.view.angleZ = 30;
    source.view.panX = 40;

    MapPictureCache reused;
    auto draw = [&](MapPictureOptions options, MapPictureCache* drawnBefore = nullptr) {
        MapPictureCache fresh(options);
        return pictureBytes(drawnBefore != nullptr ? *drawnBefore : fresh, source);
    };
    source.view.panY = 200; // leaves a picture with other pixels behind for the reuse below
    draw({}, &reused);
    source.view.panY = 0;
    const auto plain = draw({.skipOutside = false,
                             .bands = 1,
                             .reuseStyle = false,
                             .reuseImage = false,
                             .labelSprites = false,
                             .visibleFirst = false});
    EXPECT_GT(std::count(plain.begin(), plain.end(), 0), 100000);
    EXPECT_LT(std::count(plain.begin(), plain.end(), 0), plain.size() - 100000);
    EXPECT_EQ(draw({.skipOutside = true, .bands = 1, .reuseStyle = false}), plain);
    EXPECT_EQ(draw({.skipOutside = false, .bands = 3, .reuseStyle = false}), plain);
    EXPECT_EQ(draw({.skipOutside = false, .bands = 1, .reuseStyle = true}), plain);
    EXPECT_EQ(draw({.skipOutside = true, .bands = 4, .reuseStyle = true}), plain);
    EXPECT_EQ(draw({.bands = 4, .balanceBands = false}), plain);
    {
        const FailingThreadStarts noThreads; // every band drawn on this thread instead
        EXPECT_EQ(draw({.bands = 4}), plain);
        EXPECT_EQ(draw({.bands = 4, .visibleFirst = false}), plain);
    }
    const cairo_surface_t* before = reused.picture();
    EXPECT_EQ(draw({}, &reused), plain);
    EXPECT_EQ(reused.picture(), before);
}

// On the default map: bands cut anywhere in the picture, the panel's rows drawn first and the rest
// on threads afterwards, and names composited from their sprites, also from sprites of an earlier
// picture, give the plain loop's pixels; a new text size draws new sprites.
TEST(MapPicture, FastRebuildOfTheDefaultMapDrawsTheSamePixels) {
    const std::filesystem::path data = std::filesystem::path(TRAKMOOR_TEST_DATA) / "../../data";
    OsmMapReadResult osm = readOsmMapFile((data / "data.osm").string());
    ASSERT_EQ(osm.outcome, OsmMapReadResult::Outcome::Loaded);
    const auto gpx = readGpxFile((data / "sample.gpx").string());
    MapPictureSource source;
    source.track = gpx->trackAt(0);
    source.features = osm.features;
    source.width = 520;
    source.height = 522;
    source.font = kFont.get();

    MapPictureCache fast({.bands = 3}); // kept from view to view
    std::vector<unsigned char> first;
    for (auto [zoom, angleX, angleZ] :
         {std::tuple{1.0, 0, 0}, {1.0, 0, 40}, {2.5, 20, 40}, {0.6, 0, 300}}) {
        source.view.zoom = zoom;
        source.view.angleX = angleX;
        source.view.angleZ = angleZ;
        MapPictureCache plain({.skipOutside = false,
                               .bands = 1,
                               .reuseStyle = false,
                               .reuseImage = false,
                               .labelSprites = false,
                               .visibleFirst = false});
        const auto picture = pictureBytes(fast, source);
        EXPECT_EQ(picture, pictureBytes(plain, source)) << zoom << " " << angleZ;
        if (first.empty())
            first = picture;
    }

    // Names drawn and the image faulted in before the view was known change nothing.
    source.view = ViewState{};
    MapPictureCache prepared;
    prepared.prepareFor(osm.features, 520, 522, 1.0, kFont.get());
    EXPECT_EQ(pictureBytes(prepared, source), first);

    // The rows around the panel's are drawn after the update; a pan waits for them.
    fast.clear();
    ASSERT_TRUE(fast.update(source));
    EXPECT_TRUE(fast.isCompleting());
    source.view.panX = 1.0;
    ASSERT_TRUE(fast.update(source));
    EXPECT_FALSE(fast.isCompleting());

    // The pictures above did show names.
    for (MapFeature& feature : osm.features)
        feature.name.clear();
    source.view = ViewState{};
    MapPictureCache nameless;
    EXPECT_NE(pictureBytes(nameless, source), first);
}
