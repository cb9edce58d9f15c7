#pragma once
// A set of strings split by hash into many small sets, each growing on its
// own: a single set of hundreds of thousands of paths rebuilds all of its
// buckets in one go each time it outgrows them, which stops the thread that
// inserts for as long (a window's thread, here); a shard rebuilds a 64th of
// that. Plain values only; one thread at a time.
#include <algorithm>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_set>

namespace workflow {

class ShardedStringSet {
public:
    static constexpr size_t kShards = 64;

    bool insert(const std::string& value) { return ShardOf(value).insert(value).second; }
    size_t erase(const std::string& value) { return ShardOf(value).erase(value); }
    size_t count(const std::string& value) const { return ShardOf(value).count(value); }
    void clear() {
        for (auto& shard : m_shards) std::unordered_set<std::string>().swap(shard);
    }
    size_t size() const {
        size_t total = 0;
        for (const auto& shard : m_shards) total += shard.size();
        return total;
    }
    // The largest shard, for a check that the values spread.
    size_t LargestShard() const {
        size_t largest = 0;
        for (const auto& shard : m_shards) largest = std::max(largest, shard.size());
        return largest;
    }

private:
    // The shard takes the hash's high bits; the shard's own buckets use the
    // low ones, so the two choices do not depend on each other.
    static size_t IndexOf(const std::string& value) {
        const size_t hash = std::hash<std::string>{}(value);
        return (hash >> (sizeof(size_t) * 8 - 6)) % kShards;
    }
    std::unordered_set<std::string>& ShardOf(const std::string& value) { return m_shards[IndexOf(value)]; }
    const std::unordered_set<std::string>& ShardOf(const std::string& value) const {
        return m_shards[IndexOf(value)];
    }

    std::array<std::unordered_set<std::string>, kShards> m_shards;
};

}  // namespace workflow
