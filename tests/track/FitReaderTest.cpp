// FIT files read against the records their own project decoded (the CSV files beside them), and
// damaged files, which must keep what comes before the damage.

#include "track/FitReader.h"
#include "track/TrackInfoRows.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>

using namespace trakmoor;

namespace {

std::filesystem::path fitFile(const std::string& name) {
    return std::filesystem::path(TRAKMOOR_TEST_DATA) / "fit" / name;
}

std::vector<std::uint8_t> bytesOf(const std::string& name) {
    const std::string text = test::readWholeFile(fitFile(name));
    return {text.begin(), text.end()};
}

std::vector<std::string> splitCsv(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream in(line);
    for (std::string cell; std::getline(in, cell, ',');)
        cells.push_back(cell);
    if (!line.empty() && line.back() == ',')
        cells.emplace_back();
    return cells;
}

// "Mon Jun 12 09:10:15 PDT 2017" as seconds since 1970 UTC.
std::int64_t parseCsvDate(const std::string& text) {
    std::tm tm{};
    std::istringstream in(text);
    std::string weekday, zone;
    in >> weekday;
    in >> std::get_time(&tm, "%b %d %H:%M:%S");
    in >> zone >> tm.tm_year;
    tm.tm_year -= 1900;
    const int offsetHours = zone == "PDT" ? -7 : 0;
    return timegm(&tm) - offsetHours * 3600;
}

double cellNumber(const std::string& cell) {
    return cell.empty() || cell == "null" ? NAN : std::stod(cell);
}

void expectSame(double expected, double actual, double tolerance, const std::string& what) {
    if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(actual)) << what;
    else
        EXPECT_NEAR(expected, actual, tolerance) << what;
}

class FitAgainstCsv : public testing::TestWithParam<const char*> {};

TEST_P(FitAgainstCsv, recordsMatchTheirDecoding) {
    const std::string name = GetParam();
    const GpxReadResult read = readFitFileWithOutcome(fitFile(name + ".fit"));
    ASSERT_EQ(read.outcome, GpxReadResult::Outcome::Loaded) << read.error;
    EXPECT_EQ(read.error, "");
    ASSERT_EQ(read.gpx->trackCount(), 1);
    const Track& track = *read.gpx->trackAt(0);

    std::ifstream csv(fitFile(name + "-records.csv"));
    std::string line;
    std::getline(csv, line);
    std::vector<std::string> header = splitCsv(line);
    for (auto& column : header)
        column.erase(0, column.find_first_not_of(' '));
    auto column = [&](const std::vector<std::string>& row, const std::string& prefix) {
        for (std::size_t i = 0; i < header.size(); ++i)
            if (header[i].rfind(prefix, 0) == 0 && i < row.size())
                return row[i];
        return std::string("none");
    };
    int index = 0;
    while (std::getline(csv, line)) {
        const std::vector<std::string> row = splitCsv(line);
        ASSERT_LT(index, track.pointCount());
        const WayPoint& point = *track.pointAt(index);
        const std::string where = name + " record " + std::to_string(index);
        const std::string time = column(row, "timestamp") != "none" ? column(row, "timestamp")
                                                                    : column(row, "Timestamp");
        const std::int64_t expectedTime = time.find(' ') == std::string::npos
                                              ? std::stoll(time) + fitEpochOffset
                                              : parseCsvDate(time);
        EXPECT_EQ(point.time(), expectedTime) << where;
        if (column(row, "position_lat") != "none") {
            expectSame(cellNumber(column(row, "position_lat")) * 180 / 2147483648.0, point.lat(),
                       1e-9, where);
            expectSame(cellNumber(column(row, "position_long")) * 180 / 2147483648.0, point.lon(),
                       1e-9, where);
            expectSame(cellNumber(column(row, "altitude")), point.ele(), 1e-6, where);
            expectSame(cellNumber(column(row, "temperature")),
                       track.channelValue(Channel::Temperature, index), 0, where);
        }
        expectSame(cellNumber(column(row, "heart_rate") != "none" ? column(row, "heart_rate")
                                                                  : column(row, "Heart Rate")),
                   track.channelValue(Channel::HeartRate, index), 0, where);
        expectSame(cellNumber(column(row, "cadence") != "none" ? column(row, "cadence")
                                                               : column(row, "Cadence")),
                   track.channelValue(Channel::Cadence, index), 0, where);
        expectSame(cellNumber(column(row, "speed") != "none" ? column(row, "speed")
                                                             : column(row, "Speed")) *
                       3.6,
                   track.channelValue(Channel::Speed, index), 0.01, where);
        ++index;
    }
    EXPECT_EQ(index, track.pointCount());
}

INSTANTIATE_TEST_SUITE_P(Files, FitAgainstCsv,
                         testing::Values("fitparse__garmin-edge-820-bike",
                                         "fitparse__garmin-fenix-5-bike",
                                         "fitparse__garmin-fenix-5-run",
                                         "fitparse__garmin-fenix-5-walk",
                                         "fitparse__compressed-speed-distance"));

TEST(FitReader, filesTheirProjectsDescribe) {
    struct Case {
        const char* file;
        int points;
        bool positions;
        bool heartRate;
    } cases[] = {
        {"fitparse__sample-activity.fit", 3098, true, true},
        {"fitparse__2013-02-06-12-11-14.fit", 590, true, true},
        {"gpsbabel__fit-sample.fit", 540, true, false},
        {"gpsbabel__garmin-forerunner-10.fit", 514, true, false},
        {"fitparse__sample-activity-indoor-trainer.fit", -1, false, true},
        {"fitparse__developer-types-sample.fit", -1, true, true},
    };
    for (const Case& c : cases) {
        const GpxReadResult read = readFitFileWithOutcome(fitFile(c.file));
        ASSERT_EQ(read.outcome, GpxReadResult::Outcome::Loaded) << c.file;
        EXPECT_EQ(read.error, "") << c.file;
        const Track& track = *read.gpx->trackAt(0);
        if (c.points >= 0) {
            EXPECT_EQ(track.pointCount(), c.points) << c.file;
        }
        EXPECT_EQ(track.hasPositions(), c.positions) << c.file;
        EXPECT_EQ(track.hasChannel(Channel::HeartRate), c.heartRate) << c.file;
    }
}

// Big-endian definitions, a chain of two files and damage made to a real file.
TEST(FitReader, damagedAndChainedFiles) {
    const std::vector<std::uint8_t> original = bytesOf("fitparse__garmin-fenix-5-bike.fit");
    const int points = readFitData(original).gpx->trackAt(0)->pointCount();

    std::vector<std::uint8_t> chain = original;
    chain.insert(chain.end(), original.begin(), original.end());
    GpxReadResult read = readFitData(chain);
    ASSERT_EQ(read.gpx->trackCount(), 2);
    EXPECT_EQ(read.gpx->trackAt(1)->pointCount(), points);

    std::vector<std::uint8_t> cut(original.begin(), original.begin() + original.size() / 2);
    read = readFitData(cut);
    ASSERT_EQ(read.outcome, GpxReadResult::Outcome::Loaded);
    EXPECT_EQ(read.error, "the file breaks off in the middle");
    EXPECT_GT(read.gpx->trackAt(0)->pointCount(), 0);
    EXPECT_LT(read.gpx->trackAt(0)->pointCount(), points);

    std::vector<std::uint8_t> badCrc = original;
    badCrc.back() ^= 0x55;
    badCrc[12] ^= 0x55;
    read = readFitData(badCrc);
    EXPECT_EQ(read.error,
              "the header's checksum does not match; the file's checksum does not match");
    EXPECT_EQ(read.gpx->trackAt(0)->pointCount(), points);

    const std::vector<std::uint8_t> notFit = {'<', '?', 'x', 'm', 'l', ' ', 'v', 'e',
                                              'r', 's', 'i', 'o', 'n', '=', '"', '1'};
    EXPECT_EQ(readFitData(notFit).outcome, GpxReadResult::Outcome::NotGpx);
    EXPECT_EQ(readFitFileWithOutcome(fitFile("fitparse__Settings.fit").string()).outcome,
              GpxReadResult::Outcome::Unreadable);
    read = readFitFileWithOutcome(fitFile("fitparse__activity-unexpected-eof.fit"));
    EXPECT_EQ(read.error, "the file breaks off in the middle");
}

// A file written by hand: big-endian, a field shorter than its type, a size-0 field, an unknown
// message, a compressed timestamp and invalid markers.
TEST(FitReader, handWrittenMessages) {
    std::vector<std::uint8_t> data = {
        // definition, local 0, big-endian, record: timestamp u32, lat s32, lon s32, hr u8,
        // power given as 1 byte of u16, cadence of size 0
        0x40, 0, 1, 0, 20, 6, 253, 4, 0x86, 0, 4, 0x85, 1, 4, 0x85, 3, 1, 0x02, 7, 1, 0x84, 4, 0,
        0x02, 0x00, 0x3B, 0x9A, 0xCA, 0x00, 0x20, 0, 0, 0, 0x10, 0, 0, 0, 120, 9,
        // an unknown message 9999 with a developer field of 2 bytes
        0x61, 0, 0, 0x0F, 0x27, 1, 1, 1, 0x02, 1, 0, 2, 0, 0x01, 7, 7, 7,
        // local 0 again with a compressed timestamp (+3 s), no position, invalid power
        0x83, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF, 130, 0xFF};
    std::vector<std::uint8_t> file = {12,  0x10, 0,   0,  std::uint8_t(data.size()), 0, 0, 0,
                                      '.', 'F',  'I', 'T'};
    file.insert(file.end(), data.begin(), data.end());
    std::uint16_t crc = 0;
    {
        // A checksum computed the other way round: a wrong one is reported, so a right one
        // proves itself by the empty error.
        static const std::uint16_t table[16] = {0x0000, 0xCC01, 0xD801, 0x1400, 0xF001, 0x3C00,
                                                0x2800, 0xE401, 0xA001, 0x6C00, 0x7800, 0xB401,
                                                0x5000, 0x9C01, 0x8801, 0x4400};
        for (std::uint8_t b : file)
            for (int nibble : {b & 0xF, b >> 4}) {
                const std::uint16_t tmp = table[crc & 0xF];
                crc = static_cast<std::uint16_t>(((crc >> 4) & 0x0FFF) ^ tmp ^ table[nibble]);
            }
    }
    file.push_back(crc & 0xFF);
    file.push_back(crc >> 8);
    const GpxReadResult read = readFitData(file);
    ASSERT_EQ(read.outcome, GpxReadResult::Outcome::Loaded);
    EXPECT_EQ(read.error, "");
    const Track& track = *read.gpx->trackAt(0);
    ASSERT_EQ(track.pointCount(), 2);
    EXPECT_EQ(track.pointAt(0)->time(), 1000000000 + fitEpochOffset);
    EXPECT_EQ(track.pointAt(1)->time(), 1000000003 + fitEpochOffset);
    EXPECT_DOUBLE_EQ(track.pointAt(0)->lat(), 45.0);
    EXPECT_DOUBLE_EQ(track.pointAt(1)->lon(), 22.5);
    EXPECT_EQ(track.channelValue(Channel::HeartRate, 0), 120);
    EXPECT_EQ(track.channelValue(Channel::HeartRate, 1), 130);
    EXPECT_FALSE(track.hasChannel(Channel::Power));
    EXPECT_FALSE(track.hasChannel(Channel::Cadence));
}

} // namespace

namespace {

// The panel's channel rows of a FIT track, from the readings its own project decoded.
TEST(FitReader, infoRowsOfTheChannels) {
    const GpxReadResult read = readFitFileWithOutcome(fitFile("fitparse__garmin-fenix-5-walk.fit"));
    std::ifstream csv(fitFile("fitparse__garmin-fenix-5-walk-records.csv"));
    std::string line;
    std::getline(csv, line);
    double heartSum = 0, heartMax = 0, cadenceSum = 0, temperatureSum = 0, rows = 0;
    while (std::getline(csv, line)) {
        const auto cells = splitCsv(line);
        const double heart = std::stod(cells[1]);
        heartSum += heart;
        heartMax = std::max(heartMax, heart);
        cadenceSum += std::stod(cells[2]);
        temperatureSum += std::stod(cells[8]);
        ++rows;
    }
    auto rounded = [](double v, const char* unit) {
        char text[32];
        std::snprintf(text, sizeof text, "%.0f %s", v, unit);
        return std::string(text);
    };
    const int last = read.gpx->trackAt(0)->pointCount() - 1;
    const std::vector<TrackInfoRow> panel = trackInfoRows(read.gpx.get(), 0, 0, last);
    std::map<std::string, std::vector<std::string>> values;
    for (const TrackInfoRow& row : panel)
        values[row.label].push_back(row.value);
    // Once for the track, once for A-B over the whole track.
    EXPECT_EQ(values["Avg. heart rate"],
              std::vector<std::string>(2, rounded(heartSum / rows, "bpm")));
    EXPECT_EQ(values["Max. heart rate"], std::vector<std::string>(2, rounded(heartMax, "bpm")));
    EXPECT_EQ(values["Avg. cadence"],
              std::vector<std::string>(2, rounded(cadenceSum / rows, "rpm")));
    EXPECT_EQ(values["Avg. temperature"].size(), 2u);
    EXPECT_NEAR(std::stod(values["Avg. temperature"][0]), temperatureSum / rows, 0.05);
    EXPECT_EQ(values.count("Avg. power"), 0u);
    EXPECT_EQ(values["Start time"], std::vector<std::string>{"14:32:51"});
}

} // namespace
