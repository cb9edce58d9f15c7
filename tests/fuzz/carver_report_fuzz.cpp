// libFuzzer target: the engine's report and log on any bytes. A file called
// readable whose runs do not follow each other within the device, or a
// report beyond its bounds, counts as a crash.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "imaging/rebuild/carver_report.h"
#include "imaging/rebuild/claimed_ranges.h"

using namespace imaging::rebuild;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ReportBounds bounds;
    bounds.maxFiles = 50;
    bounds.maxRunsPerFile = 20;
    bounds.maxRuns = 200;
    const CarverReport report = ReadCarverReport(text, bounds);
    size_t runs = 0;
    for (const FoundFile& file : report.files) {
        runs += file.runs.size();
        if (file.runs.size() > bounds.maxRunsPerFile || file.name.size() > 260) std::abort();
        if (!file.readable) continue;
        uint64_t expected = 0;
        for (const ByteRun& run : file.runs) {
            if (run.fileOffset != expected || run.length == 0) std::abort();
            if (report.imageSize != 0 && run.DeviceEnd() > report.imageSize) std::abort();
            expected += run.length;
        }
    }
    if (report.files.size() > bounds.maxFiles || runs > bounds.maxRuns) std::abort();
    if (report.blockSize != 0 && !PlausibleBlockSize(report.blockSize)) std::abort();
    const ClaimedRanges claimed(report);
    for (const FoundFile& file : report.files)
        for (const ByteRun& run : file.runs)
            if (!file.name.empty() && file.name[0] == 'f' && run.length > 0 && !claimed.Claims(run.deviceOffset, run.length)) std::abort();
    const uint32_t logBlock = ReadLogBlockSize(text);
    if (logBlock != 0 && !PlausibleBlockSize(logBlock)) std::abort();
    return 0;
}
