#pragma once
// Puts a photo stored in pieces back together. The engine carved it from its
// header through the clusters that followed; at the first cluster of
// something else the picture broke. From the last point the decoder is sure
// of before the break, the clusters after the first piece are tried, nearest
// first, up to a gap limit: a candidate must decode without fault, restart
// markers in order, through a whole row of MCUs, and go on from the picture
// above as smoothly as the photo's own rows do; the smoothest is taken, and
// the search goes on from its end for a further break, until the end marker
// follows the picture's last block. When in doubt, nothing is rebuilt. Pieces
// only ever come later on the device than the piece before them.
#include <atomic>
#include <cstdint>
#include <vector>

#include "imaging/rebuild/byte_source.h"
#include "imaging/rebuild/carver_report.h"
#include "imaging/rebuild/claimed_ranges.h"

namespace imaging::rebuild {

struct RebuildLimits {
    uint32_t gapClusters = 4096;   // candidates after a piece's end
    unsigned maxPieces = 4;
    // Cluster boundaries before the fault tried as the break: data of
    // something else can decode a while before it shows as a fault.
    unsigned breakClusters = 8;
    const std::atomic<bool>* cancel = nullptr;  // set to stop at once
};

enum class RebuildOutcome {
    Rebuilt,          // `runs` hold the whole photo
    Whole,            // the carved bytes already decode to the end marker
    NotCovered,       // not a JPEG this decoder reads (arithmetic, CMYK, too large...)
    Progressive,      // progressive coding: not tried
    Unreadable,       // the file's runs or block size cannot be used
    NoContinuation,   // no candidate went on cleanly and smoothly (overwritten, too far, before the first piece)
    TooManyPieces,
    Cancelled,
};

struct RebuildResult {
    RebuildOutcome outcome = RebuildOutcome::NotCovered;
    std::vector<ByteRun> runs;  // Rebuilt: the photo's bytes on the device, in order
    unsigned pieces = 0;        // Rebuilt: how many runs of clusters it came from
};

// `fileRuns`: the broken file's runs as the engine's report gives them;
// `blockSize`: the cluster size; `claimed`: bytes other found files hold.
RebuildResult RebuildPhoto(ByteSource& device, const std::vector<ByteRun>& fileRuns, uint32_t blockSize,
                           const ClaimedRanges& claimed, const RebuildLimits& limits = {});

}  // namespace imaging::rebuild
