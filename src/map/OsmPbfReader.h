#ifndef TRAKMOOR_MAP_OSMPBFREADER_H
#define TRAKMOOR_MAP_OSMPBFREADER_H

// Reads an .osm.pbf file through libosmium, which decodes its blocks on threads of its own, into
// the same feature builder as the XML reader.

#include "map/MapFeature.h"

#include <string>
#include <vector>

namespace trakmoor {

// Throws with libosmium's reason when the file is damaged or cut short.
std::vector<MapFeature> readOsmPbfFile(const std::string& path, std::size_t fileSize);

} // namespace trakmoor

#endif
