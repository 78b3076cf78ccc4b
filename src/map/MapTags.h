#ifndef TRAKMOOR_MAP_MAPTAGS_H
#define TRAKMOOR_MAP_MAPTAGS_H

// Turning OSM tags into a feature class and the few attributes the painters use.

#include "map/MapFeature.h"

#include <string>
#include <string_view>
#include <unordered_map>

namespace trakmoor {

// A repeated key overwrites the earlier value.
using TagTable = std::unordered_map<std::string, std::string>;

// An absent key and an empty value are the same thing to every rule below.
std::string TagValue(const TagTable& tags, std::string_view key);

FeatureClass ClassifyTags(const TagTable& tags);

// Sets class, name, boundary, bridge, tunnel and layer; geometry and `closed` stay untouched.
void FillFeatureAttributes(MapFeature& feature, const TagTable& tags);

namespace detail {

// The rules written once over any tag lookup `value(key) -> std::string_view`, so the reader can
// use its own compact tag storage and still agree with the public functions.
template <class Lookup> FeatureClass classifyWith(const Lookup& value) {
    using enum FeatureClass;
    const std::string_view highway = value("highway");
    if (highway == "motorway" || highway == "motorway_link" || highway == "trunk" ||
        highway == "trunk_link") {
        return MotorwayTrunk;
    }
    if (highway == "primary" || highway == "primary_link") {
        return Primary;
    }
    if (highway == "secondary" || highway == "secondary_link" || highway == "tertiary" ||
        highway == "tertiary_link") {
        return SecondaryTertiary;
    }
    if (highway == "residential" || highway == "living_street" || highway == "unclassified") {
        return LocalRoad;
    }
    if (highway == "service") {
        return ServiceRoad;
    }
    if (!highway.empty()) {
        return Path;
    }
    if (!value("railway").empty()) {
        return Railway;
    }
    if (!value("waterway").empty()) {
        return Waterway;
    }
    const std::string_view natural = value("natural");
    const std::string_view landuse = value("landuse");
    if (natural == "water" || natural == "bay" || landuse == "reservoir" || landuse == "basin") {
        return Water;
    }
    if (!value("building").empty()) {
        return Building;
    }
    if (value("amenity") == "parking") {
        return Parking;
    }
    if (landuse == "forest" || landuse == "orchard" || landuse == "vineyard" || natural == "wood") {
        return Forest;
    }
    const std::string_view leisure = value("leisure");
    if (landuse == "grass" || landuse == "meadow" || natural == "grassland" || leisure == "park" ||
        leisure == "garden" || leisure == "recreation_ground") {
        return GrassPark;
    }
    if (landuse == "residential") {
        return Residential;
    }
    if (landuse == "industrial" || landuse == "commercial" || landuse == "retail" ||
        landuse == "construction") {
        return Industrial;
    }
    if (!value("boundary").empty()) {
        return Boundary;
    }
    return None;
}

// Base-10 integer prefix after optional blanks and a sign, clamped to -10..10; `fallback` when
// no digit was read.
std::int32_t parseLayer(std::string_view text, std::int32_t fallback);

template <class Lookup> void fillAttributesWith(MapFeature& feature, const Lookup& value) {
    feature.featureClass = classifyWith(value);
    std::string_view name = value("name:de");
    if (name.empty()) {
        name = value("name");
    }
    feature.name.assign(name);
    feature.boundary = !value("boundary").empty();
    const std::string_view bridge = value("bridge");
    feature.bridge = bridge == "yes" || bridge == "viaduct";
    feature.tunnel = value("tunnel") == "yes";
    const std::string_view layer = value("layer");
    if (!layer.empty()) {
        feature.layer = parseLayer(layer, feature.layer);
    }
}

} // namespace detail

} // namespace trakmoor

#endif
