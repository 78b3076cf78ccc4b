#include "map/MapStyle.h"

#include <gtest/gtest.h>

using namespace trakmoor;
using enum FeatureClass;

namespace {

MapFeature feature(FeatureClass featureClass, int layer = 0, bool bridge = false,
                   bool tunnel = false) {
    MapFeature f;
    f.featureClass = featureClass;
    f.layer = layer;
    f.bridge = bridge;
    f.tunnel = tunnel;
    return f;
}

} // namespace

// The pixels of lines, dashes, bridges and minimum zooms are checked on the map picture; here the
// rules that a picture shows less plainly.
TEST(MapStyle, WidthsGrowWithinLimitsAndBoundariesTakeTheirAreasColour) {
    EXPECT_NEAR(lineWidthScale(2.0), 1.13288, 1e-5);
    EXPECT_DOUBLE_EQ(lineWidthScale(-1.0), 0.72);
    EXPECT_DOUBLE_EQ(lineWidthScale(1e6), 1.65);
    MapFeature lake = feature(Water);
    lake.boundary = true;
    const AreaPaint boundary = areaPaintFor(lake, 0.1);
    EXPECT_TRUE(boundary.outline.dashed);
    EXPECT_EQ(boundary.outline.color, (RgbColor{0.18, 0.52, 0.74}));
}

TEST(MapStyle, DrawOrderByLayerThenPriorityKeepingTies) {
    const std::vector<MapFeature> features = {
        feature(Primary),                 // 0: key 0, priority 6
        feature(Forest),                  // 1: key 0, priority 0
        feature(LocalRoad, 0, true),      // 2: bridge, key 1
        feature(Path, 0, true, true),     // 3: tunnel wins over bridge, key -1
        feature(Water),                   // 4: key 0, priority 1
        feature(Residential),             // 5: key 0, priority 0, after 1
        feature(Building, -1),            // 6: key -3
        feature(Railway, 1, false, true), // 7: key 2
        feature(ServiceRoad),             // 8: key 0, priority 6, after 0
    };
    const std::vector<std::size_t> expected = {6, 3, 1, 5, 4, 0, 8, 2, 7};
    EXPECT_EQ(drawOrder(features), expected);
}
