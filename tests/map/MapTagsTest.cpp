#include "map/MapTags.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace trakmoor;
using enum FeatureClass;

namespace {

// "k=v k=v" into a tag table; an empty value is written "k=".
TagTable tags(const std::string& text) {
    TagTable table;
    std::istringstream in(text);
    for (std::string pair; in >> pair;)
        table[pair.substr(0, pair.find('='))] = pair.substr(pair.find('=') + 1);
    return table;
}

} // namespace

TEST(ClassifyTags, EachRuleInOrder) {
    // Each row: tag sets separated by '|' that must all give the row's class. Later tags on a set
    // show that the earlier rule wins.
    const std::pair<FeatureClass, const char*> rows[] = {
        {MotorwayTrunk, "highway=motorway|highway=motorway_link|highway=trunk|highway=trunk_link"},
        {Primary, "highway=primary|highway=primary_link railway=rail"},
        {SecondaryTertiary, "highway=secondary_link|highway=tertiary|highway=tertiary_link"},
        {LocalRoad, "highway=residential|highway=living_street|highway=unclassified"},
        {ServiceRoad, "highway=service"},
        {Path, "highway=footway railway=rail building=yes|highway=Primary"},
        {Railway, "railway=abandoned waterway=river"},
        {Waterway, "waterway=stream natural=water"},
        {Water, "natural=water building=yes|natural=bay|landuse=reservoir|landuse=basin"},
        {Building, "building=no amenity=parking|building=yes landuse=forest"},
        {Parking, "amenity=parking landuse=forest"},
        {Forest, "landuse=orchard|landuse=vineyard|natural=wood leisure=park"},
        {GrassPark, "landuse=grass|landuse=meadow|natural=grassland|leisure=park|leisure=garden|"
                    "leisure=recreation_ground landuse=residential"},
        {Residential, "landuse=residential boundary=x"},
        {Industrial, "landuse=industrial|landuse=commercial|landuse=retail|landuse=construction"},
        {Boundary, "boundary=administrative"},
        {None, "|highway= amenity=bench landuse=farmland|natural=Water|building="}};
    for (const auto& [expected, sets] : rows) {
        std::istringstream in(sets);
        for (std::string set; std::getline(in, set, '|');)
            EXPECT_EQ(ClassifyTags(tags(set)), expected) << set;
    }
}

TEST(FillFeatureAttributes, NameFlagsAndClampedLayer) {
    MapFeature feature;
    feature.points = {{1, 2}, {3, 4}};
    feature.closed = true;
    FillFeatureAttributes(feature, tags("name=Main name:de=Haupt highway=primary bridge=viaduct "
                                        "tunnel=yes boundary=x layer=2;3"));
    EXPECT_EQ(feature.featureClass, Primary);
    EXPECT_EQ(feature.name, "Haupt");
    EXPECT_TRUE(feature.bridge && feature.tunnel && feature.boundary);
    EXPECT_EQ(feature.layer, 2);
    // Geometry is not the attributes' business.
    EXPECT_EQ(feature.points.size(), 2u);
    EXPECT_TRUE(feature.closed);

    MapFeature plain;
    plain.layer = 5;
    FillFeatureAttributes(plain, tags("name=Main name:de= bridge=no tunnel=passage boundary= "
                                      "layer=high"));
    EXPECT_EQ(plain.name, "Main");
    EXPECT_FALSE(plain.bridge || plain.tunnel || plain.boundary);
    EXPECT_EQ(plain.layer, 5); // without digits the earlier value stays

    const std::pair<const char*, int> layers[] = {
        {"15", 10}, {"-11", -10}, {"-10", -10}, {"1.5", 1}, {"99999999999999999999", 10}};
    for (const auto& [text, expected] : layers) {
        FillFeatureAttributes(plain, {{"layer", text}});
        EXPECT_EQ(plain.layer, expected) << '"' << text << '"';
    }
}
