#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <tuple>

using namespace trakmoor;

namespace {

std::string wrap(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n" + body +
           "\n</gpx>\n";
}

std::unique_ptr<Gpx> read(const std::string& body) {
    return readGpxText(wrap(body));
}

struct PointFields {
    double lat, lon, ele;
    std::int32_t time;
    std::string timeText;
};

void expectPoint(const WayPoint& point, const PointFields& expected) {
    EXPECT_EQ(point.lat(), expected.lat);
    EXPECT_EQ(point.lon(), expected.lon);
    EXPECT_EQ(point.ele(), expected.ele);
    EXPECT_EQ(point.time(), expected.time);
    EXPECT_EQ(point.timeText(), expected.timeText);
}

} // namespace

TEST(ParseCoordinate, ReadsOnlyAPlainDecimalNumberAtTheStart) {
    struct Case {
        const char* text;
        double expected;
    };
    const Case cases[] = {
        {"48.1", 48.1},  {"-11.5", -11.5}, {"48.1abc", 48.1}, {" 48.1", 0.0}, {"+48.1", 0.0},
        {"1e3", 1000.0}, {"2.5E-1", 0.25}, {".5", 0.5},       {"7.", 7.0},    {"", 0.0},
        {"abc", 0.0},    {"1e400", 0.0},   {"-1e400", 0.0},   {"0x10", 0.0},  {"48,1", 48.0},
        {"-0", -0.0},    {"-", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseCoordinate(c.text), c.expected) << '"' << c.text << '"';
    EXPECT_TRUE(std::isinf(parseCoordinate("inf")));
    EXPECT_TRUE(std::isinf(parseCoordinate("-infinity")));
    EXPECT_TRUE(std::isnan(parseCoordinate("nan")));
    // The text need not end at the number.
    EXPECT_EQ(parseCoordinate(std::string_view("12.5", 2)), 12.0);
}

TEST(ParseGpxTime, ReadsUtcTimesByTheFieldRules) {
    // Out-of-range days and seconds roll over (February 31 is March 3, second 60 the next
    // minute); fractions are cut off; offsets apply.
    const std::pair<const char*, std::int32_t> accepted[] = {
        {"2009-03-06T16:26:23Z", 1236356783},
        {"2009-3-6T16:26:23Z", 1236356783},
        {"2009-03-06T16:26:23Zjunk", 1236356783},
        {"1970-01-01T00:00:00Z", 0},
        {"2038-01-19T03:14:07Z", 2147483647},
        {"2009-02-31T00:00:00Z", 1236038400},
        {"2009-03-06T16:26:60Z", 1236356820},
        {"2008-02-29T12:00:00Z", 1204286400},
        {"2000-1-1T0:0:0Z", 946684800},
        {"2009-03-06T16:26:23.999Z", 1236356783},
        {"2009-03-06T18:26:23+02:00", 1236356783},
        {"2009-03-06T11:56:23-04:30", 1236356783},
        {"2009-03-06T16:26:23.250+00:00", 1236356783},
        {"1970-01-01T01:00:00+01:00", 0},
        {"2038-01-18T22:14:07-05:00", 2147483647}};
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(parseGpxTime(text), expected) << '"' << text << '"';
    for (const char* text : {"1969-12-31T23:59:59Z",      "2038-01-19T03:14:08Z",
                             "2009-03-06 16:26:23Z",      "2009-03-06T16:26:23",
                             "2009-03-06t16:26:23z",      "2009-13-06T16:26:23Z",
                             "2009-00-06T16:26:23Z",      "2009-03-32T16:26:23Z",
                             "2009-03-06T24:00:00Z",      "2009-03-06T16:60:00Z",
                             "2009-03-06T16:26:62Z",      " 2009-03-06T16:26:23Z",
                             "12009-03-06T16:26:23Z",     "",
                             "2009-03-06T16:26:23.5",     "2009-03-06T16:26:23.Z",
                             "2009-03-06T16:26:23+0200",  "2009-03-06T16:26:23+02",
                             "2009-03-06T16:26:23+15:00", "1970-01-01T00:30:00+01:00",
                             "2038-01-18T22:14:08-05:00"})
        EXPECT_EQ(parseGpxTime(text), -1) << '"' << text << '"';
}

TEST(GpxReader, OrdersTracksThenRoutesThenWaypoints) {
    auto gpx = read(R"(
<wpt lat="1" lon="2"><name>First</name></wpt>
<rte><name>Way</name><number>4</number>
  <rtept lat="1" lon="1"/><rtept lat="2" lon="2"/><rtept lat="3" lon="3"/><rtept lat="4" lon="4"/>
</rte>
<trk><name> Ride </name><number>7</number>
  <trkseg><trkpt lat="1" lon="1"/><trkpt lat="2" lon="2"/><trkpt lat="3" lon="3"/></trkseg>
  <trkseg><trkpt lat="4" lon="4"/><trkpt lat="5" lon="5"/></trkseg>
</trk>
<wpt lat="3" lon="4"/>)");
    ASSERT_TRUE(gpx);
    ASSERT_EQ(gpx->trackCount(), 4);
    const std::tuple<const char*, int, int> tracks[] = {
        {"Ride", 7, 5}, {"Way", 4, 4}, {"WP: First", 0, 1}, {"WP:", 0, 1}};
    for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(gpx->trackAt(t)->name(), std::get<0>(tracks[t]));
        EXPECT_EQ(gpx->trackAt(t)->number(), std::get<1>(tracks[t]));
        EXPECT_EQ(gpx->trackAt(t)->pointCount(), std::get<2>(tracks[t]));
    }
    EXPECT_EQ(gpx->trackAt(0)->pointAt(4)->lat(), 5.0);
    EXPECT_EQ(gpx->trackAt(2)->pointAt(0)->name(), "First");
    EXPECT_EQ(gpx->creator(), "test");
    EXPECT_EQ(gpx->version(), "1.1");
}

TEST(GpxReader, ReadsPointFieldsOnlyWhereTheyBelong) {
    const std::string text = wrap(R"(
<trk><trkseg>
  <trkpt lat="48.1" lon="11.5"><ele>520.5</ele><time>2009-03-06T16:26:23Z</time><name>P</name></trkpt>
  <trkpt lat="48.2"><ele>x</ele><time>yesterday</time></trkpt>
  <trkpt lat=" 48.1" lon="+11.5"><time></time></trkpt>
</trkseg></trk>
<rte><rtept lat="1" lon="2"><ele>3</ele><time>2009-03-06T16:26:23Z</time></rtept></rte>
<wpt lat="5" lon="6"><ele>700</ele><time>2009-03-06T16:26:23Z</time>
  <name>Hut</name><cmt>  open
  all  year </cmt><desc><![CDATA[Beds & food]]></desc></wpt>)");
    auto gpx = readGpxText(text);
    ASSERT_TRUE(gpx);
    ASSERT_EQ(gpx->trackCount(), 3);
    const Track& track = *gpx->trackAt(0);
    // A track without a name of its own takes the first name below it.
    EXPECT_EQ(track.name(), "P");
    // A lat without a lon keeps both at 0; an empty time element counts as absent; routes and
    // waypoints take no time, waypoints no elevation.
    const PointFields expected[] = {{48.1, 11.5, 520.5, 1236356783, "2009-03-06T16:26:23Z"},
                                    {0, 0, 0, -1, "yesterday"},
                                    {0, 0, 0, 0, ""},
                                    {1, 2, 3, 0, ""},
                                    {5, 6, 0, 0, ""}};
    const WayPoint* points[] = {track.pointAt(0), track.pointAt(1), track.pointAt(2),
                                gpx->trackAt(1)->pointAt(0), gpx->trackAt(2)->pointAt(0)};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        expectPoint(*points[i], expected[i]);
    }
    EXPECT_EQ(track.pointAt(0)->name(), "");
    const WayPoint& wayPoint = *points[4];
    EXPECT_EQ(wayPoint.name(), "Hut");
    // White space in text collapses as Tidy's repair collapses it, whichever way the file is read.
    EXPECT_EQ(wayPoint.cmt(), "open all year");
    EXPECT_EQ(wayPoint.desc(), "Beds & food");

    auto repaired = detail::readRepairedGpxText(text);
    ASSERT_TRUE(repaired);
    test::expectSameDocument(*gpx, *repaired);
}

// Small documents: how many tracks come out and what the first is called.
TEST(GpxReader, SmallDocuments) {
    struct Case {
        std::string text;
        int tracks;
        const char* firstName;
        double firstLat;
    };
    const Case cases[] = {
        {wrap("<metadata><name>nothing</name></metadata>"), 0, nullptr, 0},
        {wrap("<wpt lat=\"1\" lon=\"2\"><name>Caf&#233; &amp; Stra\xc3\x9f"
              "e &lt;3&gt;</name></wpt>"),
         1,
         "WP: Caf\xc3\xa9 & Stra\xc3\x9f"
         "e <3>",
         1},
        // Not well-formed: a stray ampersand and an unquoted attribute.
        {"<gpx><wpt lat=47.5 lon=\"9.25\"><name>Bed & Breakfast</name></wpt></gpx>", 1,
         "WP: Bed & Breakfast", 47.5},
        {"<export><meta/><gpx><trk><trkseg><trkpt lat=\"1\" "
         "lon=\"2\"/></trkseg></trk></gpx></export>",
         1, "", 1},
        // The text ends at the first NUL.
        {std::string("<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>") + '\0' + "<wpt lat=\"3\" lon=\"4\"/>",
         1, "WP:", 1},
    };
    for (const Case& c : cases) {
        auto gpx = readGpxText(c.text);
        ASSERT_TRUE(gpx) << c.text;
        ASSERT_EQ(gpx->trackCount(), c.tracks) << c.text;
        if (c.tracks == 0)
            continue;
        EXPECT_EQ(gpx->trackAt(0)->name(), c.firstName);
        EXPECT_EQ(gpx->trackAt(0)->pointAt(0)->lat(), c.firstLat);
    }
}

TEST(GpxReader, RepairsElementsLeftOpen) {
    // As a logger cut off in mid-write leaves them.
    auto gpx = readGpxText(R"(<gpx version="1.0"><trk><name>Cut</name><trkseg>
<trkpt lat="47.1" lon="9.5"><ele>450</ele><time>2020-01-01T10:00:00Z</time></trkpt>
<trkpt lat="47.2" lon="9.6"><ele>460</ele><time>2020-01-01T10:00:05Z</time></trkpt>)");
    ASSERT_TRUE(gpx);
    ASSERT_EQ(gpx->trackCount(), 1);
    EXPECT_EQ(gpx->trackAt(0)->name(), "Cut");
    ASSERT_EQ(gpx->trackAt(0)->pointCount(), 2);
    EXPECT_EQ(gpx->trackAt(0)->pointAt(1)->time(), 1577872805);
}

TEST(GpxReader, NumbersIgnoreTheUserLocale) {
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    ASSERT_NE(german, nullptr) << "the de_DE.UTF-8 locale is not installed";
    auto gpx = read(R"(<trk><trkseg><trkpt lat="48.1" lon="11.25"><ele>519.75</ele></trkpt>
</trkseg></trk><bounds minlat="1.5" maxlat="46.25" minlon="-13.75"/>)");
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(gpx);
    EXPECT_EQ(gpx->trackAt(0)->pointAt(0)->lat(), 48.1);
    EXPECT_EQ(gpx->trackAt(0)->pointAt(0)->lon(), 11.25);
    EXPECT_EQ(gpx->trackAt(0)->pointAt(0)->ele(), 519.75);
    EXPECT_EQ(gpx->minLat(), 1.5);
    EXPECT_EQ(gpx->maxLat(), 46.25);
    EXPECT_EQ(gpx->minLon(), -13.75);
    EXPECT_EQ(gpx->maxLon(), 0.0);
}

TEST(GpxReader, KeepsWhiteSpaceWhereMarkupIsNotMarkup) {
    // Quoted '>' in attributes, markup-like text in comments and CDATA, indentation everywhere.
    const std::string text = wrap(R"(
  <!-- a comment with <trk> and   spaces -->
  <wpt lat="47.5" lon="9.25" note="a > b   <c>">
    <name>
      Alte   Post
    </name>
    <cmt>  <![CDATA[  two  spaces
  <kept>  ]]>  </cmt>
    <desc>x</desc>
  </wpt>
  <?note  <wpt lat="1" lon="1"/>  ?>
  <trk>
    <name>  </name>
    <trkseg>
      <trkpt lat="1" lon="2">
        <ele>
          412.5
        </ele>
        <time> 2020-01-01T10:00:00Z </time>
      </trkpt>
    </trkseg>
  </trk>)");
    auto gpx = readGpxText(text);
    ASSERT_TRUE(gpx);
    ASSERT_EQ(gpx->trackCount(), 2);
    const Track& track = *gpx->trackAt(0);
    EXPECT_EQ(track.name(), "");
    expectPoint(*track.pointAt(0), {1, 2, 412.5, 1577872800, "2020-01-01T10:00:00Z"});
    const WayPoint& wayPoint = *gpx->trackAt(1)->pointAt(0);
    EXPECT_EQ(wayPoint.lat(), 47.5);
    EXPECT_EQ(wayPoint.name(), "Alte Post");
    EXPECT_EQ(wayPoint.cmt(), "  two  spaces\n  <kept>  ");
    EXPECT_EQ(wayPoint.desc(), "x");

    auto repaired = detail::readRepairedGpxText(text);
    ASSERT_TRUE(repaired);
    test::expectSameDocument(*gpx, *repaired);
}
