#include "map/MapTags.h"

#include "map/OsmText.h"

#include <algorithm>

namespace trakmoor {

namespace {

struct TableLookup {
    const TagTable& tags;
    std::string_view operator()(std::string_view key) const {
        // Heterogeneous lookup needs a transparent hash; one short key copy is cheaper to read.
        const auto it = tags.find(std::string(key));
        return it == tags.end() ? std::string_view() : std::string_view(it->second);
    }
};

} // namespace

std::string TagValue(const TagTable& tags, std::string_view key) {
    return std::string(TableLookup{tags}(key));
}

FeatureClass ClassifyTags(const TagTable& tags) {
    return detail::classifyWith(TableLookup{tags});
}

void FillFeatureAttributes(MapFeature& feature, const TagTable& tags) {
    detail::fillAttributesWith(feature, TableLookup{tags});
}

std::int32_t detail::parseLayer(std::string_view text, std::int32_t fallback) {
    // Any magnitude past the clamp range clamps the same way, however long the digits run.
    const LeadingInteger layer = scanLeadingInteger(text, 1000);
    if (!layer.hasDigits) {
        return fallback;
    }
    const auto magnitude = static_cast<std::int64_t>(layer.magnitude);
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(layer.negative ? -magnitude : magnitude, -10, 10));
}

} // namespace trakmoor
