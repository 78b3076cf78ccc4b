// Feeds arbitrary bytes to the OSM reader as the content of a map file. Every input must end in
// a complete feature list or an error text; features must satisfy what the painters rely on.
#include "map/OsmReader.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace trakmoor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const OsmMapReadResult result =
        readOsmMapText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (result.outcome == OsmMapReadResult::Outcome::Invalid) {
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
