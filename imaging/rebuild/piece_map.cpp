#include "imaging/rebuild/piece_map.h"

#include <algorithm>

namespace imaging::rebuild {

namespace {
constexpr uint64_t kSector = 512;
}

uint64_t ReadSkippingBadSectors(ByteSource& device, uint64_t offset, std::span<uint8_t> into) {
    if (device.Read(offset, into)) return 0;
    uint64_t failed = 0;
    size_t done = 0;
    while (done < into.size()) {
        // Up to the next sector boundary of the device.
        const uint64_t at = offset + done;
        const size_t part = static_cast<size_t>(std::min<uint64_t>(kSector - at % kSector, into.size() - done));
        const auto piece = into.subspan(done, part);
        if (!device.Read(at, piece)) {
            std::fill(piece.begin(), piece.end(), uint8_t{0});
            ++failed;
        }
        done += part;
    }
    return failed;
}

bool PieceMap::Assign(const std::vector<ByteRun>& runs) {
    m_runs.clear();
    uint64_t expected = 0;
    for (const ByteRun& run : runs) {
        if (run.fileOffset != expected || run.length == 0 || run.deviceOffset > UINT64_MAX - run.length) return false;
        expected += run.length;
    }
    m_runs = runs;
    return !m_runs.empty();
}

std::optional<uint64_t> PieceMap::DeviceOffset(uint64_t offset) const {
    const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), offset,
                                     [](uint64_t value, const ByteRun& run) { return value < run.fileOffset + run.length; });
    if (it == m_runs.end() || offset < it->fileOffset) return std::nullopt;
    return it->deviceOffset + (offset - it->fileOffset);
}

PieceMap PieceMap::Clipped(uint64_t end) const {
    PieceMap clipped;
    for (const ByteRun& run : m_runs) {
        if (run.fileOffset >= end) break;
        ByteRun part = run;
        part.length = std::min(run.length, end - run.fileOffset);
        clipped.m_runs.push_back(part);
    }
    return clipped;
}

void PieceMap::Append(uint64_t deviceOffset, uint64_t length) {
    if (length == 0) return;
    m_runs.push_back({Length(), deviceOffset, length});
}

bool PieceMap::Read(ByteSource& device, uint64_t from, uint64_t count, std::vector<uint8_t>& out) const {
    const uint64_t length = Length();
    out.clear();
    if (from >= length) return false;
    out.resize(static_cast<size_t>(std::min(count, length - from)));
    size_t done = 0;
    while (done < out.size()) {
        const uint64_t at = from + done;
        const auto it = std::upper_bound(m_runs.begin(), m_runs.end(), at,
                                         [](uint64_t value, const ByteRun& run) { return value < run.fileOffset + run.length; });
        const size_t part = static_cast<size_t>(std::min<uint64_t>(it->fileOffset + it->length - at, out.size() - done));
        ReadSkippingBadSectors(device, it->deviceOffset + (at - it->fileOffset), std::span(out).subspan(done, part));
        done += part;
    }
    return true;
}

}  // namespace imaging::rebuild
