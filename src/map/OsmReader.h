#ifndef TRAKMOOR_MAP_OSMREADER_H
#define TRAKMOOR_MAP_OSMREADER_H

// Reads an OSM XML file (one element per line, as the OSM tools write it) into map features with
// a line scanner: nodes, ways and multipolygon relations, no general XML parsing. A read either
// produces the complete feature list or fails with a reason; there is never a partial list.

#include "map/MapFeature.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

struct OsmMapReadResult {
    // NotOsm: the file's start holds no <osm> element (only from readCheckedOsmMap).
    enum class Outcome { Loaded, CannotOpen, Invalid, NotOsm };
    Outcome outcome = Outcome::Loaded;
    // Way features first (in file order), then multipolygon features (in file order).
    std::vector<MapFeature> features;
    // CannotOpen: the system's reason. Invalid: the error's text, e.g. "Invalid XML number: x".
    std::string error;
};

OsmMapReadResult readOsmMapFile(const std::string& path);
// A map file as the user names it: the reader takes any text line by line, so a file whose first
// 64 KiB hold no <osm> element (an empty file, a picture) is refused instead of read as an empty
// map.
OsmMapReadResult readCheckedOsmMap(const std::string& path);
// The same reader over text already in memory.
OsmMapReadResult readOsmMapText(std::string_view text);

// Joins open node-reference chains into closed rings: repeatedly takes the last segment and
// extends it at either end, in either direction, with the first remaining segment that touches
// it. Rings of fewer than 4 references and chains that never close are dropped; rings come out
// in the order in which they closed. Every segment needs at least 2 references.
std::vector<std::vector<std::int64_t>>
AssembleRings(std::span<const std::span<const std::int64_t>> segments);

} // namespace trakmoor

#endif
