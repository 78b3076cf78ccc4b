#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <clocale>
#include <cmath>

using namespace trakmoor;

namespace {

std::string wrap(const std::string& body) {
    return "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" creator=\"test\">\n" + body + "\n</gpx>";
}

// Reading directly and through Tidy's repair must give the same document.
std::unique_ptr<Gpx> readBothWays(const std::string& text) {
    auto gpx = readGpxText(text);
    auto repaired = detail::readRepairedGpxText(text);
    EXPECT_TRUE(repaired);
    EXPECT_EQ(gpx ? test::describe(*gpx) : "", repaired ? test::describe(*repaired) : "");
    return gpx;
}

// Changes of the process locale while counting is on: the readers run beside the window's thread,
// which a change of that process-wide state races with.
std::atomic<bool> countingLocaleChanges = false;
std::atomic<int> localeChanges = 0;

} // namespace

// Every setlocale of this process, Tidy's included, comes here first.
extern "C" char* setlocale(int category, const char* locale) noexcept {
    using Setlocale = char* (*)(int, const char*);
    static const auto next = reinterpret_cast<Setlocale>(dlsym(RTLD_NEXT, "setlocale"));
    if (locale != nullptr && countingLocaleChanges) {
        ++localeChanges;
    }
    return next(category, locale);
}

TEST(GpxReader, RepairLeavesTheProcessLocaleAlone) {
    countingLocaleChanges = true;
    auto repaired = detail::readRepairedGpxText(wrap("<trk><name>a</name></trk>"));
    countingLocaleChanges = false;
    ASSERT_TRUE(repaired);
    EXPECT_EQ(repaired->trackAt(0)->name(), "a");
    EXPECT_EQ(localeChanges, 0);
}

TEST(GpxReader, ParsesCoordinatesAndTimesByTheirOwnRules) {
    const std::pair<const char*, double> cases[] = {
        {"-11.5", -11.5}, {"48.1abc", 48.1}, {" 48.1", 0.0}, {"+48.1", 0.0},
        {"2.5E-1", 0.25}, {".5", 0.5},       {"", 0.0},      {"abc", 0.0},
        {"1e400", 0.0},   {"0x10", 0.0},     {"48,1", 48.0}, {"-", 0.0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseCoordinate(text), expected) << '"' << text << '"';
    EXPECT_TRUE(std::isinf(parseCoordinate("-infinity")));
    EXPECT_TRUE(std::isnan(parseCoordinate("nan")));
    // The view need not end at a NUL.
    EXPECT_EQ(parseCoordinate(std::string_view("12.5", 2)), 12.0);

    // Times: out-of-range days and seconds roll over; fractions are cut off; offsets apply.
    const std::pair<const char*, std::int32_t> accepted[] = {
        {"2009-3-6T16:26:23Zjunk", 1236356783},   {"1970-01-01T00:00:00Z", 0},
        {"2038-01-19T03:14:07Z", 2147483647},     {"2009-02-31T00:00:00Z", 1236038400},
        {"2009-03-06T16:26:60Z", 1236356820},     {"2008-02-29T12:00:00Z", 1204286400},
        {"2009-03-06T16:26:23.999Z", 1236356783}, {"2009-03-06T11:56:23-04:30", 1236356783},
        {"1970-01-01T01:00:00+01:00", 0},         {"2038-01-18T22:14:07-05:00", 2147483647}};
    for (const auto& [text, expected] : accepted)
        EXPECT_EQ(parseGpxTime(text), expected) << '"' << text << '"';
    for (const char* text :
         {"1969-12-31T23:59:59Z", "2038-01-19T03:14:08Z", "2009-03-06 16:26:23Z",
          "2009-03-06T16:26:23", "2009-03-06t16:26:23z", "2009-13-06T16:26:23Z",
          "2009-03-32T16:26:23Z", "2009-03-06T24:00:00Z", "2009-03-06T16:26:62Z",
          " 2009-03-06T16:26:23Z", "12009-03-06T16:26:23Z", "", "2009-03-06T16:26:23.Z",
          "2009-03-06T16:26:23+0200", "2009-03-06T16:26:23+15:00", "1970-01-01T00:30:00+01:00",
          "2038-01-18T22:14:08-05:00"})
        EXPECT_EQ(parseGpxTime(text), -1) << '"' << text << '"';
}

// Tracks, then routes, then waypoints.  A track without a name of its own takes the first name
// below it; a lat without a lon keeps both at 0; an empty time element counts as absent; routes
// and waypoints take no time, waypoints no elevation; white space collapses as Tidy collapses it.
TEST(GpxReader, ReadsEachFieldWhereItBelongs) {
    auto gpx = readBothWays(wrap(R"(
<wpt lat="5" lon="6"><ele>700</ele><time>2009-03-06T16:26:23Z</time>
  <name>Hut</name><cmt>  open
  all  year </cmt><desc><![CDATA[Beds & food]]></desc></wpt>
<rte><name>Way</name><number>4</number>
  <rtept lat="1" lon="2"><ele>3</ele><time>2009-03-06T16:26:23Z</time></rtept><rtept lat="2" lon="2"/>
</rte>
<trk><number>7</number><trkseg>
  <trkpt lat="48.1" lon="11.5"><ele>520.5</ele><time>2009-03-06T16:26:23Z</time><name>P</name></trkpt>
  <trkpt lat="48.2"><ele>x</ele><time>yesterday</time></trkpt></trkseg>
  <trkseg><trkpt lat=" 48.1" lon="+11.5"><time></time></trkpt></trkseg>
</trk>
<trk><name> Ride </name><trkseg><trkpt lat="1" lon="1"/></trkseg></trk>
<wpt lat="3" lon="4"/>)"));
    ASSERT_TRUE(gpx);
    EXPECT_EQ(test::describe(*gpx),
              "test|1.1|0 0 0 0\n"
              "track P|7\n"
              "48.100000000000001 11.5 520.5 1236356783|2009-03-06T16:26:23Z|||\n"
              "0 0 0 -1|yesterday|||\n0 0 0 0||||\n"
              "track Ride|0\n1 1 0 0||||\n"
              "track Way|4\n1 2 3 0||||\n2 2 0 0||||\n"
              "track WP: Hut|0\n5 6 0 0||Hut|open all year|Beds & food\n"
              "track WP:|0\n3 4 0 0||||\n");
}

TEST(GpxReader, SmallAndBrokenDocuments) {
    struct Case {
        std::string text;
        int tracks;
        const char* firstName;
    };
    const Case cases[] = {
        {wrap("<metadata><name>nothing</name></metadata>"), 0, nullptr},
        {wrap("<wpt lat=\"1\" lon=\"2\"><name>Caf&#233; &amp; &lt;3&gt;</name></wpt>"), 1,
         "WP: Caf\xc3\xa9 & <3>"},
        // Not well-formed: a stray ampersand and an unquoted attribute.
        {"<gpx><wpt lat=47.5 lon=\"9.25\"><name>Bed & Breakfast</name></wpt></gpx>", 1,
         "WP: Bed & Breakfast"},
        {"<export><gpx><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk></gpx></export>", 1,
         ""},
        // The text ends at the first NUL.
        {std::string("<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>") + '\0' + "<wpt lat=\"3\" lon=\"4\"/>",
         1, "WP:"},
        // Elements left open, as a logger cut off in mid-write leaves them.
        {R"(<gpx version="1.0"><trk><name>Cut</name><trkseg>
<trkpt lat="47.1" lon="9.5"><time>2020-01-01T10:00:00Z</time></trkpt>
<trkpt lat="47.2" lon="9.6"><time>2020-01-01T10:00:05Z</time></trkpt>)",
         1, "Cut"},
    };
    for (const Case& c : cases) {
        auto gpx = readGpxText(c.text);
        ASSERT_TRUE(gpx) << c.text;
        ASSERT_EQ(gpx->trackCount(), c.tracks) << c.text;
        if (c.tracks > 0) {
            EXPECT_EQ(gpx->trackAt(0)->name(), c.firstName);
        }
    }
    auto cut = readGpxText(cases[5].text);
    ASSERT_EQ(cut->trackAt(0)->pointCount(), 2);
    EXPECT_EQ(cut->trackAt(0)->pointAt(1)->time(), 1577872805);
}

TEST(GpxReader, NumbersIgnoreTheUserLocale) {
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr) << "de_DE.UTF-8 is not installed";
    auto gpx = readGpxText(wrap(R"(<trk><trkseg><trkpt lat="48.1" lon="11.25"><ele>519.75</ele>
</trkpt></trkseg></trk><bounds minlat="1.5" maxlat="46.25" minlon="-13.75"/>)"));
    std::setlocale(LC_ALL, "C");
    ASSERT_TRUE(gpx);
    EXPECT_EQ(test::describe(*gpx), "test|1.1|1.5 -13.75 46.25 0\ntrack |0\n"
                                    "48.100000000000001 11.25 519.75 0||||\n");
}

TEST(GpxReader, KeepsWhiteSpaceWhereMarkupIsNotMarkup) {
    // Quoted '>' in attributes, markup-like text in comments, CDATA and processing instructions.
    auto gpx = readBothWays(wrap(R"(
  <!-- a comment with <trk> and   spaces -->
  <wpt lat="47.5" lon="9.25" note="a > b   <c>">
    <name>
      Alte   Post
    </name>
    <cmt>  <![CDATA[  two  spaces
  <kept>  ]]>  </cmt>
  </wpt>
  <?note  <wpt lat="1" lon="1"/>  ?>
  <trk><name>  </name><trkseg>
      <trkpt lat="1" lon="2">
        <ele>
          412.5
        </ele>
        <time> 2020-01-01T10:00:00Z </time>
      </trkpt>
  </trkseg></trk>)"));
    ASSERT_TRUE(gpx);
    EXPECT_EQ(test::describe(*gpx), "test|1.1|0 0 0 0\ntrack |0\n"
                                    "1 2 412.5 1577872800|2020-01-01T10:00:00Z|||\n"
                                    "track WP: Alte Post|0\n"
                                    "47.5 9.25 0 0||Alte Post|  two  spaces\n  <kept>  |\n");
}

TEST(Track, NumberTextAndLookups) {
    Track track;
    auto number = [&](const char* text) {
        track.setNumberText("7");
        track.setNumberText(text);
        return track.number();
    };
    EXPECT_EQ(number(" +9 "), 9);
    EXPECT_EQ(number("2147483647"), INT32_MAX);
    EXPECT_EQ(number("-2147483648"), INT32_MIN);
    for (const char* text : {"2147483648", "-2147483649", "9a", "", "+-3", "1 2", "9.0"})
        EXPECT_EQ(number(text), 0) << '"' << text << '"';
    track.addPoint(std::make_unique<WayPoint>());
    EXPECT_NE(track.pointAt(0), nullptr);
    EXPECT_EQ(track.pointAt(1), nullptr);
    EXPECT_EQ(track.pointAt(-1), nullptr);
    Gpx gpx;
    EXPECT_EQ(gpx.trackAt(0), nullptr);
    EXPECT_EQ(gpx.trackAt(-1), nullptr);
}
