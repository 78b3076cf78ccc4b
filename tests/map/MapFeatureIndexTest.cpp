#include "map/MapFeatureIndex.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

using namespace trakmoor;

// Random features and boxes, from points to the whole map: the index finds exactly the features
// whose bounds (rings included) meet the box, also on bounds that touch it.
TEST(MapFeatureIndex, FindsWhatABruteForceSearchFinds) {
    std::mt19937 random(5);
    std::uniform_real_distribution<double> coordinate(47.0, 47.1);
    for (const int count : {0, 1, 15, 16, 17, 300, 5000}) {
        std::vector<MapFeature> features(static_cast<std::size_t>(count));
        for (MapFeature& feature : features) {
            feature.points = {{coordinate(random), coordinate(random)}};
            if (random() % 4 == 0)
                feature.rings = {{{coordinate(random), coordinate(random)}}};
        }
        const MapFeatureIndex index(features);
        for (int round = 0; round < 50; ++round) {
            const double lat = coordinate(random), lon = coordinate(random);
            const double size = round % 5 == 0 ? 0.0 : coordinate(random) - 47.0;
            const GeoBox box{lat, lon, lat + size, lon + size / 2};
            std::vector<std::uint32_t> found;
            index.query(box, found);
            std::sort(found.begin(), found.end());
            std::vector<std::uint32_t> expected;
            for (std::uint32_t i = 0; i < features.size(); ++i) {
                std::vector<MapPoint> all = features[i].points;
                for (const auto& ring : features[i].rings)
                    all.insert(all.end(), ring.begin(), ring.end());
                const auto [minLat, maxLat] = std::minmax_element(
                    all.begin(), all.end(), [](auto& a, auto& b) { return a.lat < b.lat; });
                const auto [minLon, maxLon] = std::minmax_element(
                    all.begin(), all.end(), [](auto& a, auto& b) { return a.lon < b.lon; });
                if (minLat->lat <= box.maxLat && maxLat->lat >= box.minLat &&
                    minLon->lon <= box.maxLon && maxLon->lon >= box.minLon)
                    expected.push_back(i);
            }
            // Single-precision bounds may only widen, never lose a feature.
            ASSERT_TRUE(std::includes(found.begin(), found.end(), expected.begin(), expected.end()))
                << count << " features, round " << round;
            EXPECT_LE(found.size(), expected.size() + 2) << count << " features";
        }
    }
}
