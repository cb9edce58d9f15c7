#include "imaging/jpeg/jpeg_damage.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace imaging {

namespace {

// A jump must be this many times the median jump of the picture's rows, and
// at least kLeastJump levels (Y, Cb and Cr together): smooth pictures have
// tiny median jumps.
constexpr float kTimesMedian = 6.0f;
constexpr float kLeastJump = 12.0f;

float Jump(const RowMeans& a, const RowMeans& b) {
    return std::fabs(a.y - b.y) + std::fabs(a.cb - b.cb) + std::fabs(a.cr - b.cr);
}

}  // namespace

std::optional<size_t> FindColourJump(std::span<const RowMeans> means, size_t first, size_t last) {
    first = std::max<size_t>(first, 1);
    last = std::min(last, means.size());
    if (first >= last) return std::nullopt;
    std::vector<float> jumps;
    jumps.reserve(means.size());
    for (size_t row = 1; row < means.size(); ++row) jumps.push_back(Jump(means[row - 1], means[row]));
    std::vector<float> sorted = jumps;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const float threshold = std::max(kLeastJump, kTimesMedian * sorted[sorted.size() / 2]);
    size_t best = 0;
    float bestJump = 0;
    for (size_t row = first; row < last; ++row) {
        if (jumps[row - 1] > bestJump) bestJump = jumps[row - 1], best = row;
    }
    if (bestJump < threshold) return std::nullopt;
    return best;
}

}  // namespace imaging
