// Any track file by its content: TCX read against GPSBabel's decoding of the same files, the
// sensor extensions of GPX files against the values in their text, and what the status line says.

#include "track/TrackFile.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <regex>
#include <sstream>

using namespace trakmoor;
namespace fs = std::filesystem;

namespace {

fs::path dataFile(const std::string& name) {
    return fs::path(TRAKMOOR_TEST_DATA) / name;
}

std::vector<std::string> split(std::string line) {
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');)
        cells.push_back(cell);
    return cells;
}

// The points of every track, in order, as one list with the track each belongs to.
std::vector<std::pair<const Track*, int>> allPoints(const Gpx& gpx) {
    std::vector<std::pair<const Track*, int>> points;
    for (int t = 0; t < gpx.trackCount(); ++t)
        for (int i = 0; i < gpx.trackAt(t)->pointCount(); ++i)
            points.emplace_back(gpx.trackAt(t), i);
    return points;
}

class TcxAgainstGpsbabel : public testing::TestWithParam<const char*> {};

TEST_P(TcxAgainstGpsbabel, pointsAndChannels) {
    const fs::path path = dataFile(std::string("tcx/") + GetParam());
    const TrackFileRead read = readTrackFile(path);
    ASSERT_EQ(read.format, TrackFormat::Tcx);
    ASSERT_EQ(read.result.outcome, GpxReadResult::Outcome::Loaded);
    const auto points = allPoints(*read.result.gpx);

    const std::string command =
        "gpsbabel -t -i gtrnctr -f '" + path.string() + "' -o unicsv,utc=0 -F - 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, n);
    ASSERT_EQ(pclose(pipe), 0) << "gpsbabel is needed (scripts/deps test)";

    std::istringstream lines(output);
    std::string line;
    std::getline(lines, line);
    const std::vector<std::string> header = split(line);
    auto column = [&](const std::vector<std::string>& row, const std::string& name) {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i] == name && i < row.size() && !row[i].empty())
                return std::optional<double>(std::stod(row[i]));
        return std::optional<double>();
    };
    std::size_t index = 0;
    const std::pair<const char*, Channel> channels[] = {{"Heartrate", Channel::HeartRate},
                                                        {"Cadence", Channel::Cadence},
                                                        {"Power", Channel::Power}};
    for (; std::getline(lines, line); ++index) {
        ASSERT_LT(index, points.size());
        const auto row = split(line);
        const auto [track, i] = points[index];
        const WayPoint& point = *track->pointAt(i);
        const std::string where = std::string(GetParam()) + " point " + std::to_string(index);
        EXPECT_NEAR(point.lat(), *column(row, "Latitude"), 5e-7) << where;
        EXPECT_NEAR(point.lon(), *column(row, "Longitude"), 5e-7) << where;
        EXPECT_NEAR(point.ele(), *column(row, "Altitude"), 0.05) << where;
        const std::string time = row[header.size() - 2] + "T" + row.back() + "Z";
        EXPECT_EQ(point.time(), parseGpxTime(std::regex_replace(time, std::regex("/"), "-")))
            << where;
        for (const auto& [name, channel] : channels) {
            if (const auto expected = column(row, name)) {
                EXPECT_NEAR(track->channelValue(channel, i), *expected, 1e-9) << where << name;
            } else {
                // GPSBabel writes no power of 0 W.
                const double ours = track->channelValue(channel, i);
                EXPECT_TRUE(std::isnan(ours) || (channel == Channel::Power && ours == 0))
                    << where << name;
            }
        }
        if (const auto speed = column(row, "Speed")) {
            EXPECT_NEAR(track->channelValue(Channel::Speed, i), *speed * 3.6, 0.01 * 3.6) << where;
        }
    }
    EXPECT_EQ(index, points.size());
}

INSTANTIATE_TEST_SUITE_P(Files, TcxAgainstGpsbabel,
                         testing::Values("gpsbabel__history.tcx", "gpsbabel__kona2013.tcx",
                                         "gpsbabel__tcxdata.tcx", "gpsbabel__gtrnctr-readcp.tcx"));

// Every trkpt's first reading of a kind, cut from the file's text, is the point's channel value.
TEST(GpxExtensions, readingsOfRealFiles) {
    const std::pair<const char*, Channel> kinds[] = {
        {"hr", Channel::HeartRate}, {"cad", Channel::Cadence}, {"atemp", Channel::Temperature}};
    for (const char* name :
         {"gpx/georust__garmin-activity.gpx", "gpx/gpsbabel__garminconnect.gpx"}) {
        const std::string text = test::readWholeFile(dataFile(name));
        const TrackFileRead read = readTrackFile(dataFile(name));
        ASSERT_EQ(read.format, TrackFormat::Gpx);
        const auto points = allPoints(*read.result.gpx);
        const std::regex trkpt("<trkpt[\\s\\S]*?</trkpt>");
        std::size_t index = 0;
        for (std::sregex_iterator it(text.begin(), text.end(), trkpt), end; it != end; ++it) {
            ASSERT_LT(index, points.size());
            const auto [track, i] = points[index++];
            const std::string block = it->str();
            for (const auto& [kind, channel] : kinds) {
                std::smatch match;
                const std::regex element(std::string("<\\w+:") + kind + ">([^<]*)<");
                if (std::regex_search(block, match, element)) {
                    EXPECT_EQ(track->channelValue(channel, i), std::stod(match[1])) << name;
                } else {
                    EXPECT_TRUE(std::isnan(track->channelValue(channel, i))) << name;
                }
            }
        }
        EXPECT_EQ(index, points.size());
    }
}

TEST(TrackFile, statusLines) {
    const fs::path folder =
        fs::temp_directory_path() / ("trakmoor-trackfile-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).string();
    };
    const std::string fit = test::readWholeFile(dataFile("fit/fitparse__garmin-fenix-5-run.fit"));
    struct Case {
        std::string path;
        TrackFormat format;
        std::string status;
        bool document;
    } cases[] = {
        {write("random.fit", std::string("\x01\x7f\xee garbage \x00\x12", 14)), TrackFormat::Fit,
         "Not a FIT file: f", false},
        {write("cut.fit", fit.substr(0, 3000)), TrackFormat::Fit,
         "Could not load FIT: f: the file breaks off in the middle", true},
        {write("ride.gpx", fit), TrackFormat::Fit, "", true},
        {write("broken.tcx", "<?xml version=\"1.0\"?><TrainingCenterDatabase><Activities>"),
         TrackFormat::Tcx, "Could not load TCX: f: ", false},
        {write("plain.tcx", "<?xml version=\"1.0\"?><other/>"), TrackFormat::Gpx,
         "Not a GPX file: f", false},
        {dataFile("fit/fitparse__Settings.fit").string(), TrackFormat::Fit,
         "Could not load FIT: f: it holds no recorded points", false},
    };
    for (const Case& c : cases) {
        const TrackFileRead read = readTrackFile(c.path);
        EXPECT_EQ(read.format, c.format) << c.path;
        // The parser's own words differ between versions; the start is ours.
        EXPECT_EQ(trackReadStatusText(read, "f").substr(0, c.status.size()), c.status) << c.path;
        EXPECT_EQ(static_cast<bool>(read.result.gpx), c.document) << c.path;
    }
    fs::remove_all(folder);
}

} // namespace
