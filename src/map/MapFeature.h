#ifndef TRAKMOOR_MAP_MAPFEATURE_H
#define TRAKMOOR_MAP_MAPFEATURE_H

// The loaded background map: a flat list of features whose coordinates are already resolved, so
// the painters never need the OSM tables that produced them.

#include <cstdint>
#include <string>
#include <vector>

namespace trakmoor {

enum class FeatureClass : std::int32_t {
    None = 0,
    MotorwayTrunk = 1,
    Primary = 2,
    SecondaryTertiary = 3,
    LocalRoad = 4,
    ServiceRoad = 5,
    Path = 6,
    Railway = 7,
    Waterway = 8,
    Water = 9,
    Boundary = 10,
    Forest = 11,
    GrassPark = 12,
    Residential = 13,
    Industrial = 14,
    Parking = 15,
    Building = 16,
};

inline constexpr int featureClassCount = 17;

// Areas are filled; every other class is stroked as a line.
constexpr bool isAreaClass(FeatureClass featureClass) {
    return featureClass == FeatureClass::Water ||
           (featureClass >= FeatureClass::Forest && featureClass <= FeatureClass::Building);
}

// Degrees exactly as written in the file; no projection.
struct MapPoint {
    double lat = 0.0;
    double lon = 0.0;

    friend bool operator==(const MapPoint&, const MapPoint&) = default;
};

struct MapFeature {
    // The polyline of a way, or the first outer ring of a multipolygon.
    std::vector<MapPoint> points;
    // Further rings of a multipolygon: its other outer rings, then its inner rings.
    std::vector<std::vector<MapPoint>> rings;
    std::string name;
    FeatureClass featureClass = FeatureClass::None;
    bool closed = false;
    bool boundary = false;
    bool bridge = false;
    bool tunnel = false;
    // Always within -10..10.
    std::int32_t layer = 0;
};

} // namespace trakmoor

#endif
