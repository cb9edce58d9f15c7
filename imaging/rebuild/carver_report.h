#pragma once
// The engine's report.xml (DFXML): the searched device's size, its block
// (cluster) size, and for every file it wrote the byte runs that file came
// from. Bytes nobody vouches for: a report cut short while the engine ran, or
// one naming runs past the device, overlapping runs or millions of them,
// gives what it can within fixed bounds and says what it left out.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace imaging::rebuild {

struct ByteRun {
    uint64_t fileOffset = 0;    // where the run's bytes go in the file
    uint64_t deviceOffset = 0;  // where they are on the searched device or image
    uint64_t length = 0;
    uint64_t DeviceEnd() const { return deviceOffset + length; }
};

struct FoundFile {
    std::string name;  // as the engine named it: f0065956.jpg, b0000100.jpg
    std::vector<ByteRun> runs;  // in file order
    // The runs follow each other from the file's start, lie within the
    // device and overlap nowhere: the file can be read back from them.
    bool readable = false;
};

struct CarverReport {
    uint64_t imageSize = 0;  // 0 when the report does not say
    uint32_t blockSize = 0;  // 0 when the report does not say, or says nonsense
    std::vector<FoundFile> files;
    bool complete = false;   // the report's end was read
    bool truncated = false;  // files or runs past the bounds were left out
};

struct ReportBounds {
    size_t maxFiles = 1'000'000;
    size_t maxRunsPerFile = 4096;  // a file of more is listed, not readable
    size_t maxRuns = 2'000'000;    // of all files together
};

CarverReport ReadCarverReport(std::string_view xml, const ReportBounds& bounds = {});

// The `blocksize=N` the engine's log gives for the pass that saved files
// (its last); 0 when there is none.
uint32_t ReadLogBlockSize(std::string_view log);

// A block size the rebuild can trust: a power of two from 512 bytes to 1 MB.
bool PlausibleBlockSize(uint64_t size);

}  // namespace imaging::rebuild
