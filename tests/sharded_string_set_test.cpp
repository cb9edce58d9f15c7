// The set of listed paths that a whole disk's listing fills on the window's
// thread: it holds what one set would hold, and spreads the engine's names
// over its shards so that none grows far past the others.
#include <gtest/gtest.h>

#include <string>
#include <unordered_set>

#include "workflow/scan/sharded_string_set.h"

namespace {

TEST(ShardedStringSet, HoldsWhatOneSetHoldsAndSpreadsTheEnginesNamesOverItsShards) {
    workflow::ShardedStringSet sharded;
    std::unordered_set<std::string> plain;
    const auto path = [](int i) {
        return "C:\\data\\temp." + std::to_string(i / 500 + 1) + "\\f" + std::to_string(1000000 + i * 8) + ".jpg";
    };
    constexpr int kPaths = 100000;
    for (int i = 0; i < kPaths; ++i) {
        EXPECT_EQ(sharded.insert(path(i)), plain.insert(path(i)).second);
        if (i % 7 == 3) EXPECT_EQ(sharded.insert(path(i / 2)), plain.insert(path(i / 2)).second);
        if (i % 5 == 0) EXPECT_EQ(sharded.erase(path(i / 3)), plain.erase(path(i / 3)));
    }
    ASSERT_EQ(sharded.size(), plain.size());
    for (int i = 0; i < kPaths + 100; ++i) ASSERT_EQ(sharded.count(path(i)), plain.count(path(i))) << path(i);
    const size_t even = plain.size() / workflow::ShardedStringSet::kShards;
    EXPECT_LT(sharded.LargestShard(), even * 3 / 2) << "of " << plain.size();
    sharded.clear();
    EXPECT_EQ(sharded.size(), 0u);
    EXPECT_EQ(sharded.count(path(1)), 0u);
}

}  // namespace
