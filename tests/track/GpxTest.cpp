#include "track/Gpx.h"

#include <gtest/gtest.h>

using namespace trakmoor;

TEST(Track, NameIsStoredTrimmed) {
    Track track;
    track.setName("  Morning ride\n");
    EXPECT_EQ(track.name(), "Morning ride");
    track.setName(" \t\v\f\r\n ");
    EXPECT_EQ(track.name(), "");
    track.setName("a  b");
    EXPECT_EQ(track.name(), "a  b");
}

TEST(Track, NumberTextAcceptsOnlyWholeDecimalIntegers) {
    struct Case {
        const char* text;
        std::int32_t expected;
    };
    const Case cases[] = {
        {" 9 ", 9},         {"+9", 9},
        {"-12", -12},       {"9a", 0},
        {"0x10", 0},        {"", 0},
        {"   ", 0},         {"2147483647", 2147483647},
        {"2147483648", 0},  {"-2147483648", INT32_MIN},
        {"-2147483649", 0}, {"+-3", 0},
        {"+", 0},           {"1 2", 0},
        {"9.0", 0},
    };
    for (const Case& c : cases) {
        Track track;
        track.setNumberText("7");
        track.setNumberText(c.text);
        EXPECT_EQ(track.number(), c.expected) << '"' << c.text << '"';
    }
}

TEST(Track, LookupsOutOfRangeGiveNull) {
    Track track;
    EXPECT_EQ(track.pointAt(0), nullptr);
    track.addPoint(std::make_unique<WayPoint>());
    EXPECT_NE(track.pointAt(0), nullptr);
    EXPECT_EQ(track.pointAt(1), nullptr);
    EXPECT_EQ(track.pointAt(-1), nullptr);

    Gpx gpx;
    gpx.addTrack(std::make_unique<Track>());
    EXPECT_NE(gpx.trackAt(0), nullptr);
    EXPECT_EQ(gpx.trackAt(gpx.trackCount()), nullptr);
    EXPECT_EQ(gpx.trackAt(-1), nullptr);
}
