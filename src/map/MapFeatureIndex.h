#ifndef TRAKMOOR_MAP_MAPFEATUREINDEX_H
#define TRAKMOOR_MAP_MAPFEATUREINDEX_H

// A packed R-tree over the features' bounds in degrees, so that a picture of a small part of a
// large map looks only at the features that meet it. Packed (sort-tile-recursive, sixteen entries
// a node) because the map never changes once read: it is built in one sort, holds no pointers and
// no free space (16 bytes a feature and a fifteenth of that again for the inner levels), and unlike
// a grid it needs no cell size that suits both a town and a country.

#include "map/MapFeature.h"

#include <cstdint>
#include <span>
#include <vector>

namespace trakmoor {

struct GeoBox {
    double minLat = 0.0;
    double minLon = 0.0;
    double maxLat = 0.0;
    double maxLon = 0.0;
};

class MapFeatureIndex {
public:
    MapFeatureIndex() = default;
    explicit MapFeatureIndex(std::span<const MapFeature> features);

    // Appends to `out` the index of every feature whose bounds meet `box`, in no particular order.
    void query(const GeoBox& box, std::vector<std::uint32_t>& out) const;
    std::size_t size() const { return count_; }

private:
    // Single precision, widened outward, so a box never misses a feature it should meet.
    struct Box {
        float minLat, minLon, maxLat, maxLon;
    };
    static constexpr std::size_t fanout = 16;

    std::size_t count_ = 0;
    // Every level one after another, the leaves first; the root is the last box.
    std::vector<Box> boxes_;
    std::vector<std::size_t> levelStarts_;
    // For each leaf, the feature it stands for.
    std::vector<std::uint32_t> features_;
};

} // namespace trakmoor

#endif
