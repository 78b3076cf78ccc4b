#include "track/TrackStats.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace trakmoor {

namespace {

constexpr double pi = 3.141592653589793;
constexpr double earthDiameterMeters = 12742000.0;
constexpr double kilometresPerDegree = 111.32;

// Differences of two 32-bit times can leave the 32-bit range (an unreadable time, -1, next to a
// late one), so they are taken in 64 bits.
std::int64_t timeDifference(const WayPoint& later, const WayPoint& earlier) {
    return static_cast<std::int64_t>(later.time()) - static_cast<std::int64_t>(earlier.time());
}

// Durations are 32-bit values; the rare difference beyond that range is clamped, not wrapped.
std::int32_t absoluteDuration(const WayPoint& last, const WayPoint& first) {
    const std::int64_t difference = std::llabs(timeDifference(last, first));
    return static_cast<std::int32_t>(std::min<std::int64_t>(difference, INT32_MAX));
}

double pathDistance(const Track& track, std::int32_t low, std::int32_t high) {
    double distance = 0.0;
    for (std::int32_t i = low + 1; i <= high; ++i)
        distance += distanceMeters(*track.pointAt(i), *track.pointAt(i - 1));
    return distance;
}

} // namespace

double distanceMeters(const WayPoint& a, const WayPoint& b) {
    const double phiA = a.lat() * pi / 180;
    const double phiB = b.lat() * pi / 180;
    const double deltaPhi = phiB - phiA;
    const double deltaLambda = (b.lon() - a.lon()) * pi / 180;
    const double sinPhi = std::sin(deltaPhi * 0.5);
    const double sinLambda = std::sin(deltaLambda * 0.5);
    double h = sinPhi * sinPhi + std::cos(phiA) * std::cos(phiB) * sinLambda * sinLambda;
    // Rounding can push h just outside [0, 1] for antipodal points.
    if (h < 0)
        h = 0;
    if (h > 1)
        h = 1;
    return std::asin(std::sqrt(h)) * earthDiameterMeters;
}

double pointSpeed(const Track& track, std::int32_t i) {
    const WayPoint& p = *track.pointAt(i - 1);
    const WayPoint& q = *track.pointAt(i);
    const double dy = (q.lat() - p.lat()) * kilometresPerDegree;
    const double dx = (q.lon() - p.lon()) * kilometresPerDegree * std::cos(q.lat() * pi / 180);
    const double d = std::sqrt(dx * dx + dy * dy);
    std::int64_t dt = timeDifference(q, p);
    if (dt <= 0)
        dt = 1;
    return d / (static_cast<double>(dt) / 3600.0);
}

TrackStats computeTrackStats(const Track& track) {
    TrackStats stats;
    const std::int32_t n = track.pointCount();
    stats.pointCount = n;
    if (n < 1)
        return stats;
    const WayPoint& first = *track.pointAt(0);
    const WayPoint& last = *track.pointAt(n - 1);
    stats.firstPoint = &first;
    stats.lastPoint = &last;
    stats.minEle = stats.maxEle = first.ele();

    bool speedSeen = false;
    for (std::int32_t i = 1; i < n; ++i) {
        const WayPoint& p = *track.pointAt(i - 1);
        const WayPoint& q = *track.pointAt(i);
        // Written so that a not-a-number elevation never replaces a bound.
        if (stats.minEle > q.ele())
            stats.minEle = q.ele();
        if (q.ele() > stats.maxEle)
            stats.maxEle = q.ele();
        const std::int64_t dt = timeDifference(q, p);
        if (dt <= 0)
            continue;
        const double v = distanceMeters(p, q) * 3.6 / static_cast<double>(dt);
        if (!speedSeen) {
            stats.minSpeed = stats.maxSpeed = v;
            speedSeen = true;
        } else {
            if (stats.minSpeed > v)
                stats.minSpeed = v;
            if (v > stats.maxSpeed)
                stats.maxSpeed = v;
        }
    }
    stats.distance = pathDistance(track, 0, n - 1);
    stats.duration = absoluteDuration(last, first);
    if (last.time() != first.time())
        stats.averageSpeed = stats.distance * 3.6 / stats.duration;
    return stats;
}

SectionStats computeSectionStats(const Track& track, std::int32_t a, std::int32_t b) {
    SectionStats stats;
    stats.low = std::min(a, b);
    stats.high = std::max(a, b);
    const WayPoint& low = *track.pointAt(stats.low);
    const WayPoint& high = *track.pointAt(stats.high);
    stats.distance = pathDistance(track, stats.low, stats.high);
    stats.direct = distanceMeters(high, low);
    stats.duration = absoluteDuration(high, low);
    if (high.time() != low.time())
        stats.averageSpeed = stats.distance * 3.6 / stats.duration;
    stats.pointCount = stats.high - stats.low + 1;
    return stats;
}

} // namespace trakmoor
