#include "map/OsmReader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
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

bool sameFeature(const MapFeature& a, const MapFeature& b) {
    return a.points == b.points && a.rings == b.rings && a.name == b.name &&
           a.featureClass == b.featureClass && a.closed == b.closed && a.boundary == b.boundary &&
           a.bridge == b.bridge && a.tunnel == b.tunnel && a.layer == b.layer;
}

void expectSameFeatures(const OsmMapReadResult& got, const std::vector<MapFeature>& want,
                        const std::string& what) {
    ASSERT_EQ(got.outcome, Outcome::Loaded) << what << ": " << got.error;
    ASSERT_EQ(got.features.size(), want.size()) << what;
    for (std::size_t i = 0; i < want.size(); ++i)
        ASSERT_TRUE(sameFeature(got.features[i], want[i])) << what << ", feature " << i;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string replaceAll(const std::string& text, const std::string& from, const std::string& to) {
    std::string out;
    std::size_t at = 0;
    for (std::size_t found; (found = text.find(from, at)) != std::string::npos;
         at = found + from.size())
        out.append(text, at, found - at).append(to);
    return out.append(text, at);
}

class TempDir {
public:
    TempDir()
        : path_(fs::temp_directory_path() / ("trakmoor-formats-" + std::to_string(getpid()))) {
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string write(const std::string& name, const std::string& content) const {
        std::ofstream(path_ / name, std::ios::binary) << content;
        return (path_ / name).string();
    }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

bool haveOsmium() {
    return std::system("osmium --version >/dev/null 2>&1") == 0;
}

// osmium-tool, an independent writer of the formats, converts a file.
void osmium(const std::string& arguments) {
    ASSERT_EQ(std::system(("osmium " + arguments + " --overwrite 2>/dev/null").c_str()), 0)
        << arguments;
}

std::vector<fs::path> realFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kOsmData))
        if (entry.path().extension() == ".osm" &&
            !entry.path().filename().string().starts_with("regression-"))
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
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
        EXPECT_EQ(readOsmMapText(readText(entry.path())).features.size(), result.features.size())
            << file;
    }
    EXPECT_EQ(realFiles, 5);
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
    const TempDir dir;
    EXPECT_EQ(readOsmMapFile(dir / "missing.osm").outcome, Outcome::CannotOpen);
    const auto directory = readOsmMapFile(dir / "");
    EXPECT_EQ(directory.outcome, Outcome::CannotOpen);
    EXPECT_FALSE(directory.error.empty());
    const auto empty = readOsmMapFile(dir.write("empty.osm", ""));
    EXPECT_EQ(empty.error, "the file is empty");

    std::mt19937 random(3);
    std::string binary(1 << 20, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    const auto noise = readOsmMapFile(dir.write("binary.osm", binary));
    EXPECT_EQ(noise.outcome == Outcome::Invalid, !noise.error.empty());

    // One 50 MB line: a node whose attributes are far apart, longer than any read block.
    std::string longLine = "<osm><node id=\"1\" lat=\"1\"" + std::string(50 << 20, ' ') + "lon=\"2\"/>";
    longLine += "\n<node id=\"2\" lat=\"1\" lon=\"3\"/>\n<way id=\"1\">\n<nd ref=\"1\"/>\n"
                "<nd ref=\"2\"/>\n<tag k=\"railway\" v=\"rail\"/>\n</way></osm>";
    const auto wide = readOsmMapFile(dir.write("line.osm", longLine));
    ASSERT_EQ(wide.features.size(), 1u);
    EXPECT_EQ(wide.features[0].points, (std::vector<MapPoint>{{1, 2}, {1, 3}}));

    // A way of a million references.
    std::string big = "<osm><node id=\"1\" lat=\"1\" lon=\"1\"/>\n<node id=\"2\" lat=\"2\" lon=\"2\"/>\n"
                      "<way id=\"5\">\n";
    for (int i = 0; i < 1000000; ++i)
        big += i % 2 ? "<nd ref=\"2\"/>\n" : "<nd ref=\"1\"/>\n";
    big += "<nd ref=\"1\"/>\n<tag k=\"natural\" v=\"water\"/>\n</way>\n</osm>\n";
    const auto million = readOsmMapFile(dir.write("million.osm", big));
    ASSERT_EQ(million.features.size(), 1u);
    EXPECT_EQ(million.features[0].points.size(), 1000001u);
    EXPECT_TRUE(million.features[0].closed);
}

TEST(OsmFormats, EveryLayoutOfARealFileGivesTheSameFeatures) {
    const TempDir dir;
    for (const fs::path& file : realFiles()) {
        const std::string text = readText(file);
        const OsmMapReadResult original = readOsmMapFile(file.string());
        ASSERT_FALSE(original.features.empty()) << file;
        const struct {
            const char* name;
            std::string text;
        } variants[] = {
            {"one line", replaceAll(text, "\n", "")},
            {"CRLF and tabs", replaceAll(replaceAll(text, "\n", "\r\n"), "  ", "\t")},
        };
        for (const auto& variant : variants) {
            expectSameFeatures(readOsmMapFile(dir.write("variant.osm", variant.text)),
                               original.features, file.filename().string() + ", " + variant.name);
        }
    }
}

TEST(OsmFormats, PbfAndCompressedCopiesGiveTheSameFeatures) {
    if (!haveOsmium())
        GTEST_SKIP() << "osmium-tool is not installed";
    const TempDir dir;
    for (const fs::path& file : realFiles()) {
        const OsmMapReadResult original = readOsmMapFile(file.string());
        for (const char* ending : {".osm.pbf", ".osm.gz", ".osm.bz2"}) {
            // Named .map, so the kind must come from the content.
            const std::string copy = dir / (std::string("copy") + ending);
            osmium("cat " + file.string() + " -o " + copy);
            fs::rename(copy, dir / "copy.map");
            expectSameFeatures(readOsmMapFile(dir / "copy.map"), original.features,
                               file.filename().string() + " as " + ending);
            EXPECT_TRUE(isOsmMapFile(dir / "copy.map"));
        }
    }
}

TEST(OsmFormats, DamagedFilesFailWithAReason) {
    if (!haveOsmium())
        GTEST_SKIP() << "osmium-tool is not installed";
    const TempDir dir;
    const std::string schaan = (kOsmData / "valhalla__liechtenstein-schaan-small.osm").string();
    osmium("cat " + schaan + " -o " + (dir / "s.osm.pbf"));
    osmium("cat " + schaan + " -o " + (dir / "s.osm.gz"));
    osmium("cat " + schaan + " -t node -o " + (dir / "nodes.osm.pbf"));
    const std::string pbf = readText(dir / "s.osm.pbf");
    const std::string gz = readText(dir / "s.osm.gz");
    const std::string xml = readText(schaan);
    std::string lying = pbf;
    lying[2] = '\x7f'; // the first block header claims megabytes
    std::string lyingBlob = pbf;
    lyingBlob[pbf.size() / 2] ^= 0x55;

    const struct {
        std::string path;
        const char* reason;
    } kDamaged[] = {
        {dir.write("cut.osm.pbf", pbf.substr(0, pbf.size() / 2)), "PBF"},
        {dir.write("lying.osm.pbf", lying), ""},
        {dir.write("cut.osm.gz", gz.substr(0, gz.size() / 2)), "the gzip data ends early"},
        {dir.write("fake.osm.bz2", "BZh9" + xml), "bzip2"},
        {dir.write("text.osm.bz2", "just text"), "neither OSM XML"},
        {dir / "nodes.osm.pbf", "the file holds no ways to draw"},
        {dir.write("tail.osm", xml.substr(xml.size() / 3)), "not well-formed XML"},
        {dir.write("head.osm", xml.substr(0, xml.size() / 3)), "cut short"},
    };
    for (const auto& damaged : kDamaged) {
        const OsmMapReadResult result = readOsmMapFile(damaged.path);
        EXPECT_EQ(result.outcome, Outcome::Invalid) << damaged.path;
        EXPECT_NE(result.error.find(damaged.reason), std::string::npos)
            << damaged.path << ": " << result.error;
    }
    // A damaged block in the middle may decode to nonsense, but never crash or half-load.
    const OsmMapReadResult flipped = readOsmMapFile(dir.write("flip.osm.pbf", lyingBlob));
    EXPECT_EQ(flipped.outcome == Outcome::Invalid, flipped.features.empty());

    // Ways whose nodes are missing from the PBF are left out; the rest is drawn.
    const std::string partial =
        R"(<osm version="0.6"><node id="1" lat="1" lon="1"/><node id="2" lat="2" lon="2"/>
<way id="1"><nd ref="1"/><nd ref="2"/><tag k="highway" v="primary"/></way>
<way id="2"><nd ref="8"/><nd ref="9"/><tag k="highway" v="primary"/></way></osm>)";
    osmium("cat " + dir.write("partial.osm", partial) + " -o " + (dir / "partial.osm.pbf"));
    EXPECT_EQ(readOsmMapFile(dir / "partial.osm.pbf").features.size(), 1u);
}
