#pragma once
// Devices in memory holding a photo stored in pieces, laid out the way a
// file system that allocates first-fit leaves one: each piece on whole
// clusters, other data between them. For the rebuild's tests and its fuzzer.
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/rebuild/carver_report.h"

namespace testing_support {

enum class GapFill { Random, Zeros, Text, OtherPhoto };

struct PiecePlan {
    uint64_t clusters = 0;  // of the photo's bytes in this piece; the last piece takes the rest
    uint64_t gapBefore = 0;  // clusters of other data before the piece
};

struct FragmentedDevice {
    std::vector<uint8_t> bytes;
    // Where the photo's bytes lie, in order: what a rebuild must find.
    std::vector<imaging::rebuild::ByteRun> photoRuns;
    // What the engine would report for the broken file: the first piece
    // and the cluster after it, carved on into the gap.
    std::vector<imaging::rebuild::ByteRun> carvedRuns;
};

// The photo's pieces in the order given, with `lead` clusters of other data
// first and `tail` after. `other` fills gaps of OtherPhoto (its bytes from
// the start, cluster after cluster).
FragmentedDevice MakeFragmentedDevice(const std::vector<uint8_t>& photo, uint32_t clusterSize,
                                      const std::vector<PiecePlan>& pieces, GapFill fill,
                                      const std::vector<uint8_t>& other = {}, uint64_t lead = 2, uint64_t tail = 2,
                                      uint32_t seed = 1);

// The bytes the runs name on the device, one after another.
std::vector<uint8_t> ReadRuns(const std::vector<uint8_t>& device, const std::vector<imaging::rebuild::ByteRun>& runs);

}  // namespace testing_support
