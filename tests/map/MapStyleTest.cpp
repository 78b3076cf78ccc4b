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

TEST(MapStyle, VisibilityAndPaint) {
    for (int code = 1; code < kFeatureClassCount; ++code) {
        const auto featureClass = static_cast<FeatureClass>(code);
        // Lines have a width, areas a fill.
        EXPECT_NE(styleOf(featureClass).lineWidth > 0.0, isAreaClass(featureClass)) << code;
        EXPECT_EQ(isVisibleAtZoom(featureClass, 0.1), styleOf(featureClass).minZoom <= 0.1);
    }
    EXPECT_FALSE(isVisibleAtZoom(Building, 1.0));
    EXPECT_TRUE(isVisibleAtZoom(Building, 1.25));

    // Widths grow slowly with the zoom, within limits.
    EXPECT_NEAR(lineWidthScale(2.0), 1.13288, 1e-5);
    EXPECT_DOUBLE_EQ(lineWidthScale(-1.0), 0.72);
    const LinePaint road = linePaintFor(feature(Primary), 1.0);
    EXPECT_FALSE(road.hasCasing || road.line.dashed);
    const LinePaint bridge = linePaintFor(feature(MotorwayTrunk, 0, true), 20.0);
    ASSERT_TRUE(bridge.hasCasing);
    EXPECT_DOUBLE_EQ(bridge.line.width, 4.2 * 1.65);
    EXPECT_DOUBLE_EQ(bridge.casing.width, 4.2 * 1.65 + 2.0);
    const LinePaint tunnel = linePaintFor(feature(Waterway, 0, false, true), 1.0);
    EXPECT_TRUE(tunnel.line.dashed);
    EXPECT_DOUBLE_EQ(tunnel.line.alpha, 0.48);
    EXPECT_TRUE(linePaintFor(feature(Railway), 1.0).line.dashed);

    MapFeature lake = feature(Water);
    lake.boundary = true;
    const AreaPaint boundary = areaPaintFor(lake, 0.1);
    EXPECT_TRUE(boundary.outline.dashed);
    EXPECT_DOUBLE_EQ(boundary.outline.width, 0.72 * 1.2);
    EXPECT_EQ(boundary.outline.color, (RgbColor{0.18, 0.52, 0.74})); // water's colour wins
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
