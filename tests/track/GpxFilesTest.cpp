// Every real GPX file in the test data, checked against counts taken from its text by other means.

#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <locale>
#include <map>
#include <regex>

using namespace trakmoor;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> allGpxFiles() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(test::gpxDataDir()))
        if (entry.path().extension() == ".gpx")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// The point tags of each trk, rte and wpt block, found with plain string search and regular
// expressions; this is what the reader must find.
std::vector<std::vector<std::string>> pointTagsPerTrack(const std::string& text) {
    std::vector<std::vector<std::string>> tracks;
    auto tags = [&](std::string::const_iterator from, std::string::const_iterator to,
                    const std::string& pointName) {
        const std::regex pointTag("<" + pointName + "\\s[^>]*>");
        std::vector<std::string> found;
        for (std::sregex_iterator it(from, to, pointTag), end; it != end; ++it)
            found.push_back(it->str());
        return found;
    };
    // The standard regex engine recurses per character, so blocks are cut out with find.
    const std::pair<const char*, const char*> blocks[] = {{"trk", "trkpt"}, {"rte", "rtept"}};
    for (const auto& [element, pointName] : blocks) {
        const std::string open = std::string("<") + element, close = "</" + open.substr(1) + ">";
        for (std::size_t at = text.find(open); at != std::string::npos;
             at = text.find(open, at + 1)) {
            const char next = text[at + open.size()];
            if (next != '>' && !std::isspace(static_cast<unsigned char>(next)))
                continue;
            const std::size_t end = text.find(close, at);
            tracks.push_back(tags(text.begin() + at, text.begin() + end, pointName));
            at = end;
        }
    }
    for (const std::string& wpt : tags(text.begin(), text.end(), "wpt"))
        tracks.push_back({wpt});
    return tracks;
}

void expectPointMatchesTag(const WayPoint& point, const std::string& tag) {
    auto attribute = [&](const char* name) {
        std::smatch match;
        EXPECT_TRUE(std::regex_search(tag, match, std::regex(name + std::string("=\"([^\"]*)\""))));
        std::istringstream in(match[1]);
        in.imbue(std::locale::classic());
        double value = 0;
        in >> value;
        return value;
    };
    EXPECT_EQ(point.lat(), attribute("lat")) << tag;
    EXPECT_EQ(point.lon(), attribute("lon")) << tag;
}

class GpxFile : public ::testing::TestWithParam<std::string> {};

} // namespace

// Counted from the text; and the file, the text and Tidy's repair of it give the same document.
TEST_P(GpxFile, HoldsTheTracksAndPointsOfItsTextWhicheverWayItIsRead) {
    const fs::path path = test::gpxDataDir() / GetParam();
    const std::string text = test::readWholeFile(path);
    auto gpx = readGpxFile(path.string());
    ASSERT_TRUE(gpx);
    const auto expected = pointTagsPerTrack(text);
    ASSERT_EQ(gpx->trackCount(), static_cast<int>(expected.size()));
    for (int t = 0; t < gpx->trackCount(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const Track& track = *gpx->trackAt(t);
        ASSERT_EQ(track.pointCount(), static_cast<int>(expected[t].size()));
        if (track.pointCount() == 0)
            continue;
        expectPointMatchesTag(*track.pointAt(0), expected[t].front());
        expectPointMatchesTag(*track.pointAt(track.pointCount() - 1), expected[t].back());
    }
    for (const auto& other : {readGpxText(text), detail::readRepairedGpxText(text)}) {
        ASSERT_TRUE(other);
        EXPECT_EQ(test::describe(*gpx), test::describe(*other));
    }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, GpxFile, ::testing::ValuesIn(allGpxFiles()));

// The reader once built Mini-XML's whole element tree and walked it; document-digests.txt holds
// the digests of what that reader made of every file here, and the streaming reader must match.
TEST(GpxFiles, DocumentsMatchThoseOfTheWholeTreeReader) {
    std::map<std::string, std::string> recorded;
    std::ifstream list(test::gpxDataDir() / "document-digests.txt");
    for (std::string name, digest; list >> name >> digest;)
        recorded[name] = digest;
    std::vector<std::string> names = allGpxFiles();
    for (const auto& entry : fs::directory_iterator(test::gpxDataDir() / "fuzz"))
        if (entry.path().extension() == ".doc")
            names.push_back("fuzz/" + entry.path().filename().string());
    for (const std::string& name : names) {
        auto gpx = readGpxText(test::readWholeFile(test::gpxDataDir() / name));
        ASSERT_TRUE(gpx) << name;
        EXPECT_EQ(recorded[name], test::digest(test::describe(*gpx))) << name;
    }
    EXPECT_EQ(recorded.size(), names.size());
}
