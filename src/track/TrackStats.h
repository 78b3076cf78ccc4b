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
    double minEle = 0.0;
    double maxEle = 0.0;
    // Over the steps with a positive time step; 0.0 when there is none.
    double minSpeed = 0.0;
    double maxSpeed = 0.0;
    double distance = 0.0;
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

// A change of direction counts once the elevation has moved this far from the last turning
// point, metres.
inline constexpr double climbHysteresis = 2.0;

struct Climb {
    double ascent = 0.0;
    double descent = 0.0;
};

// Total climb and descent of points low to high.  Recorded elevations carry two kinds of noise
// that a plain sum of every rise would add up: single wild readings (a GPS fix hundreds of metres
// off), which a median of each elevation with its two neighbours removes, and a jitter of a metre
// or two around the true height, which a hysteresis ignores: a climb or descent only counts once
// it reaches climbHysteresis from the last turning point, and then counts in full.  Elevations
// that are not numbers are left out.
Climb climbElevation(const Track& track, std::int32_t low, std::int32_t high);

// Great-circle distance on a sphere of radius 6371 km (haversine).
double distanceMeters(const WayPoint& a, const WayPoint& b);

// Flat-earth speed of the step from point i-1 to point i, for the graph; a step without a positive
// time difference counts as one second.  Requires 1 <= i < pointCount().
double pointSpeed(const Track& track, std::int32_t i);

// Requires at least one point.
TrackStats computeTrackStats(const Track& track);

// Requires 0 <= a, b < pointCount(); the order of a and b does not matter.
SectionStats computeSectionStats(const Track& track, std::int32_t a, std::int32_t b);

} // namespace trakmoor

#endif
