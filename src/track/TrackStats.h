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
};

struct SectionStats {
    std::int32_t low = 0;
    std::int32_t high = 0;
    double distance = 0.0;
    double direct = 0.0;
    std::int32_t duration = 0;
    double averageSpeed = 0.0;
    std::int32_t pointCount = 0;
};

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
