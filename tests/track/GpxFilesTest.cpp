// Every real GPX file in the test data, checked against counts taken from its text by other means.

#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <locale>
#include <regex>
#include <sstream>

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

double number(const std::string& text) {
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    double value = 0;
    in >> value;
    return value;
}

struct ExpectedTrack {
    int points = 0;
    std::string firstPointTag, lastPointTag;
};

// Splits the text into its trk, rte and wpt blocks with regular expressions and counts the point
// tags inside each; this is what the reader must find.
std::vector<ExpectedTrack> expectedTracks(const std::string& text) {
    std::vector<ExpectedTrack> tracks;
    auto scan = [&](const std::string& block, const std::string& pointName) {
        const std::regex pointTag("<" + pointName + "\\s[^>]*>");
        std::regex_iterator<std::string::const_iterator> it(block.begin(), block.end(), pointTag),
            end;
        ExpectedTrack track;
        for (; it != end; ++it) {
            if (track.points++ == 0)
                track.firstPointTag = it->str();
            track.lastPointTag = it->str();
        }
        tracks.push_back(track);
    };
    // Plain string search: the standard regex engine recurses per character on long blocks.
    auto blocks = [&](const std::string& element, const std::string& pointName) {
        const std::string open = "<" + element, close = "</" + element + ">";
        for (std::size_t at = text.find(open); at != std::string::npos;
             at = text.find(open, at + 1)) {
            const char next = text[at + open.size()];
            if (next != '>' && !std::isspace(static_cast<unsigned char>(next)))
                continue;
            const std::size_t end = text.find(close, at);
            scan(text.substr(at, end - at), pointName);
            at = end;
        }
    };
    blocks("trk", "trkpt");
    blocks("rte", "rtept");
    const std::regex wptTag("<wpt\\s[^>]*>");
    std::regex_iterator<std::string::const_iterator> it(text.begin(), text.end(), wptTag), end;
    for (; it != end; ++it)
        tracks.push_back({1, it->str(), it->str()});
    return tracks;
}

void expectPointMatchesTag(const WayPoint& point, const std::string& tag) {
    std::smatch lat, lon;
    ASSERT_TRUE(std::regex_search(tag, lat, std::regex("lat=\"([^\"]*)\"")));
    ASSERT_TRUE(std::regex_search(tag, lon, std::regex("lon=\"([^\"]*)\"")));
    EXPECT_EQ(point.lat(), number(lat[1])) << tag;
    EXPECT_EQ(point.lon(), number(lon[1])) << tag;
}

class GpxFile : public ::testing::TestWithParam<std::string> {};

} // namespace

// Counted from the text; and the file, the text and Tidy's repair of it give the same document.
TEST_P(GpxFile, HoldsTheTracksAndPointsOfItsTextWhicheverWayItIsRead) {
    const fs::path path = test::gpxDataDir() / GetParam();
    const std::string text = test::readWholeFile(path);
    auto gpx = readGpxFile(path.string());
    ASSERT_TRUE(gpx);
    const std::vector<ExpectedTrack> expected = expectedTracks(text);
    ASSERT_EQ(gpx->trackCount(), static_cast<int>(expected.size()));
    for (int t = 0; t < gpx->trackCount(); ++t) {
        SCOPED_TRACE("track " + std::to_string(t));
        const Track& track = *gpx->trackAt(t);
        ASSERT_EQ(track.pointCount(), expected[t].points);
        if (track.pointCount() == 0)
            continue;
        expectPointMatchesTag(*track.pointAt(0), expected[t].firstPointTag);
        expectPointMatchesTag(*track.pointAt(track.pointCount() - 1), expected[t].lastPointTag);
    }
    for (const auto& other : {readGpxText(text), detail::readRepairedGpxText(text)}) {
        ASSERT_TRUE(other);
        test::expectSameDocument(*gpx, *other);
    }
}

INSTANTIATE_TEST_SUITE_P(RealFiles, GpxFile, ::testing::ValuesIn(allGpxFiles()),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.size() - 4);
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(GpxFiles, KnownFacts) {
    // Facts read off the files by hand.
    auto read = [](const char* name) { return readGpxFile((test::gpxDataDir() / name).string()); };
    auto sample = read("gpxpy__korita-zbevnica.gpx");
    ASSERT_TRUE(sample);
    EXPECT_EQ(sample->trackAt(2)->name(), "ACTIVE LOG");
    EXPECT_EQ(sample->trackAt(0)->pointCount(), 0);
    EXPECT_EQ(sample->trackAt(5)->name(), "WP: 002");
    EXPECT_EQ(sample->trackAt(5)->pointAt(0)->cmt(), "03-OCT-10 15:03:30");
    EXPECT_EQ(sample->creator(), "GPSBabel - http://www.gpsbabel.org");
    EXPECT_EQ(sample->version(), "1.0");
    EXPECT_EQ(sample->minLat(), 45.367775448);
    EXPECT_EQ(sample->maxLon(), 14.167956915);

    auto cache = read("gpsbabel__GC7FA4.gpx");
    ASSERT_TRUE(cache);
    ASSERT_EQ(cache->trackCount(), 1);
    EXPECT_EQ(cache->trackAt(0)->name(), "WP: GC7FA4");

    // A byte order mark, and no version attribute.
    auto bom = read("gpxpy__unicode_with_bom.gpx");
    ASSERT_TRUE(bom);
    EXPECT_EQ(bom->trackCount(), 1);
    EXPECT_EQ(bom->version(), "");

    auto garmin = read("gpsbabel__garminconnect.gpx");
    ASSERT_TRUE(garmin);
    const WayPoint& first = *garmin->trackAt(0)->pointAt(0);
    EXPECT_NE(first.time(), -1) << first.timeText();
}
