// libFuzzer target: the rebuild's search over any device bytes. The input is
// the device; the broken file is its first half, cut to clusters of 512 bytes
// to 4 KB (the input's last byte chooses), so that a JPEG seed gives a real
// first piece and the fuzzer the candidates after it. Besides what the
// sanitizers catch, a rebuilt photo whose runs leave the device, overlap or
// do not follow each other counts as a crash.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "imaging/rebuild/photo_rebuild.h"

using namespace imaging::rebuild;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const uint32_t cluster = 512u << (data[size - 1] % 4);
    const uint64_t carved = size / 2 / cluster * cluster;
    if (carved == 0) return 0;
    MemoryByteSource device(std::span<const uint8_t>(data, size));
    RebuildLimits limits;
    limits.gapClusters = 256;
    limits.breakClusters = 4;
    const RebuildResult result = RebuildPhoto(device, {{0, 0, carved}}, cluster, {}, limits);
    if (result.outcome == RebuildOutcome::Rebuilt) {
        uint64_t expected = 0, deviceEnd = 0;
        if (result.runs.empty() || result.pieces < 2 || result.pieces > limits.maxPieces) std::abort();
        for (const ByteRun& run : result.runs) {
            const bool sound = run.fileOffset == expected && run.length > 0 && run.deviceOffset >= deviceEnd &&
                               run.DeviceEnd() <= size;
            if (!sound) std::abort();
            expected += run.length;
            deviceEnd = run.DeviceEnd();
        }
    } else if (!result.runs.empty()) {
        std::abort();
    }
    return 0;
}
