#pragma once
// How smoothly a picture goes on across a seam, at 1/8 scale: the DC sample
// of each block against the block above it. Data from elsewhere decodes to
// blocks whose DC goes on from the wrong predictions, so the rows below the
// seam step away from the rows above by an amount the picture's own rows do
// not show. The photo's own rows just above the seam are the yardstick: a
// detailed part of a photo differs from row to row far more than a sky.
#include <cstdint>

#include "imaging/rebuild/scan_checkpoint.h"

namespace imaging::rebuild {

// The mean difference, over every component's blocks, between the top block
// row of each of `count` MCUs from `firstMcu` on and the block row above it.
// MCUs of the picture's first row (nothing above) count for nothing; 0 when
// none is left.
double SeamDifference(const DcGrid& grid, const ScanLayout& layout, uint64_t firstMcu, uint64_t count);

class SeamJudge {
public:
    // A seam's difference over the yardstick; past this a continuation is
    // not taken. Measured on intact camera photos and wallpapers.
    static constexpr double kLargestRatio = 3.0;
    // A yardstick never smaller than this: a flat picture's rows differ by
    // next to nothing.
    static constexpr double kLeastYardstick = 1.0;

    // The yardstick for the seam of `count` MCUs from `seamMcu` on: the same
    // difference one and two rows of MCUs higher, all decoded before the seam.
    SeamJudge(const DcGrid& grid, const ScanLayout& layout, uint64_t seamMcu, uint64_t count);
    double Yardstick() const { return m_yardstick; }
    double Ratio(double difference) const { return difference / m_yardstick; }
    bool Smooth(double difference) const { return Ratio(difference) <= kLargestRatio; }

private:
    double m_yardstick = kLeastYardstick;
};

}  // namespace imaging::rebuild
