#include "map/MapLabels.h"
#include "map/OsmReader.h"

#include "PainterTestSupport.h"

using namespace trakmoor;
using namespace trakmoor::test;
using enum FeatureClass;

namespace {

constexpr auto at = unitPanelPoint;

MapFeature road(FeatureClass featureClass, std::string name, double x, double y) {
    MapFeature f;
    f.featureClass = featureClass;
    f.name = std::move(name);
    f.points = {at(x - 30, y), at(x, y), at(x + 30, y)};
    return f;
}

std::vector<PlacedLabel> place(const std::vector<MapFeature>& features, double zoom = 1.0,
                               const Track& track = *kUnitTrack, int size = 312) {
    Canvas canvas(8, 8);
    TrackBoundsCache bounds;
    ViewState view;
    view.zoom = zoom;
    const MapProjection projection(view, bounds, track, size, size);
    return placeMapLabels(canvas.cr.get(), features, projection, {size, size, zoom, kFont.get()});
}

} // namespace

TEST(MapLabels, PriorityAndZoomDecideWhichNamesAppear) {
    // The residential road comes first in the list, the motorway wins its spot.
    const std::vector<MapFeature> features = {
        road(LocalRoad, "Dorfstrasse", 150, 100), road(MotorwayTrunk, "A13", 152, 102),
        road(Path, "Waldweg", 150, 200), road(Building, "Rathaus", 150, 250),
        road(LocalRoad, "Bachgasse", 150, 280)};
    const auto far = place(features), near = place(features, 1.25);
    ASSERT_TRUE(far.size() == 1 && near.size() == 2);
    EXPECT_EQ(*far[0].text + *near[1].text, "A13Bachgasse");
    EXPECT_TRUE(place(features, 0.19).empty());
}

TEST(MapLabels, ClosedRingsUseTheMeanOfTheirDistinctPoints) {
    MapFeature lake = road(Water, "See", 0, 0);
    lake.closed = true;
    lake.points = {at(100, 100), at(200, 100), at(200, 140), at(100, 140), at(100, 100)};
    const auto placed = place({lake});
    ASSERT_EQ(placed.size(), 1u);
    // Within the half pixel by which the origin moves onto whole pixels.
    EXPECT_NEAR((placed[0].left + placed[0].right) / 2, 150.0, 0.5);
    EXPECT_NEAR((placed[0].top + placed[0].bottom) / 2, 120.0, 0.5);
    EXPECT_EQ(placed[0].originX, std::round(placed[0].originX));
    EXPECT_EQ(placed[0].originY, std::round(placed[0].originY));
}

TEST(MapLabels, BoxesMayTouchButNotOverlap) {
    Canvas canvas(8, 8);
    useFont(canvas.cr.get(), kFont.get(), 11.0);
    cairo_text_extents_t ink;
    cairo_text_extents(canvas.cr.get(), "Au", &ink);
    // Anchors a whole number of pixels apart keep that distance between the snapped origins.
    const double apart = std::ceil(ink.width + 8.0);
    for (double shift : {0.0, -1.0}) {
        // Two 64-pixel cells apart at most, so the grid has to find the neighbour.
        const auto placed = place(
            {road(Railway, "Au", 120, 100), road(Railway, "Au", 120 + apart + shift, 100)}, 1.0);
        EXPECT_EQ(placed.size(), shift == 0.0 ? 2u : 1u) << shift;
    }

    // On a real map at several zooms, no two placed boxes overlap.
    const OsmMapReadResult osm = readOsmMapFile(
        (std::filesystem::path(TRAKMOOR_TEST_DATA) / "osm" / "graphhopper__monaco.osm").string());
    const auto monaco = makeTrack({{43.725, 7.405, 0.0}, {43.745, 7.435, 0.0}});
    for (double zoom : {1.0, 2.0, 4.0}) {
        const auto placed = place(osm.features, zoom, *monaco, 500);
        EXPECT_GT(placed.size(), 10u);
        for (std::size_t i = 0; i < placed.size(); ++i)
            for (const PlacedLabel& b : std::span(placed).subspan(i + 1))
                ASSERT_FALSE(placed[i].left < b.right && b.left < placed[i].right &&
                             placed[i].top < b.bottom && b.top < placed[i].bottom)
                    << *placed[i].text << " / " << *b.text;
    }
}
