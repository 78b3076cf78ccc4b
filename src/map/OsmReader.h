#ifndef TRAKMOOR_MAP_OSMREADER_H
#define TRAKMOOR_MAP_OSMREADER_H

// Reads a map file into features: OSM XML (plain, gzip or bzip2 compressed, decompressed while
// read) or .osm.pbf, told apart by their first bytes rather than their names. A read either
// produces the complete feature list or fails with a reason; there is never a partial list.

#include "map/MapFeature.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace trakmoor {

struct OsmMapReadResult {
    enum class Outcome { Loaded, CannotOpen, Invalid };
    Outcome outcome = Outcome::Loaded;
    // Way features first (in file order), then multipolygon features (in file order).
    std::vector<MapFeature> features;
    // CannotOpen: the system's reason. Invalid: the error's text, e.g. "Invalid XML number: x".
    std::string error;
};

enum class OsmMapKind { Unknown, Xml, Gzip, Bzip2, Pbf };
// The kind of map file whose first bytes (at least 15 where there are so many) are `head`.
OsmMapKind sniffOsmMapKind(std::string_view head);

// The endings of the map files the reader takes, for file dialogs.
const std::vector<std::string>& osmMapFileEndings();
// Whether a file is a map to read: by its name, or else by its first bytes (a PBF or compressed
// file, or XML with an <osm> element near its start), so a map named otherwise is still taken.
bool isOsmMapFile(const std::string& path);

// A file that yields no feature at all fails too.
OsmMapReadResult readOsmMapFile(const std::string& path);
// The same for a map file as the user names it, kept as the engine's one entry.
OsmMapReadResult readCheckedOsmMap(const std::string& path);
// The XML reader over text already in memory.
OsmMapReadResult readOsmMapText(std::string_view text);

// Joins open node-reference chains into closed rings: repeatedly takes the last segment and
// extends it at either end, in either direction, with the first remaining segment that touches
// it. Rings of fewer than 4 references and chains that never close are dropped; rings come out
// in the order in which they closed. Every segment needs at least 2 references.
std::vector<std::vector<std::int64_t>>
AssembleRings(std::span<const std::span<const std::int64_t>> segments);

} // namespace trakmoor

#endif
