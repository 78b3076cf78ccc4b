#include "map/MapTags.h"

#include <gtest/gtest.h>

using namespace trakmoor;
using enum FeatureClass;

TEST(ClassifyTags, EachRuleInOrder) {
    struct Case {
        TagTable tags;
        FeatureClass expected;
    };
    const Case cases[] = {
        {{{"highway", "motorway"}}, MotorwayTrunk},
        {{{"highway", "motorway_link"}}, MotorwayTrunk},
        {{{"highway", "trunk"}}, MotorwayTrunk},
        {{{"highway", "trunk_link"}}, MotorwayTrunk},
        {{{"highway", "primary"}}, Primary},
        {{{"highway", "primary_link"}}, Primary},
        {{{"highway", "secondary"}}, SecondaryTertiary},
        {{{"highway", "secondary_link"}}, SecondaryTertiary},
        {{{"highway", "tertiary"}}, SecondaryTertiary},
        {{{"highway", "tertiary_link"}}, SecondaryTertiary},
        {{{"highway", "residential"}}, LocalRoad},
        {{{"highway", "living_street"}}, LocalRoad},
        {{{"highway", "unclassified"}}, LocalRoad},
        {{{"highway", "service"}}, ServiceRoad},
        {{{"highway", "footway"}, {"railway", "rail"}, {"building", "yes"}}, Path},
        {{{"highway", "Primary"}}, Path}, // comparisons are case-sensitive
        {{{"railway", "abandoned"}, {"waterway", "river"}}, Railway},
        {{{"waterway", "stream"}, {"natural", "water"}}, Waterway},
        {{{"natural", "water"}, {"building", "yes"}}, Water},
        {{{"natural", "bay"}}, Water},
        {{{"landuse", "reservoir"}}, Water},
        {{{"landuse", "basin"}}, Water},
        {{{"building", "no"}, {"amenity", "parking"}}, Building},
        {{{"amenity", "parking"}, {"landuse", "forest"}}, Parking},
        {{{"landuse", "forest"}}, Forest},
        {{{"landuse", "orchard"}}, Forest},
        {{{"landuse", "vineyard"}}, Forest},
        {{{"natural", "wood"}, {"leisure", "park"}}, Forest},
        {{{"landuse", "grass"}}, GrassPark},
        {{{"landuse", "meadow"}}, GrassPark},
        {{{"natural", "grassland"}}, GrassPark},
        {{{"leisure", "park"}}, GrassPark},
        {{{"leisure", "garden"}}, GrassPark},
        {{{"leisure", "recreation_ground"}, {"landuse", "residential"}}, GrassPark},
        {{{"landuse", "residential"}}, Residential},
        {{{"landuse", "industrial"}}, Industrial},
        {{{"landuse", "commercial"}}, Industrial},
        {{{"landuse", "retail"}}, Industrial},
        {{{"landuse", "construction"}, {"boundary", "administrative"}}, Industrial},
        {{{"boundary", "administrative"}}, Boundary},
        {{{"boundary", "x"}, {"landuse", "forest"}}, Forest},
        {{{"highway", ""}, {"amenity", "bench"}, {"landuse", "farmland"}}, None},
        {{}, None},
    };
    for (const Case& c : cases) {
        std::string text;
        for (const auto& [k, v] : c.tags)
            text += k + "=" + v + " ";
        EXPECT_EQ(ClassifyTags(c.tags), c.expected) << text;
    }
}

TEST(TagValue, AbsentAndEmptyAreAlike) {
    const TagTable tags = {{"name", "Rhein"}, {"ref", ""}};
    EXPECT_EQ(TagValue(tags, "name"), "Rhein");
    EXPECT_EQ(TagValue(tags, "ref"), "");
    EXPECT_EQ(TagValue(tags, "missing"), "");
}

TEST(FillFeatureAttributes, NameFlagsAndLayer) {
    MapFeature feature;
    feature.points = {{1, 2}, {3, 4}};
    feature.closed = true;
    FillFeatureAttributes(feature, {{"name", "Main"},
                                    {"name:de", "Haupt"},
                                    {"highway", "primary"},
                                    {"bridge", "viaduct"},
                                    {"tunnel", "yes"},
                                    {"boundary", "x"},
                                    {"layer", "2;3"}});
    EXPECT_EQ(feature.featureClass, Primary);
    EXPECT_EQ(feature.name, "Haupt");
    EXPECT_TRUE(feature.bridge);
    EXPECT_TRUE(feature.tunnel);
    EXPECT_TRUE(feature.boundary);
    EXPECT_EQ(feature.layer, 2);
    // Geometry is not the attributes' business.
    EXPECT_EQ(feature.points.size(), 2u);
    EXPECT_TRUE(feature.closed);

    MapFeature plain;
    FillFeatureAttributes(plain, {{"name", "Main"},
                                  {"name:de", ""},
                                  {"bridge", "no"},
                                  {"tunnel", "building_passage"},
                                  {"boundary", ""}});
    EXPECT_EQ(plain.name, "Main");
    EXPECT_FALSE(plain.bridge);
    EXPECT_FALSE(plain.tunnel);
    EXPECT_FALSE(plain.boundary);
    EXPECT_EQ(plain.featureClass, None);
}

TEST(FillFeatureAttributes, LayerIsAClampedIntegerPrefix) {
    struct Case {
        const char* text;
        int expected;
    };
    const Case cases[] = {
        {"-3", -3},  {"15", 10}, {"-11", -10}, {"x1", 0},    {"2 or 3", 2},
        {" +4", 4},  {"", 0},    {"-", 0},     {"1.5", 1},   {"99999999999999999999", 10},
        {"\t-0", 0}, {"+-1", 0}, {"10", 10},   {"-10", -10},
    };
    for (const Case& c : cases) {
        MapFeature feature;
        FillFeatureAttributes(feature, {{"layer", c.text}});
        EXPECT_EQ(feature.layer, c.expected) << '"' << c.text << '"';
    }
    // Without digits the earlier value stays.
    MapFeature feature;
    feature.layer = 5;
    FillFeatureAttributes(feature, {{"layer", "high"}});
    EXPECT_EQ(feature.layer, 5);
}
