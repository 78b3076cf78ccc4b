#include "track/TrackInfoRows.h"
#include "track/GpxReader.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <locale>
#include <memory>
#include <string>
#include <vector>

using namespace trakmoor;

namespace {

// Each row as "id parent label=value|", so that whole lists compare at once.
std::string describe(const std::vector<TrackInfoRow>& rows) {
    std::string text;
    for (const TrackInfoRow& row : rows)
        text += std::to_string(row.id) + " " + std::to_string(row.parentId) + " " + row.label +
                "=" + row.value + "|";
    return text;
}

// The value texts of one group's children, in order.
std::vector<std::string> groupValues(const std::vector<TrackInfoRow>& rows, int group) {
    std::vector<std::string> values;
    for (const TrackInfoRow& row : rows)
        if (row.parentId == group)
            values.push_back(row.value);
    return values;
}

std::unique_ptr<Gpx> sample() {
    return readGpxFile(std::string(TRAKMOOR_SOURCE_DIR) + "/data/sample.gpx");
}

std::unique_ptr<Gpx> gpxWithTrack(const std::string& trackBody) {
    return readGpxText(R"(<gpx version="1.1" creator="test"><trk>)" + trackBody + "</trk></gpx>");
}

} // namespace

// The expected texts are printed by tests/track/sample_expectations.py, which works them out from
// the file with its own parser and formulas.
TEST(TrackInfoRows, SampleTrack) {
    auto gpx = sample();
    ASSERT_TRUE(gpx);
    const auto rows = trackInfoRows(gpx.get(), 0, 10, 3);
    EXPECT_EQ(describe(rows),
              "1 -1 Track info=|10 1 Name=RHEIN RIDE|11 1 Number=1|"
              "12 1 Creator=sample-ride generator (make_sample.py)|13 1 GPX version=1.0|"
              "2 -1 Track analyses=|20 2 Start time=07:30:00|21 2 Stop time=08:30:45|"
              "22 2 Min. height=451 m|23 2 Max. height=499 m|24 2 Min. speed=0.0 km/h|"
              "25 2 Max. speed=30.1 km/h|26 2 Duration=1:00:45|27 2 Distance=11.85 km|"
              "28 2 Average=11.7 km/h|29 2 Waypoints=730|200 2 Ascent=79 m|201 2 Descent=79 m|"
              "202 2 Moving time=0:59:05|203 2 Moving average=12.0 km/h|3 -1 A-B analyses=|"
              "30 3 Waypoint A=11|31 3 Waypoint B=4|32 3 Duration=0:00:35|33 3 Distance=0.13 km|"
              "34 3 Average=13.7 km/h|35 3 Waypoints=8|36 3 Direct=0.13 km|300 3 Ascent=0 m|"
              "301 3 Descent=0 m|302 3 Moving time=0:00:35|303 3 Moving average=13.7 km/h|");
    for (const TrackInfoRow& row : rows)
        EXPECT_FALSE(row.translateValue) << row.label;
}

TEST(TrackInfoRows, SampleSections) {
    auto gpx = sample();
    ASSERT_TRUE(gpx);
    struct Case {
        int a, b;
        std::vector<std::string> values;
    };
    const Case cases[] = {
        // Across the stop, where the way and the direct line part and the moving time is 100 s
        // short of the duration.
        {300,
         400,
         {"301", "401", "0:08:20", "1.31 km", "9.4 km/h", "101", "0.67 km", "4 m", "4 m", "0:06:40",
          "11.8 km/h"}},
        // One point has no time span.
        {7, 7, {"8", "8", "-", "0.00 km", "-", "1", "0.00 km", "0 m", "0 m", "-", "-"}},
        // One marker alone, or one naming no point of the track, gives no section.
        {5, -1, {"6", "-"}},
        {729, 730, {"730", "-"}},
        {INT_MAX, INT_MIN, {"-", "-"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("A=" + std::to_string(c.a) + " B=" + std::to_string(c.b));
        EXPECT_EQ(groupValues(trackInfoRows(gpx.get(), 0, c.a, c.b), sectionAnalysesGroup),
                  c.values);
    }
    EXPECT_TRUE(trackInfoRows(nullptr, 0, -1, -1).empty());
    EXPECT_TRUE(trackInfoRows(gpx.get(), -1, -1, -1).empty());
    EXPECT_TRUE(trackInfoRows(gpx.get(), 1, -1, -1).empty());
}

TEST(TrackInfoRows, SmallTracks) {
    // Without points, stale markers from another track must not be read.
    auto empty = gpxWithTrack("<name>Empty</name><number>-3</number><trkseg></trkseg>");
    ASSERT_TRUE(empty);
    EXPECT_EQ(describe(trackInfoRows(empty.get(), 0, 0, 0)),
              "1 -1 Track info=|10 1 Name=Empty|11 1 Number=1|12 1 Creator=test|"
              "13 1 GPX version=1.1|2 -1 Track analyses=|3 -1 A-B analyses=|30 3 Waypoint A=-|"
              "31 3 Waypoint B=-|");

    // Without times there are no clock times, durations or speeds, only the way; without a name
    // the track shows a message to translate.
    auto untimed = gpxWithTrack(R"(<trkseg><trkpt lat="47.000" lon="9.5"><ele>451.5</ele></trkpt>
        <trkpt lat="47.001" lon="9.5"><ele>450.5</ele></trkpt>
        <trkpt lat="47.002" lon="9.5"><ele>452.49</ele></trkpt></trkseg>)");
    ASSERT_TRUE(untimed);
    const auto rows = trackInfoRows(untimed.get(), 0, -1, -1);
    EXPECT_EQ(groupValues(rows, trackAnalysesGroup),
              (std::vector<std::string>{"-", "-", "450 m", "452 m", "-", "-", "-", "0.22 km", "-",
                                        "3", "2 m", "1 m", "-", "-"}));
    EXPECT_EQ(rows.at(1).value, "Unnamed");
    EXPECT_TRUE(rows.at(1).translateValue);

    // Points without a time at either end: the span runs from the first to the last timed point
    // (111 m in 40 s) and the way beyond them counts only for the distance.
    auto ragged = gpxWithTrack(R"(<trkseg><trkpt lat="46.999" lon="9.5"/>
        <trkpt lat="47.000" lon="9.5"><time>2020-01-01T10:00:00Z</time></trkpt>
        <trkpt lat="47.001" lon="9.5"><time>2020-01-01T10:00:40Z</time></trkpt>
        <trkpt lat="47.002" lon="9.5"/></trkseg>)");
    ASSERT_TRUE(ragged);
    const auto values = groupValues(trackInfoRows(ragged.get(), 0, 0, 3), trackAnalysesGroup);
    EXPECT_EQ(
        (std::vector<std::string>{values[0], values[1], values[6], values[7], values[8]}),
        (std::vector<std::string>{"10:00:00", "10:00:40", "0:00:40", "0.33 km", "10.0 km/h"}));
    EXPECT_EQ(groupValues(trackInfoRows(ragged.get(), 0, 0, 3), sectionAnalysesGroup)[2],
              "0:00:40");
}

static std::string join(std::initializer_list<std::string> texts) {
    std::string joined;
    for (const std::string& text : texts)
        joined += text + "|";
    return joined;
}

// Under a German global locale, which must not show: decimal point '.', no grouping.  A zero
// never shows a minus; exact halves go to the even neighbour as in C; 7.85 is stored just below.
// A clock time is cut from after the first T, never inside the "ä".
TEST(TrackInfoFormats, NumbersDurationsAndClockTimes) {
    const std::locale previous = std::locale::global(std::locale("de_DE.UTF-8"));
    const std::string numbers =
        join({formatHeight(-0.4), formatHeight(452.5), formatHeight(1234.4), formatSpeed(7.85),
              formatSpeed(-0.04), formatSpeed(1234.56), formatDistanceKm(9845),
              formatDistanceKm(1234567.0), formatDistanceKm(1e300).substr(0, 4),
              formatDuration(90061), formatDuration(-5), formatDuration(INT64_MIN)});
    std::locale::global(previous);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(numbers, "0 m|452 m|1234 m|7.8 km/h|0.0 km/h|1234.6 km/h|9.85 km|1234.57 km|1000|"
                       "25:01:01|-0:00:05|-2562047788015215:30:08|");
    EXPECT_EQ(join({timeOfDay("2009-03-06T16:26:23Z"), timeOfDay("2009-03-06T16:26:2"),
                    timeOfDay("xTyTzzzzzzzz"), timeOfDay("T1234567\xC3\xA4"),
                    timeOfDay("T123456\xC3\xA4x")}),
              "16:26:23|2009-03-06T16:26:2|yTzzzzzz|1234567|123456\xC3\xA4|");
}
