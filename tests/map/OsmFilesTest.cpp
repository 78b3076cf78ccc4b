#include "map/OsmReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

using namespace trakmoor;
using enum FeatureClass;
using Outcome = OsmMapReadResult::Outcome;
namespace fs = std::filesystem;

namespace {

const fs::path kOsmData = fs::path(TRAKMOOR_TEST_DATA) / "osm";

// What the painters rely on, whatever the input.
void expectDrawable(const std::vector<MapFeature>& features, const std::string& what) {
    for (const MapFeature& f : features) {
        EXPECT_GE(static_cast<int>(f.featureClass), 1) << what;
        EXPECT_LE(static_cast<int>(f.featureClass), 16) << what;
        EXPECT_GE(f.points.size(), f.rings.empty() ? 2u : 4u) << what;
        EXPECT_TRUE(f.layer >= -10 && f.layer <= 10) << what;
    }
}

// The feature of that name that also passes `match`, which the test then expects to exist.
template <class Match>
const MapFeature& named(const std::vector<MapFeature>& features, const std::string& name,
                        Match match) {
    static const MapFeature missing;
    const auto it = std::find_if(features.begin(), features.end(),
                                 [&](const MapFeature& f) { return f.name == name && match(f); });
    EXPECT_NE(it, features.end()) << name;
    return it == features.end() ? missing : *it;
}

} // namespace

TEST(OsmFiles, EveryRealFileAndFuzzRegressionLoads) {
    int realFiles = 0;
    for (const auto& entry : fs::directory_iterator(kOsmData)) {
        if (entry.path().extension() != ".osm")
            continue;
        const std::string file = entry.path().filename().string();
        const OsmMapReadResult result = readOsmMapFile(entry.path().string());
        // Inputs the fuzzer found may be invalid, but must end in a clean verdict.
        if (file.starts_with("regression-")) {
            EXPECT_EQ(result.outcome == Outcome::Invalid, !result.error.empty()) << file;
        } else {
            ++realFiles;
            EXPECT_EQ(result.outcome, Outcome::Loaded) << file << ": " << result.error;
            EXPECT_FALSE(result.features.empty()) << file;
        }
        expectDrawable(result.features, file);
        // The file reader and the text reader are the same scanner.
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(readOsmMapText(text).features.size(), result.features.size()) << file;
    }
    EXPECT_EQ(realFiles, 5);
}

TEST(OsmFiles, HandWrittenFixtureKeepsOnlyTheMotorway) {
    // Its forest multipolygon has an inner member only, so it yields nothing.
    const auto result = readOsmMapFile((kOsmData / "graphhopper__test-osm6.osm").string());
    ASSERT_EQ(result.features.size(), 1u);
    const MapFeature& motorway = result.features[0];
    EXPECT_EQ(motorway.featureClass, MotorwayTrunk);
    EXPECT_EQ(motorway.points, (std::vector<MapPoint>{{51.99, 9.01}, {52.0, 9.0}, {52.1, 9.2}}));
    EXPECT_FALSE(motorway.closed);
}

TEST(OsmFiles, SpotChecksInSchaan) {
    const auto result =
        readOsmMapFile((kOsmData / "valhalla__liechtenstein-schaan-small.osm").string());
    ASSERT_EQ(result.outcome, Outcome::Loaded);
    const auto& features = result.features;

    // Way 298204982: a two-node bridge of the main road, layer 1.
    const MapFeature& bridge =
        named(features, "Zollstrasse", [](const MapFeature& f) { return f.layer == 1; });
    EXPECT_EQ(bridge.featureClass, Primary);
    EXPECT_TRUE(bridge.bridge);
    EXPECT_EQ(bridge.points,
              (std::vector<MapPoint>{{47.1683267, 9.5028329}, {47.1683368, 9.502774}}));

    // Way 298204980: the drain passes under the road in a tunnel, layer -1, three nodes.
    const MapFeature& tunnel =
        named(features, "Wäschgraba", [](const MapFeature& f) { return f.tunnel; });
    EXPECT_EQ(tunnel.featureClass, Waterway);
    EXPECT_EQ(tunnel.layer, -1);
    ASSERT_EQ(tunnel.points.size(), 3u);
    EXPECT_EQ(tunnel.points[0], (MapPoint{47.1676212, 9.5051064}));

    // Way 47307298: a church, a closed building of 17 node references.
    const MapFeature& church = named(features, "St. Laurentiuskirche", [](auto&) { return true; });
    EXPECT_EQ(church.featureClass, Building);
    EXPECT_TRUE(church.closed);
    EXPECT_EQ(church.points.size(), 17u);

    // Relation 2887325: a pond, outer way 46775057 (27 refs) and three inner ways of 5, 7 and 5
    // refs, joined last member first. The member ways carry no tags of their own; paths and the
    // swimming pool's own ways share the name.
    const MapFeature& pond = named(features, "Wasserpark Walserbünt",
                                   [](const MapFeature& f) { return !f.rings.empty(); });
    EXPECT_EQ(pond.featureClass, Water);
    EXPECT_TRUE(pond.closed);
    ASSERT_EQ(pond.points.size(), 27u);
    EXPECT_EQ(pond.points.front(), (MapPoint{47.1673498, 9.5054322}));
    EXPECT_EQ(pond.points.front(), pond.points.back());
    ASSERT_EQ(pond.rings.size(), 3u);
    EXPECT_EQ(pond.rings[0].size(), 5u);
    EXPECT_EQ(pond.rings[2].size(), 5u);
    EXPECT_EQ(pond.rings[1].size(), 7u);
    EXPECT_EQ(pond.rings[1].front(), (MapPoint{47.1671328, 9.5057245})); // way 46775043
    // Multipolygons come after every way feature.
    EXPECT_GE(&pond - features.data(), static_cast<std::ptrdiff_t>(features.size()) - 2);
}

TEST(OsmFiles, HostileFiles) {
    const fs::path dir = fs::temp_directory_path() / ("trakmoor-osm-" + std::to_string(getpid()));
    fs::create_directories(dir);
    auto write = [&](const char* name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
        return (dir / name).string();
    };
    EXPECT_EQ(readOsmMapFile((dir / "missing.osm").string()).outcome, Outcome::CannotOpen);
    const auto directory = readOsmMapFile(dir.string());
    EXPECT_EQ(directory.outcome, Outcome::CannotOpen);
    EXPECT_FALSE(directory.error.empty());
    const auto empty = readOsmMapFile(write("empty.osm", ""));
    EXPECT_EQ(empty.error, "the file is empty");

    std::mt19937 random(3);
    std::string binary(1 << 20, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    const auto noise = readOsmMapFile(write("binary.osm", binary));
    EXPECT_EQ(noise.outcome == Outcome::Invalid, !noise.error.empty());

    // One 50 MB line: a node whose attributes are far apart, longer than any read block.
    std::string longLine = "<osm><node id=\"1\" lat=\"1\"" + std::string(50 << 20, ' ') + "lon=\"2\"/>";
    longLine += "\n<node id=\"2\" lat=\"1\" lon=\"3\"/>\n<way id=\"1\">\n<nd ref=\"1\"/>\n"
                "<nd ref=\"2\"/>\n<tag k=\"railway\" v=\"rail\"/>\n</way></osm>";
    const auto wide = readOsmMapFile(write("line.osm", longLine));
    ASSERT_EQ(wide.features.size(), 1u);
    EXPECT_EQ(wide.features[0].points, (std::vector<MapPoint>{{1, 2}, {1, 3}}));

    // A way of a million references.
    std::string big = "<osm><node id=\"1\" lat=\"1\" lon=\"1\"/>\n<node id=\"2\" lat=\"2\" lon=\"2\"/>\n"
                      "<way id=\"5\">\n";
    for (int i = 0; i < 1000000; ++i)
        big += i % 2 ? "<nd ref=\"2\"/>\n" : "<nd ref=\"1\"/>\n";
    big += "<nd ref=\"1\"/>\n<tag k=\"natural\" v=\"water\"/>\n</way>\n</osm>\n";
    const auto million = readOsmMapFile(write("million.osm", big));
    fs::remove_all(dir);
    ASSERT_EQ(million.features.size(), 1u);
    EXPECT_EQ(million.features[0].points.size(), 1000001u);
    EXPECT_TRUE(million.features[0].closed);
}
