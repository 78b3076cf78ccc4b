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

TEST(MapStyle, AreaClassesAreWaterAndElevenToSixteen) {
    for (int code = 0; code < kFeatureClassCount; ++code) {
        const bool area = code == 9 || code >= 11;
        EXPECT_EQ(isAreaClass(static_cast<FeatureClass>(code)), area) << code;
        // Every drawn class has its paint: a width for lines, a fill alpha for areas.
        if (code == 0)
            continue;
        const ClassStyle& style = styleOf(static_cast<FeatureClass>(code));
        EXPECT_EQ(style.lineWidth > 0.0, !area) << code;
        EXPECT_EQ(style.fillAlpha > 0.0, area) << code;
    }
}

TEST(MapStyle, MinimumZoomDecidesVisibility) {
    EXPECT_FALSE(isVisibleAtZoom(Building, 1.0));
    EXPECT_TRUE(isVisibleAtZoom(Building, 1.25));
    EXPECT_TRUE(isVisibleAtZoom(Parking, 1.0));
    EXPECT_TRUE(isVisibleAtZoom(Parking, 0.75));
    EXPECT_FALSE(isVisibleAtZoom(None, 100.0));
    for (int code = 1; code < kFeatureClassCount; ++code) {
        const auto featureClass = static_cast<FeatureClass>(code);
        EXPECT_EQ(isVisibleAtZoom(featureClass, 0.1), styleOf(featureClass).minZoom == 0.05)
            << code;
    }
}

TEST(MapStyle, LineWidthScaleClamps) {
    EXPECT_DOUBLE_EQ(lineWidthScale(1.0), 1.0);
    EXPECT_DOUBLE_EQ(lineWidthScale(0.1), 0.72);
    EXPECT_DOUBLE_EQ(lineWidthScale(20.0), 1.65);
    EXPECT_NEAR(lineWidthScale(2.0), 1.13288, 1e-5);
    EXPECT_DOUBLE_EQ(lineWidthScale(0.0), 0.72);
    EXPECT_DOUBLE_EQ(lineWidthScale(-1.0), 0.72);
}

TEST(MapStyle, LinePaintForBridgesTunnelsAndDashes) {
    const LinePaint road = linePaintFor(feature(Primary), 1.0);
    EXPECT_FALSE(road.hasCasing);
    EXPECT_FALSE(road.line.dashed);
    EXPECT_DOUBLE_EQ(road.line.alpha, 0.82);
    EXPECT_DOUBLE_EQ(road.line.width, 3.5);
    EXPECT_EQ(road.line.color, (RgbColor{0.91, 0.62, 0.30}));

    const LinePaint bridge = linePaintFor(feature(MotorwayTrunk, 0, true), 20.0);
    ASSERT_TRUE(bridge.hasCasing);
    EXPECT_DOUBLE_EQ(bridge.line.width, 4.2 * 1.65);
    EXPECT_DOUBLE_EQ(bridge.casing.width, 4.2 * 1.65 + 2.0);
    EXPECT_DOUBLE_EQ(bridge.casing.alpha, 0.72);

    const LinePaint tunnel = linePaintFor(feature(Waterway, 0, false, true), 1.0);
    EXPECT_TRUE(tunnel.line.dashed);
    EXPECT_DOUBLE_EQ(tunnel.line.alpha, 0.48);
    EXPECT_TRUE(linePaintFor(feature(Path), 1.0).line.dashed);
    EXPECT_TRUE(linePaintFor(feature(Railway), 1.0).line.dashed);
    EXPECT_TRUE(linePaintFor(feature(Boundary), 1.0).line.dashed);
}

TEST(MapStyle, AreaOutlines) {
    const AreaPaint water = areaPaintFor(feature(Water), 1.0);
    EXPECT_EQ(water.fill, (RgbColor{0.48, 0.74, 0.89}));
    EXPECT_DOUBLE_EQ(water.fillAlpha, 0.82);
    EXPECT_EQ(water.outline.color, (RgbColor{0.18, 0.52, 0.74}));
    EXPECT_DOUBLE_EQ(water.outline.width, 1.1);
    EXPECT_FALSE(water.outline.dashed);

    MapFeature park = feature(GrassPark);
    park.boundary = true;
    const AreaPaint boundary = areaPaintFor(park, 0.1);
    EXPECT_TRUE(boundary.outline.dashed);
    EXPECT_EQ(boundary.outline.color, (RgbColor{0.55, 0.43, 0.65}));
    EXPECT_DOUBLE_EQ(boundary.outline.width, 0.72 * 1.2);

    const AreaPaint building = areaPaintFor(feature(Building), 1.0);
    EXPECT_DOUBLE_EQ(building.outline.alpha, 0.42);
    EXPECT_DOUBLE_EQ(building.outline.width, 0.8);
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
    EXPECT_EQ(drawSortKey(features[3]), -1);
    EXPECT_EQ(drawSortKey(features[7]), 2);
    const std::vector<std::size_t> expected = {6, 3, 1, 5, 4, 0, 8, 2, 7};
    EXPECT_EQ(drawOrder(features), expected);
}

TEST(MapStyle, LegendRows) {
    const auto rows = legendRows();
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_STREQ(rows[0].label, "Major road");
    EXPECT_EQ(rows[0].swatch, (RgbColor{0.88, 0.48, 0.20}));
    EXPECT_STREQ(rows[7].label, "Grass / park");
    EXPECT_STREQ(rows[9].label, "Building / parking");
    EXPECT_EQ(rows[9].swatch, (RgbColor{0.63, 0.58, 0.52}));
}
