#include "track/TrackStats.h"
#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace trakmoor;

namespace {

std::unique_ptr<WayPoint> point(double lat, double lon, double ele = 0, std::int32_t time = 0) {
    auto p = std::make_unique<WayPoint>();
    p->setLat(lat);
    p->setLon(lon);
    p->setEle(ele);
    p->setTime(time);
    return p;
}

struct Sample {
    double lat, lon, ele;
    std::int32_t time;
};

std::unique_ptr<Track> trackOf(std::initializer_list<Sample> samples) {
    auto track = std::make_unique<Track>();
    for (const Sample& s : samples)
        track->addPoint(point(s.lat, s.lon, s.ele, s.time));
    return track;
}

// The tolerances apply to the distance and to the speeds; zero asks for exact values.
struct Expected {
    int pointCount;
    double minEle, maxEle, minSpeed, maxSpeed, distance;
    std::int32_t duration;
    double averageSpeed;
    double distanceTolerance = 1e-9, tolerance = 1e-9;
};

void expectStats(const TrackStats& stats, const Expected& e) {
    EXPECT_EQ(stats.pointCount, e.pointCount);
    EXPECT_EQ(stats.minEle, e.minEle);
    EXPECT_EQ(stats.maxEle, e.maxEle);
    EXPECT_NEAR(stats.minSpeed, e.minSpeed, e.tolerance);
    EXPECT_NEAR(stats.maxSpeed, e.maxSpeed, e.tolerance);
    EXPECT_NEAR(stats.distance, e.distance, e.distanceTolerance);
    EXPECT_EQ(stats.duration, e.duration);
    EXPECT_NEAR(stats.averageSpeed, e.averageSpeed, e.tolerance);
}

} // namespace

TEST(DistanceMeters, FollowsTheHaversineOnTheMeanEarth) {
    EXPECT_NEAR(distanceMeters(*point(0, 0), *point(1, 0)), 111194.93, 0.01);
    EXPECT_NEAR(distanceMeters(*point(47, 9), *point(48, 9)), 111194.93, 0.01);
    // Antipodes: h reaches 1 without a domain error.
    EXPECT_NEAR(distanceMeters(*point(0, 0), *point(0, 180)), 20015086.8, 0.1);
    EXPECT_NEAR(distanceMeters(*point(90, 0), *point(-90, 0)), 20015086.8, 0.1);
    EXPECT_NEAR(distanceMeters(*point(47.5, 9.25), *point(-47.5, -170.75)), 20015086.8, 0.1);
    EXPECT_EQ(distanceMeters(*point(47.1, 9.5), *point(47.1, 9.5)), 0.0);
    EXPECT_EQ(distanceMeters(*point(47.1, 9.5), *point(46.2, 8.1)),
              distanceMeters(*point(46.2, 8.1), *point(47.1, 9.5)));
}

TEST(PointSpeed, UsesAFlatEarthAndAtLeastOneSecond) {
    // 10 m north in 0 s counts as 1 s: 36 km/h.
    const double tenMetres = 0.010 / 111.32;
    auto track =
        trackOf({{47, 9, 0, 100}, {47 + tenMetres, 9, 0, 100}, {47 + 2 * tenMetres, 9, 0, 90}});
    EXPECT_NEAR(pointSpeed(*track, 1), 36.0, 1e-9);
    EXPECT_NEAR(pointSpeed(*track, 2), 36.0, 1e-9); // backwards in time
    // East-west distances shrink with the cosine of the later point's latitude.
    auto east = trackOf({{60, 9, 0, 0}, {60, 9 + 1.0 / 111.32, 0, 3600}});
    EXPECT_NEAR(pointSpeed(*east, 1), 0.5, 1e-9);
}

TEST(TrackStats, OnePointTrack) {
    auto track = trackOf({{47, 9, 450, 1000}});
    const TrackStats stats = computeTrackStats(*track);
    EXPECT_EQ(stats.firstPoint, track->pointAt(0));
    EXPECT_EQ(stats.lastPoint, track->pointAt(0));
    expectStats(stats, {1, 450, 450, 0, 0, 0, 0, 0, 0, 0});
}

TEST(TrackStats, StepsWithoutPositiveTimeCountForDistanceOnly) {
    const double step = 100.0 / 111194.93; // about 100 m of latitude
    auto sameTime =
        trackOf({{47, 9, 400, 50}, {47 + step, 9, 410, 50}, {47 + 2 * step, 9, 390, 50}});
    expectStats(computeTrackStats(*sameTime), {3, 390, 410, 0, 0, 200, 0, 0, 0.01, 0});

    // 100 m in 10 s (36 km/h), 100 m in 0 s (skipped), 100 m in -5 s (skipped), 100 m in 20 s.
    auto mixed = trackOf({{47, 9, 0, 0},
                          {47 + step, 9, 0, 10},
                          {47 + 2 * step, 9, 0, 10},
                          {47 + 3 * step, 9, 0, 5},
                          {47 + 4 * step, 9, 0, 25}});
    expectStats(computeTrackStats(*mixed), {5, 0, 0, 18, 36, 400, 25, 400 * 3.6 / 25, 0.01, 0.001});
}

TEST(TrackStats, TimesRunningBackwardsGivePositiveDurationAndAverage) {
    const double step = 1000.0 / 111194.93;
    auto track = trackOf({{47, 9, 0, 3600}, {47 + step, 9, 0, 1800}, {47 + 2 * step, 9, 0, 0}});
    const TrackStats stats = computeTrackStats(*track);
    expectStats(stats, {3, 0, 0, 0, 0, 2000, 3600, 2.0, 0.01, 1e-3});
    EXPECT_EQ(stats.maxSpeed, 0.0);
}

TEST(TrackStats, NanElevationNeverBecomesABound) {
    auto track = trackOf({{47, 9, 500, 0}, {47, 9, std::nan(""), 1}, {47, 9, 520, 2}});
    const TrackStats stats = computeTrackStats(*track);
    EXPECT_EQ(stats.minEle, 500);
    EXPECT_EQ(stats.maxEle, 520);
}

TEST(TrackStats, ExtremeTimesDoNotOverflow) {
    // An unreadable time (-1) beside the last representable second.
    auto track = trackOf({{47, 9, 0, -1}, {47.001, 9, 0, INT32_MAX}});
    const TrackStats stats = computeTrackStats(*track);
    EXPECT_EQ(stats.duration, INT32_MAX);
    EXPECT_GT(stats.averageSpeed, 0.0);
    EXPECT_GT(stats.maxSpeed, 0.0);
}

TEST(SectionStats, IsSymmetricAndEmptyForOnePoint) {
    const double step = 100.0 / 111194.93;
    auto track = trackOf({{47, 9, 0, 0},
                          {47 + step, 9, 0, 10},
                          {47 + 2 * step, 9, 0, 20},
                          {47 + 2 * step, 9 + step, 0, 30},
                          {47 + step, 9 + step, 0, 40},
                          {47, 9 + step, 0, 60}});
    const SectionStats forward = computeSectionStats(*track, 2, 5);
    const SectionStats backward = computeSectionStats(*track, 5, 2);
    for (const SectionStats& s : {forward, backward}) {
        EXPECT_EQ(s.low, 2);
        EXPECT_EQ(s.high, 5);
        EXPECT_EQ(s.distance, forward.distance);
        EXPECT_EQ(s.direct, forward.direct);
        EXPECT_EQ(s.duration, 40);
        EXPECT_EQ(s.averageSpeed, forward.averageSpeed);
        EXPECT_EQ(s.pointCount, 4);
    }
    EXPECT_GT(forward.distance, forward.direct);

    const SectionStats single = computeSectionStats(*track, 3, 3);
    EXPECT_EQ(single.distance, 0.0);
    EXPECT_EQ(single.direct, 0.0);
    EXPECT_EQ(single.duration, 0);
    EXPECT_EQ(single.averageSpeed, 0.0);
    EXPECT_EQ(single.pointCount, 1);
}

// Expected values computed separately from the file text with the same formulas (haversine on
// 6371 km, km/h over positive time steps).
TEST(TrackStats, RealFiles) {
    auto empty = readGpxFile((test::gpxDataDir() / "gpxpy__track-with-empty-segment.gpx").string());
    ASSERT_TRUE(empty);
    expectStats(computeTrackStats(*empty->trackAt(0)),
                {9, 191.5999756, 191.5999756, 0.13093379900215818, 16.015865987041995,
                 85.85320872141509, 76, 4.066730939435452});

    // Times with fractional seconds.
    auto garmin = readGpxFile((test::gpxDataDir() / "gpsbabel__garminconnect.gpx").string());
    ASSERT_TRUE(garmin);
    const Track& track = *garmin->trackAt(0);
    expectStats(computeTrackStats(track),
                {68, 1531.199951171875, 1550.800048828125, 0.35922616202104246, 23.260328359666108,
                 1587.1991051818732, 298, 19.17421737803605, 1e-8});

    const SectionStats section = computeSectionStats(track, 10, 3);
    EXPECT_NEAR(section.distance, 51.18219303130322, 1e-9);
    EXPECT_NEAR(section.direct, 45.58546935985181, 1e-9);
    EXPECT_EQ(section.duration, 24);
    EXPECT_EQ(section.pointCount, 8);
}
