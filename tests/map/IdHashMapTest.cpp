#include "map/IdHashMap.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <unordered_map>

using namespace trakmoor;

TEST(IdHashMap, AgreesWithAStandardMapOnHostileIds) {
    // Dense runs, strides of powers of two (which defeat weak hashes) and the extremes of the
    // id range, including the one id the table uses to mark free slots.
    std::vector<std::int64_t> ids = {INT64_MIN, INT64_MAX};
    for (std::int64_t i = 0; i < 3000; ++i)
        ids.insert(ids.end(), {i, -i, i << 32, i * 1024});
    std::shuffle(ids.begin(), ids.end(), std::mt19937_64(5));

    IdHashMap<int> table;
    EXPECT_EQ(table.find(INT64_MIN), nullptr);
    std::unordered_map<std::int64_t, int> expected;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const auto [value, inserted] = table.tryEmplace(ids[i]);
        EXPECT_EQ(inserted, !expected.contains(ids[i]));
        *value = expected[ids[i]] = static_cast<int>(i);
    }
    EXPECT_EQ(table.size(), expected.size());
    for (const auto& [id, value] : expected) {
        ASSERT_NE(table.find(id), nullptr) << id;
        EXPECT_EQ(*table.find(id), value) << id;
    }
    for (const std::int64_t absent : {std::int64_t{3001}, (std::int64_t{1} << 33) + 5})
        EXPECT_EQ(table.find(absent), nullptr);
}
