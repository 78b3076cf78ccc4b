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

// What the steps from point low to high add up to, worked out in one pass: every sum runs in
// the order of the steps, and each step's distance is computed once.
struct StepTotals {
    double distance = 0.0;
    // Over the steps with a positive duration; unset when there is none.
    bool speedSeen = false;
    double minSpeed = 0.0;
    double maxSpeed = 0.0;
    // Moving time and the speed over it.
    std::int32_t movingTime = 0;
    double movingAverageSpeed = 0.0;
};

StepTotals walkSteps(const Track& track, std::int32_t low, std::int32_t high) {
    StepTotals totals;
    std::int64_t movingSeconds = 0;
    double movingMetres = 0.0;
    for (std::int32_t i = low + 1; i <= high; ++i) {
        const WayPoint& p = *track.pointAt(i - 1);
        const WayPoint& q = *track.pointAt(i);
        const double distance = distanceMeters(p, q);
        totals.distance += distance;
        const std::int64_t dt = timeDifference(q, p);
        if (dt <= 0) {
            continue;
        }
        const double v = distance * 3.6 / static_cast<double>(dt);
        if (!totals.speedSeen) {
            totals.minSpeed = totals.maxSpeed = v;
            totals.speedSeen = true;
        } else {
            if (totals.minSpeed > v) {
                totals.minSpeed = v;
            }
            if (v > totals.maxSpeed) {
                totals.maxSpeed = v;
            }
        }
        // 0 is no time and -1 an unreadable one: such a step has no duration to count.
        if (p.time() <= 0 || q.time() <= 0 || v < movingSpeedThreshold) {
            continue;
        }
        movingSeconds += dt;
        movingMetres += distance;
    }
    totals.movingTime = static_cast<std::int32_t>(std::min<std::int64_t>(movingSeconds, INT32_MAX));
    if (movingSeconds > 0) {
        totals.movingAverageSpeed = movingMetres * 3.6 / static_cast<double>(movingSeconds);
    }
    return totals;
}

// Feeds elevations through the hysteresis: the reference is the last turning point, or the
// highest (lowest) point of the climb (descent) under way.
class ClimbCounter {
public:
    void add(double elevation) {
        if (!started_) {
            reference_ = elevation;
            started_ = true;
            return;
        }
        const double change = elevation - reference_;
        if (change > 0 && (direction_ > 0 || change >= climbHysteresis)) {
            climb_.ascent += change;
            reference_ = elevation;
            direction_ = 1;
        } else if (change < 0 && (direction_ < 0 || -change >= climbHysteresis)) {
            climb_.descent -= change;
            reference_ = elevation;
            direction_ = -1;
        }
    }
    Climb result() const { return climb_; }

private:
    bool started_ = false;
    double reference_ = 0.0;
    int direction_ = 0;
    Climb climb_;
};

double median(double a, double b, double c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

bool standsOut(double before, double elevation, double after) {
    return (elevation - before > climbSpikeLimit && elevation - after > climbSpikeLimit) ||
           (before - elevation > climbSpikeLimit && after - elevation > climbSpikeLimit);
}

} // namespace

Climb climbElevation(const Track& track, std::int32_t low, std::int32_t high) {
    ClimbCounter counter;
    // The elevation fed last (after filtering) and the one waiting for its next neighbour.  The
    // filtered value is the left neighbour, so that a zigzag of readings is flattened whole
    // rather than shifted by one point.
    double fed = 0.0, pending = 0.0;
    int seen = 0;
    for (std::int32_t i = low; i <= high; ++i) {
        const double next = track.pointAt(i)->ele();
        if (!std::isfinite(next)) {
            continue;
        }
        if (seen == 1) {
            fed = pending;
            counter.add(fed);
        } else if (seen >= 2) {
            fed = standsOut(fed, pending, next) ? median(fed, pending, next) : pending;
            counter.add(fed);
        }
        pending = next;
        ++seen;
    }
    if (seen >= 1) {
        counter.add(pending);
    }
    return counter.result();
}

namespace {

// 0 is no time and -1 an unreadable one.
bool hasTime(const WayPoint& point) {
    return point.time() > 0;
}

// Duration and average come from the first and last timed points of low to high: a point
// without a time at either end must not stretch the span to 1970.
template <typename Stats>
void addTimeSpan(Stats& stats, const Track& track, std::int32_t low, std::int32_t high) {
    std::int32_t first = low;
    while (first <= high && !hasTime(*track.pointAt(first))) {
        ++first;
    }
    std::int32_t last = high;
    while (last > first && !hasTime(*track.pointAt(last))) {
        --last;
    }
    if (first >= last) {
        return;
    }
    const WayPoint& start = *track.pointAt(first);
    const WayPoint& stop = *track.pointAt(last);
    stats.firstTimedPoint = &start;
    stats.lastTimedPoint = &stop;
    stats.duration = absoluteDuration(stop, start);
    if (stats.duration > 0) {
        const double metres =
            first == low && last == high ? stats.distance : walkSteps(track, first, last).distance;
        stats.averageSpeed = metres * 3.6 / stats.duration;
    }
}

template <typename Stats>
void addStepTotals(Stats& stats, const Track& track, std::int32_t low, std::int32_t high) {
    const StepTotals totals = walkSteps(track, low, high);
    stats.distance = totals.distance;
    stats.movingTime = totals.movingTime;
    stats.movingAverageSpeed = totals.movingAverageSpeed;
    const Climb climb = climbElevation(track, low, high);
    stats.ascent = climb.ascent;
    stats.descent = climb.descent;
    if constexpr (requires { stats.minSpeed; }) {
        stats.speedSeen = totals.speedSeen;
        stats.minSpeed = totals.minSpeed;
        stats.maxSpeed = totals.maxSpeed;
    }
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
    if (h < 0) {
        h = 0;
    }
    if (h > 1) {
        h = 1;
    }
    return std::asin(std::sqrt(h)) * earthDiameterMeters;
}

double pointSpeed(const Track& track, std::int32_t i) {
    const WayPoint& p = *track.pointAt(i - 1);
    const WayPoint& q = *track.pointAt(i);
    const double dy = (q.lat() - p.lat()) * kilometresPerDegree;
    const double dx = (q.lon() - p.lon()) * kilometresPerDegree * std::cos(q.lat() * pi / 180);
    const double d = std::sqrt(dx * dx + dy * dy);
    std::int64_t dt = timeDifference(q, p);
    if (dt <= 0) {
        dt = 1;
    }
    return d / (static_cast<double>(dt) / 3600.0);
}

TrackStats computeTrackStats(const Track& track) {
    TrackStats stats;
    const std::int32_t n = track.pointCount();
    stats.pointCount = n;
    if (n < 1) {
        return stats;
    }
    const WayPoint& first = *track.pointAt(0);
    const WayPoint& last = *track.pointAt(n - 1);
    stats.firstPoint = &first;
    stats.lastPoint = &last;
    stats.minEle = stats.maxEle = first.ele();

    for (std::int32_t i = 1; i < n; ++i) {
        const WayPoint& q = *track.pointAt(i);
        // Written so that a not-a-number elevation never replaces a bound.
        if (stats.minEle > q.ele()) {
            stats.minEle = q.ele();
        }
        if (q.ele() > stats.maxEle) {
            stats.maxEle = q.ele();
        }
    }
    addStepTotals(stats, track, 0, n - 1);
    addTimeSpan(stats, track, 0, n - 1);
    return stats;
}

SectionStats computeSectionStats(const Track& track, std::int32_t a, std::int32_t b) {
    SectionStats stats;
    stats.low = std::min(a, b);
    stats.high = std::max(a, b);
    const WayPoint& low = *track.pointAt(stats.low);
    const WayPoint& high = *track.pointAt(stats.high);
    addStepTotals(stats, track, stats.low, stats.high);
    stats.direct = distanceMeters(high, low);
    addTimeSpan(stats, track, stats.low, stats.high);
    stats.pointCount = stats.high - stats.low + 1;
    return stats;
}

ChannelStats computeChannelStats(const Track& track, Channel channel, std::int32_t low,
                                 std::int32_t high) {
    ChannelStats stats;
    if (!track.hasChannel(channel)) {
        return stats;
    }
    double sum = 0.0;
    for (std::int32_t i = std::max(low, 0); i <= high && i < track.pointCount(); ++i) {
        const double value = track.channelValue(channel, i);
        if (std::isnan(value)) {
            continue;
        }
        stats.maximum = stats.readings == 0 ? value : std::max(stats.maximum, value);
        sum += value;
        ++stats.readings;
    }
    if (stats.readings > 0) {
        stats.average = sum / stats.readings;
    }
    return stats;
}

} // namespace trakmoor
