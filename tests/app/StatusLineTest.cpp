#include "app/StatusLine.h"

#include "track/GpxReader.h"
#include "track/TrackStats.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <locale>

namespace trakmoor {
namespace {

// Run under a German locale when there is one, where a decimal comma would slip into the numbers.
TEST(StatusLine, PointCursorMarkersAndFreeCursorInAnyLocale) {
    // Four points about 111 m apart along a meridian; the last two share a time stamp.
    const auto gpx = readGpxText(R"(<?xml version="1.0"?>
<gpx version="1.1"><trk><name>t</name><trkseg>
<trkpt lat="47.000" lon="9.5"><ele>451.25</ele><time>2024-06-15T07:30:00Z</time></trkpt>
<trkpt lat="47.001" lon="9.5"><ele>452</ele><time>2024-06-15T07:30:10Z</time></trkpt>
<trkpt lat="47.002" lon="9.5"><ele>1234567.5</ele><time>2024-06-15T07:30:25Z</time></trkpt>
<trkpt lat="47.003" lon="9.5"><ele>-3.5</ele><time>2024-06-15T07:30:25Z</time></trkpt>
</trkseg></trk></gpx>)");
    ASSERT_TRUE(gpx);
    const Track& track = *gpx->trackAt(0);
    const double firstTwo = distanceMeters(*track.pointAt(0), *track.pointAt(1)) +
                            distanceMeters(*track.pointAt(1), *track.pointAt(2));
    const std::string twoSteps = std::to_string(std::llround(firstTwo));
    const bool german = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
    if (german) {
        std::locale::global(std::locale("de_DE.UTF-8"));
    }

    struct Case {
        int cursor, a, b;
        std::string expected;
    };
    const Case cases[] = {
        {0, -1, -1, "ride.gpx  |  point 1/4  |  451.25 m"},
        {2, -1, -1, "ride.gpx  |  point 3/4  |  1.23457e+06 m"},
        // Only B: A shows as "-" and there is no section.
        {1, -1, 0, "ride.gpx  |  point 2/4  |  452 m  |  A: -  B: 1"},
        // A after B: the distance runs from the lower index; 25 s apart.
        {1, 2, 0,
         "ride.gpx  |  point 2/4  |  452 m  |  A: 3  B: 1  |  A-B: " + twoSteps + " m, 25 s"},
        // Equal time stamps: no seconds.
        {0, 2, 3, "ride.gpx  |  point 1/4  |  451.25 m  |  A: 3  B: 4  |  A-B: 111 m"},
        // A marker left over from a longer track counts as unset.
        {0, 9, -1, "ride.gpx  |  point 1/4  |  451.25 m"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(pointStatusText("ride.gpx", "point", track, c.cursor, c.a, c.b), c.expected);
    }
    EXPECT_EQ(freeCursorStatusText("ride.gpx", "free cursor", 47.1234564, -9.5),
              "ride.gpx  |  free cursor  |  47.123456, -9.500000");
    std::locale::global(std::locale::classic());
    std::setlocale(LC_ALL, "C");
    if (!german) {
        GTEST_SKIP() << "no German locale here: checked in the C locale only";
    }
}

// A font has no glyph for a line break: the status line would show boxes.
TEST(StatusLine, MessagesAreShownOnOneLine) {
    EXPECT_EQ(singleLineText("Could not create the OSM map.\n\nhost: HTTP 429\r\n\t"),
              "Could not create the OSM map. host: HTTP 429");
    EXPECT_EQ(singleLineText("\x7F  a\tb"), "  a b");
}

} // namespace
} // namespace trakmoor
