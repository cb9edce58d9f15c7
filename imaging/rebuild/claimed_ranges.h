#pragma once
// The device bytes that files the engine found whole hold: no piece of a
// broken photo lies there. Broken files (the engine's `b` names) claim
// nothing: the engine carved them on past their own break, over clusters
// that may be the very piece being looked for.
#include <cstdint>
#include <vector>

#include "imaging/rebuild/carver_report.h"

namespace imaging::rebuild {

class ClaimedRanges {
public:
    ClaimedRanges() = default;
    // Every run of the report's intact files (names starting with `f`).
    explicit ClaimedRanges(const CarverReport& report);

    void Add(uint64_t offset, uint64_t length);
    // Whether any of the bytes [offset, offset + length) is claimed.
    bool Claims(uint64_t offset, uint64_t length) const;
    // The first unclaimed offset at or after `offset`.
    uint64_t NextFree(uint64_t offset) const;
    size_t RangeCount() const { Merge(); return m_ranges.size(); }

private:
    struct Range {
        uint64_t begin, end;
    };
    void Merge() const;

    // Sorted and merged when first asked after an Add: build on one thread,
    // then ask from any.
    mutable std::vector<Range> m_ranges;
    mutable bool m_merged = true;
};

}  // namespace imaging::rebuild
