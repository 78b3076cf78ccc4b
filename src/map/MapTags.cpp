#include "map/MapTags.h"

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

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

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
    std::size_t i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t firstDigit = i;
    std::int64_t magnitude = 0;
    // Saturating: any value past the clamp range clamps the same way, however long.
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min<std::int64_t>(magnitude * 10 + (text[i] - '0'), 1000);
    if (i == firstDigit)
        return fallback;
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(negative ? -magnitude : magnitude, -10, 10));
}

} // namespace trakmoor
