// Feeds arbitrary bytes to the map file reader as the content of a file, seeded with .osm.pbf
// files: libosmium decodes what it can, and whatever it hands over must end in a complete
// feature list or an error text, with features the painters can draw.
#include "map/OsmReader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace trakmoor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The reader takes a path: an in-memory file keeps the disk out of the loop.
    static const int fd = memfd_create("map", 0);
    if (fd < 0 || ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
        std::abort();
    const OsmMapReadResult result = readOsmMapFile("/proc/self/fd/" + std::to_string(fd));
    if (result.outcome != OsmMapReadResult::Outcome::Loaded) {
        if (result.error.empty() || !result.features.empty())
            std::abort();
        return 0;
    }
    for (const MapFeature& feature : result.features) {
        const bool knownClass = feature.featureClass >= FeatureClass::MotorwayTrunk &&
                                feature.featureClass <= FeatureClass::Building;
        if (!knownClass || feature.points.size() < 2 || feature.layer < -10 || feature.layer > 10)
            std::abort();
        if (!feature.rings.empty() && feature.points.size() < 4)
            std::abort();
    }
    return 0;
}
