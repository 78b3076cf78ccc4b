#ifndef TRAKMOOR_TRACK_TRACKSTATS_H
#define TRAKMOOR_TRACK_TRACKSTATS_H

// Distances, speeds and statistics of a track and of the section between two of its points.
// Distances in metres, times in seconds (differences of WayPoint::time), speeds in km/h.

#include "track/Gpx.h"

#include <cstdint>

namespace trakmoor {

struct TrackStats {
    const WayPoint* firstPoint = nullptr;
    const WayPoint* lastPoint = nullptr;
    // The first and last points with a readable time; null when fewer than two points have one,
    // and then duration and averageSpeed mean nothing.
    const WayPoint* firstTimedPoint = nullptr;
    const WayPoint* lastTimedPoint = nullptr;
    double minEle = 0.0;
    double maxEle = 0.0;
    // Over the steps with a positive time step; 0.0 when there is none (speedSeen false).
    bool speedSeen = false;
    double minSpeed = 0.0;
    double maxSpeed = 0.0;
    double distance = 0.0;
    // Between the first and last timed points, over the distance between them.
    std::int32_t duration = 0;
    double averageSpeed = 0.0;
    std::int32_t pointCount = 0;
    // Metres climbed and descended, without the noise of recorded elevations (climbElevation).
    double ascent = 0.0;
    double descent = 0.0;
    // Seconds of the steps at 1 km/h or faster whose two points have readable times, and the
    // speed over those steps; 0.0 when there is none.
    std::int32_t movingTime = 0;
    double movingAverageSpeed = 0.0;
};

struct SectionStats {
    std::int32_t low = 0;
    std::int32_t high = 0;
    // As in TrackStats, within the section.
    const WayPoint* firstTimedPoint = nullptr;
    const WayPoint* lastTimedPoint = nullptr;
    double distance = 0.0;
    double direct = 0.0;
    std::int32_t duration = 0;
    double averageSpeed = 0.0;
    std::int32_t pointCount = 0;
    // As in TrackStats, over the points from low to high.
    double ascent = 0.0;
    double descent = 0.0;
    std::int32_t movingTime = 0;
    double movingAverageSpeed = 0.0;
};

// A step counts as moving from this speed on, km/h; slower steps are stops and GPS drift.
inline constexpr double movingSpeedThreshold = 1.0;

// A reading this far above or below both its neighbours is a wild one, metres.
inline constexpr double climbSpikeLimit = 1.0;

// A change of direction counts once the elevation has moved this far from the last turning
// point, metres: past the flicker of a reading between two neighbouring 0.1 m values.
inline constexpr double climbHysteresis = 0.15;

struct Climb {
    double ascent = 0.0;
    double descent = 0.0;
};

// Total climb and descent of points low to high.  What makes a plain sum of every rise grow
// without end in real recordings are wild readings: a fix tens or hundreds of metres off, or a
// reading that jumps back and forth by a metre or more from one point to the next.  A reading
// that stands out from both its neighbours by more than climbSpikeLimit takes the middle of the
// three instead.  A receiver's height error otherwise wanders slowly and adds little, and every
// real rise, however small, is part of the climb, so what is left is summed, past a hysteresis
// of climbHysteresis against flicker.  Elevations that are not numbers are left out.
Climb climbElevation(const Track& track, std::int32_t low, std::int32_t high);

// Whether the statistics have a time span: two points with readable times.
template <typename Stats> bool hasTimeSpan(const Stats& stats) {
    return stats.firstTimedPoint != nullptr && stats.lastTimedPoint != nullptr;
}

// Great-circle distance on a sphere of radius 6371 km (haversine).
double distanceMeters(const WayPoint& a, const WayPoint& b);

// Flat-earth speed of the step from point i-1 to point i, for the graph; a step without a positive
// time difference counts as one second.  Requires 1 <= i < pointCount().
double pointSpeed(const Track& track, std::int32_t i);

// Average and maximum of a channel over the points low to high that have a reading.
struct ChannelStats {
    std::int32_t readings = 0;
    double average = 0.0;
    double maximum = 0.0;
};
ChannelStats computeChannelStats(const Track& track, Channel channel, std::int32_t low,
                                 std::int32_t high);

// Requires at least one point.
TrackStats computeTrackStats(const Track& track);

// Requires 0 <= a, b < pointCount(); the order of a and b does not matter.
SectionStats computeSectionStats(const Track& track, std::int32_t a, std::int32_t b);

} // namespace trakmoor

#endif
