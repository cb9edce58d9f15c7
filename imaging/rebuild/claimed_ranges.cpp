#include "imaging/rebuild/claimed_ranges.h"

#include <algorithm>

namespace imaging::rebuild {

ClaimedRanges::ClaimedRanges(const CarverReport& report) {
    for (const FoundFile& file : report.files) {
        if (file.name.empty() || file.name[0] != 'f') continue;
        for (const ByteRun& run : file.runs) Add(run.deviceOffset, run.length);
    }
}

void ClaimedRanges::Add(uint64_t offset, uint64_t length) {
    if (length == 0) return;
    const uint64_t end = offset > UINT64_MAX - length ? UINT64_MAX : offset + length;
    m_ranges.push_back({offset, end});
    m_merged = false;
}

void ClaimedRanges::Merge() const {
    if (m_merged) return;
    std::sort(m_ranges.begin(), m_ranges.end(), [](const Range& a, const Range& b) { return a.begin < b.begin; });
    std::vector<Range> merged;
    for (const Range& range : m_ranges) {
        if (!merged.empty() && range.begin <= merged.back().end) merged.back().end = std::max(merged.back().end, range.end);
        else merged.push_back(range);
    }
    m_ranges.swap(merged);
    m_merged = true;
}

bool ClaimedRanges::Claims(uint64_t offset, uint64_t length) const {
    Merge();
    if (length == 0) return false;
    const uint64_t end = offset > UINT64_MAX - length ? UINT64_MAX : offset + length;
    // The first range ending after `offset` is the only one that can overlap first.
    const auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), offset,
                                     [](uint64_t value, const Range& range) { return value < range.end; });
    return it != m_ranges.end() && it->begin < end;
}

uint64_t ClaimedRanges::NextFree(uint64_t offset) const {
    Merge();
    const auto it = std::upper_bound(m_ranges.begin(), m_ranges.end(), offset,
                                     [](uint64_t value, const Range& range) { return value < range.end; });
    return it != m_ranges.end() && it->begin <= offset ? it->end : offset;
}

}  // namespace imaging::rebuild
