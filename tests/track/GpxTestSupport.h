#ifndef TRAKMOOR_TESTS_TRACK_GPXTESTSUPPORT_H
#define TRAKMOOR_TESTS_TRACK_GPXTESTSUPPORT_H

#include "track/Gpx.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace trakmoor::test {

inline std::filesystem::path gpxDataDir() {
    return std::filesystem::path(TRAKMOOR_TEST_DATA) / "gpx";
}

inline std::string readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Field by field, so that a failure names what differs.
inline void expectSameDocument(const Gpx& a, const Gpx& b) {
    EXPECT_EQ(a.creator(), b.creator());
    EXPECT_EQ(a.version(), b.version());
    EXPECT_EQ(a.minLat(), b.minLat());
    EXPECT_EQ(a.minLon(), b.minLon());
    EXPECT_EQ(a.maxLat(), b.maxLat());
    EXPECT_EQ(a.maxLon(), b.maxLon());
    ASSERT_EQ(a.trackCount(), b.trackCount());
    for (int t = 0; t < a.trackCount(); ++t) {
        const Track& ta = *a.trackAt(t);
        const Track& tb = *b.trackAt(t);
        EXPECT_EQ(ta.name(), tb.name()) << "track " << t;
        EXPECT_EQ(ta.number(), tb.number()) << "track " << t;
        ASSERT_EQ(ta.pointCount(), tb.pointCount()) << "track " << t;
        for (int i = 0; i < ta.pointCount(); ++i) {
            const WayPoint& pa = *ta.pointAt(i);
            const WayPoint& pb = *tb.pointAt(i);
            SCOPED_TRACE("track " + std::to_string(t) + " point " + std::to_string(i));
            EXPECT_EQ(pa.lat(), pb.lat());
            EXPECT_EQ(pa.lon(), pb.lon());
            EXPECT_EQ(pa.ele(), pb.ele());
            EXPECT_EQ(pa.time(), pb.time());
            EXPECT_EQ(pa.timeText(), pb.timeText());
            EXPECT_EQ(pa.name(), pb.name());
            EXPECT_EQ(pa.cmt(), pb.cmt());
            EXPECT_EQ(pa.desc(), pb.desc());
        }
    }
}

} // namespace trakmoor::test

#endif
