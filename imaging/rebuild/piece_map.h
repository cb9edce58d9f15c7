#pragma once
// A file as runs of device bytes one after another: the logical file a
// decoder reads, whatever pieces it is being put together from.
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/rebuild/byte_source.h"
#include "imaging/rebuild/carver_report.h"

namespace imaging::rebuild {

class PieceMap {
public:
    PieceMap() = default;
    // False when the runs do not follow each other from offset 0.
    bool Assign(const std::vector<ByteRun>& runs);

    uint64_t Length() const { return m_runs.empty() ? 0 : m_runs.back().fileOffset + m_runs.back().length; }
    const std::vector<ByteRun>& Runs() const { return m_runs; }
    // Where the file's byte `offset` lies on the device.
    std::optional<uint64_t> DeviceOffset(uint64_t offset) const;
    // The file cut at `end`.
    PieceMap Clipped(uint64_t end) const;
    // Adds `length` bytes from `deviceOffset` at the file's end.
    void Append(uint64_t deviceOffset, uint64_t length);

    // The file's bytes [from, from + count), cut at its end. A sector the
    // device cannot read comes as zeros, which no decoder takes for picture
    // data; false when `from` is at or past the end.
    bool Read(ByteSource& device, uint64_t from, uint64_t count, std::vector<uint8_t>& out) const;

private:
    std::vector<ByteRun> m_runs;
};

// Reads `into` from the device, sector by sector where a whole read fails,
// zeros for the sectors that fail; the count of those.
uint64_t ReadSkippingBadSectors(ByteSource& device, uint64_t offset, std::span<uint8_t> into);

}  // namespace imaging::rebuild
