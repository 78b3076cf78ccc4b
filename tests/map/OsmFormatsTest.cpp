#include "map/OsmReader.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace trakmoor;
using Outcome = OsmMapReadResult::Outcome;
namespace fs = std::filesystem;

namespace {

const fs::path kOsmData = fs::path(TRAKMOOR_TEST_DATA) / "osm";

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

// Every start tag with its attributes in reverse order, one per line, in single quotes where the
// value allows. The real files write attributes as name="value" (or 'value') with single blanks
// between.
std::string reorderAttributes(const std::string& text) {
    std::string out;
    std::size_t at = 0;
    while (true) {
        const std::size_t open = text.find('<', at);
        if (open == std::string::npos || open + 1 >= text.size())
            return out.append(text, at);
        const std::size_t close = text.find('>', open);
        const std::size_t nameEnd = text.find_first_of(" />", open);
        if (!std::isalpha(static_cast<unsigned char>(text[open + 1])) || text[nameEnd] != ' ') {
            out.append(text, at, close + 1 - at);
            at = close + 1;
            continue;
        }
        out.append(text, at, nameEnd - at);
        std::vector<std::string> attributes;
        std::size_t p = nameEnd;
        while (text[p] == ' ') {
            const std::size_t equals = text.find('=', p);
            const std::size_t valueEnd = text.find(text[equals + 1], equals + 2);
            const std::string value = text.substr(equals + 2, valueEnd - equals - 2);
            const char quote = value.find('\'') == std::string::npos ? '\'' : '"';
            attributes.insert(attributes.begin(),
                              text.substr(p + 1, equals - p - 1) + "=" + quote + value + quote);
            p = valueEnd + 1;
        }
        for (const std::string& attribute : attributes)
            out += "\n\t" + attribute;
        at = p;
    }
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
            {"reordered, single quotes, across lines", reorderAttributes(text)},
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
