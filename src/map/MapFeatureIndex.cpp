#include "map/MapFeatureIndex.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace trakmoor {

namespace {

float below(double value) {
    const float f = static_cast<float>(value);
    return static_cast<double>(f) > value
               ? std::nextafter(f, -std::numeric_limits<float>::infinity())
               : f;
}

float above(double value) {
    const float f = static_cast<float>(value);
    return static_cast<double>(f) < value
               ? std::nextafter(f, std::numeric_limits<float>::infinity())
               : f;
}

} // namespace

MapFeatureIndex::MapFeatureIndex(std::span<const MapFeature> features) : count_(features.size()) {
    if (count_ == 0) {
        return;
    }
    std::vector<Box> bounds(count_);
    for (std::size_t i = 0; i < count_; ++i) {
        double minLat = std::numeric_limits<double>::infinity();
        double minLon = minLat;
        double maxLat = -minLat;
        double maxLon = -minLat;
        auto extend = [&](const std::vector<MapPoint>& points) {
            for (const MapPoint& p : points) {
                minLat = std::min(minLat, p.lat);
                maxLat = std::max(maxLat, p.lat);
                minLon = std::min(minLon, p.lon);
                maxLon = std::max(maxLon, p.lon);
            }
        };
        extend(features[i].points);
        for (const auto& ring : features[i].rings) {
            extend(ring);
        }
        // Coordinates beyond any number a box can hold meet every query rather than none.
        if (!(minLat <= maxLat) || !(minLon <= maxLon) ||
            !std::isfinite(minLat + maxLat + minLon + maxLon)) {
            bounds[i] = {
                -std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity()};
        } else {
            bounds[i] = {below(minLat), below(minLon), above(maxLat), above(maxLon)};
        }
    }

    // Sort-tile-recursive: vertical slices by longitude, each sorted by latitude, so that the
    // sixteen entries of a node lie close together.
    features_.resize(count_);
    std::iota(features_.begin(), features_.end(), 0u);
    auto centerLon = [&](std::uint32_t i) { return bounds[i].minLon / 2 + bounds[i].maxLon / 2; };
    auto centerLat = [&](std::uint32_t i) { return bounds[i].minLat / 2 + bounds[i].maxLat / 2; };
    std::sort(features_.begin(), features_.end(),
              [&](std::uint32_t a, std::uint32_t b) { return centerLon(a) < centerLon(b); });
    const std::size_t leaves = (count_ + fanout - 1) / fanout;
    const auto slices = static_cast<std::size_t>(std::ceil(std::sqrt(static_cast<double>(leaves))));
    const std::size_t sliceSize = slices * fanout;
    for (std::size_t start = 0; start < count_; start += sliceSize) {
        const auto end =
            features_.begin() + static_cast<std::ptrdiff_t>(std::min(count_, start + sliceSize));
        std::sort(features_.begin() + static_cast<std::ptrdiff_t>(start), end,
                  [&](std::uint32_t a, std::uint32_t b) { return centerLat(a) < centerLat(b); });
    }

    boxes_.reserve(count_ + count_ / (fanout - 1) + 2);
    for (const std::uint32_t i : features_) {
        boxes_.push_back(bounds[i]);
    }
    levelStarts_.push_back(0);
    std::size_t levelStart = 0;
    std::size_t levelSize = count_;
    while (levelSize > 1) {
        const std::size_t next = boxes_.size();
        for (std::size_t first = 0; first < levelSize; first += fanout) {
            Box box = boxes_[levelStart + first];
            for (std::size_t i = first + 1; i < std::min(levelSize, first + fanout); ++i) {
                const Box& child = boxes_[levelStart + i];
                box.minLat = std::min(box.minLat, child.minLat);
                box.minLon = std::min(box.minLon, child.minLon);
                box.maxLat = std::max(box.maxLat, child.maxLat);
                box.maxLon = std::max(box.maxLon, child.maxLon);
            }
            boxes_.push_back(box);
        }
        levelStart = next;
        levelSize = boxes_.size() - next;
        levelStarts_.push_back(levelStart);
    }
}

void MapFeatureIndex::query(const GeoBox& geo, std::vector<std::uint32_t>& out) const {
    if (count_ == 0) {
        return;
    }
    const Box box{below(geo.minLat), below(geo.minLon), above(geo.maxLat), above(geo.maxLon)};
    auto meets = [&](const Box& b) {
        return b.minLat <= box.maxLat && b.maxLat >= box.minLat && b.minLon <= box.maxLon &&
               b.maxLon >= box.minLon;
    };
    // (level, position within it) of the nodes still to look into.
    std::vector<std::pair<std::size_t, std::size_t>> pending = {{levelStarts_.size() - 1, 0}};
    while (!pending.empty()) {
        const auto [level, position] = pending.back();
        pending.pop_back();
        if (!meets(boxes_[levelStarts_[level] + position])) {
            continue;
        }
        if (level == 0) {
            out.push_back(features_[position]);
            continue;
        }
        const std::size_t childLevelSize =
            (level - 1 == 0 ? count_ : levelStarts_[level] - levelStarts_[level - 1]);
        const std::size_t first = position * fanout;
        for (std::size_t child = first; child < std::min(childLevelSize, first + fanout); ++child) {
            pending.push_back({level - 1, child});
        }
    }
}

} // namespace trakmoor
