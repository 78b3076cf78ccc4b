#include "track/TrackStats.h"
#include "track/GpxReader.h"

#include "GpxTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

using namespace trakmoor;

namespace {

struct Sample {
    double lat, lon, ele;
    std::int32_t time;
};

std::unique_ptr<Track> trackOf(std::initializer_list<Sample> samples) {
    auto track = std::make_unique<Track>();
    for (const Sample& s : samples) {
        auto p = std::make_unique<WayPoint>();
        p->setLat(s.lat);
        p->setLon(s.lon);
        p->setEle(s.ele);
        p->setTime(s.time);
        track->addPoint(std::move(p));
    }
    return track;
}

double distance(double latA, double lonA, double latB, double lonB) {
    auto track = trackOf({{latA, lonA, 0, 0}, {latB, lonB, 0, 0}});
    return distanceMeters(*track->pointAt(0), *track->pointAt(1));
}

// Rounded to a centimetre and to a thousandth of a km/h.
std::string summary(const TrackStats& s) {
    char text[200];
    std::snprintf(text, sizeof text,
                  "%d points, %g..%g m, %.3f..%.3f km/h, %.2f m in %d s, %.3f km/h", s.pointCount,
                  s.minEle, s.maxEle, s.minSpeed, s.maxSpeed, s.distance, s.duration,
                  s.averageSpeed);
    return text;
}

std::string summary(const SectionStats& s) {
    char text[200];
    std::snprintf(text, sizeof text, "%d..%d, %d points, %.2f m (direct %.2f m) in %d s, %.3f km/h",
                  s.low, s.high, s.pointCount, s.distance, s.direct, s.duration, s.averageSpeed);
    return text;
}

const double step100 = 100.0 / 111194.93; // about 100 m of latitude

} // namespace

TEST(TrackStats, StepDistanceIsAHaversineAndStepSpeedFlat) {
    EXPECT_NEAR(distance(47, 9, 48, 9), 111194.93, 0.01);
    // Antipodes: h reaches 1 without a domain error.
    EXPECT_NEAR(distance(90, 0, -90, 0), 20015086.8, 0.1);
    EXPECT_NEAR(distance(47.5, 9.25, -47.5, -170.75), 20015086.8, 0.1);
    EXPECT_EQ(distance(47.1, 9.5, 47.1, 9.5), 0.0);

    // 10 m north in 0 s, and 10 m backwards in time, count as 1 s: 36 km/h.
    const double tenMetres = 0.010 / 111.32;
    auto track =
        trackOf({{47, 9, 0, 100}, {47 + tenMetres, 9, 0, 100}, {47 + 2 * tenMetres, 9, 0, 90}});
    EXPECT_NEAR(pointSpeed(*track, 1), 36.0, 1e-9);
    EXPECT_NEAR(pointSpeed(*track, 2), 36.0, 1e-9);
    // East-west distances shrink with the cosine of the later point's latitude.
    auto east = trackOf({{60, 9, 0, 0}, {60, 9 + 1.0 / 111.32, 0, 3600}});
    EXPECT_NEAR(pointSpeed(*east, 1), 0.5, 1e-9);
}

TEST(TrackStats, EdgeCases) {
    auto one = trackOf({{47, 9, 450, 1000}});
    const TrackStats single = computeTrackStats(*one);
    EXPECT_EQ(single.firstPoint, one->pointAt(0));
    EXPECT_EQ(single.lastPoint, one->pointAt(0));
    EXPECT_EQ(summary(single),
              "1 points, 450..450 m, 0.000..0.000 km/h, 0.00 m in 0 s, 0.000 km/h");

    // Steps without a positive time count for the distance only: 100 m in 10 s (36 km/h), in 0 s,
    // in -5 s, then in 20 s. A NaN elevation never becomes a bound.  The first point has no time
    // (0): the span runs from the second, 300 m in 15 s.
    auto mixed = trackOf({{47, 9, 400, 0},
                          {47 + step100, 9, std::nan(""), 10},
                          {47 + 2 * step100, 9, 410, 10},
                          {47 + 3 * step100, 9, 390, 5},
                          {47 + 4 * step100, 9, 400, 25}});
    EXPECT_EQ(summary(computeTrackStats(*mixed)),
              "5 points, 390..410 m, 18.000..36.000 km/h, 400.00 m in 15 s, 72.000 km/h");

    // Times running backwards give a positive duration and average but no speeds.
    auto backwards = trackOf({{47, 9, 0, 3601}, {47 + 10 * step100, 9, 0, 1}});
    const TrackStats reversed = computeTrackStats(*backwards);
    EXPECT_EQ(summary(reversed),
              "2 points, 0..0 m, 0.000..0.000 km/h, 1000.00 m in 3600 s, 1.000 km/h");
    EXPECT_EQ(reversed.maxSpeed, 0.0);

    // An unreadable time (-1) beside the last representable second must not overflow, and gives
    // no time span.
    auto extreme = trackOf({{47, 9, 0, -1}, {47.001, 9, 0, INT32_MAX}});
    const TrackStats far = computeTrackStats(*extreme);
    EXPECT_FALSE(hasTimeSpan(far));
    EXPECT_EQ(far.duration, 0);
    EXPECT_GT(far.maxSpeed, 0.0);
}

TEST(SectionStats, IsSymmetricAndEmptyForOnePoint) {
    // North 200 m, then back 100 m.
    auto track = trackOf({{47, 9, 0, 1},
                          {47 + step100, 9, 0, 10},
                          {47 + 2 * step100, 9, 0, 30},
                          {47 + step100, 9, 0, 60}});
    for (const auto& [a, b] : {std::pair{0, 3}, std::pair{3, 0}})
        EXPECT_EQ(summary(computeSectionStats(*track, a, b)),
                  "0..3, 4 points, 300.00 m (direct 100.00 m) in 59 s, 18.305 km/h");
    EXPECT_EQ(summary(computeSectionStats(*track, 2, 2)),
              "2..2, 1 points, 0.00 m (direct 0.00 m) in 0 s, 0.000 km/h");
}

// Expected values computed separately from the file text with the same formulas (haversine on
// 6371 km, km/h over positive time steps).
TEST(TrackStats, RealFiles) {
    auto empty = readGpxFile((test::gpxDataDir() / "gpxpy__track-with-empty-segment.gpx").string());
    ASSERT_TRUE(empty);
    EXPECT_EQ(summary(computeTrackStats(*empty->trackAt(0))),
              "9 points, 191.6..191.6 m, 0.131..16.016 km/h, 85.85 m in 76 s, 4.067 km/h");

    // Times with fractional seconds.
    auto garmin = readGpxFile((test::gpxDataDir() / "gpsbabel__garminconnect.gpx").string());
    ASSERT_TRUE(garmin);
    const Track& track = *garmin->trackAt(0);
    EXPECT_EQ(summary(computeTrackStats(track)),
              "68 points, 1531.2..1550.8 m, 0.359..23.260 km/h, 1587.20 m in 298 s, 19.174 km/h");
    EXPECT_EQ(summary(computeSectionStats(track, 10, 3)),
              "3..10, 8 points, 51.18 m (direct 45.59 m) in 24 s, 7.677 km/h");
}

// Worked out by hand: a reading more than 1 m above or below both neighbours is flattened, then
// a 0.15 m hysteresis.
TEST(TrackStats, ClimbIgnoresWildReadingsAndFlicker) {
    auto climbOf = [](std::initializer_list<double> elevations) {
        auto track = std::make_unique<Track>();
        for (double ele : elevations) {
            track->addPoint(std::make_unique<WayPoint>());
            track->pointAt(track->pointCount() - 1)->setEle(ele);
        }
        const TrackStats stats = computeTrackStats(*track);
        const SectionStats section = computeSectionStats(*track, 0, track->pointCount() - 1);
        EXPECT_EQ(stats.ascent, section.ascent);
        EXPECT_EQ(stats.descent, section.descent);
        return std::pair(stats.ascent, stats.descent);
    };
    // A zigzag of 1.5 m would sum to 7.5 m each way, a reading 800 m off to 800 m each way.
    EXPECT_EQ(climbOf({100, 101.5, 100, 101.5, 100, 101.5, 100, 101.5, 100, 101.5, 100}),
              std::pair(0.0, 0.0));
    EXPECT_EQ(climbOf({100, 100, 900, 100, 100}), std::pair(0.0, 0.0));
    // A climb with a real 1 m dip counts in full, the skipped NaN reading and all:
    // 100 108, 108 107, 107 112, 112 105.
    EXPECT_EQ(climbOf({100, 104, 108, 107, std::nan(""), 111, 112, 110, 105}),
              std::pair(13.0, 8.0));
    // A flicker of 0.125 m does not count; the rise after it counts from its start.
    EXPECT_EQ(climbOf({100, 100.125, 100, 100.125, 100.25, 100.5}), std::pair(0.5, 0.0));
    EXPECT_EQ(climbOf({100}), std::pair(0.0, 0.0));
}

TEST(TrackStats, MovingTimeLeavesOutStopsAndUntimedSteps) {
    // 100 m steps of 10 s (36 km/h); a 20 s stop; a point with an unreadable time, whose two
    // steps do not count; one more 100 m step; 2 m in 10 s (0.72 km/h) is standing still.
    auto track = trackOf({{47, 9, 0, 1000},
                          {47 + step100, 9, 0, 1010},
                          {47 + 2 * step100, 9, 0, 1020},
                          {47 + 2 * step100, 9, 0, 1030},
                          {47 + 2 * step100, 9, 0, 1040},
                          {47 + 3 * step100, 9, 0, -1},
                          {47 + 4 * step100, 9, 0, 1060},
                          {47 + 5 * step100, 9, 0, 1070},
                          {47 + 5.02 * step100, 9, 0, 1080}});
    const TrackStats stats = computeTrackStats(*track);
    EXPECT_EQ(stats.duration, 80);
    EXPECT_EQ(stats.movingTime, 30);
    EXPECT_NEAR(stats.movingAverageSpeed, 36.0, 1e-4);
    const SectionStats stop = computeSectionStats(*track, 4, 2);
    EXPECT_EQ(stop.movingTime, 0);
    EXPECT_EQ(stop.movingAverageSpeed, 0.0);
    EXPECT_EQ(computeSectionStats(*track, 0, 3).movingTime, 20);
}
