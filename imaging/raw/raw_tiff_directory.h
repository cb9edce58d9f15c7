#pragma once
// The pieces of a TIFF structure inside a RAW file, read through its
// RawSource: the header, and a directory's (IFD's) entries and their values.
// A structure's offsets count from its base: the file's start, or the start
// of a maker note's own TIFF header.
#include <cstdint>
#include <optional>
#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/raw/raw_source.h"

namespace imaging {

inline constexpr uint64_t kTiffHeaderSize = 8;
inline constexpr uint64_t kTiffEntrySize = 12;
// More entries than any camera writes in one directory.
inline constexpr uint32_t kTiffMaxEntries = 1024;
inline constexpr uint16_t kTiffTagOrientation = 0x0112;

struct TiffHeader {
    ByteOrder order = ByteOrder::LittleEndian;
    uint16_t magic = 0;
    uint32_t firstIfd = 0;  // from the base
};

// "II" or "MM", the magic number and IFD0's offset at `base`; none when the
// bytes there hold no such header.
std::optional<TiffHeader> ReadTiffHeader(RawSource& source, uint64_t base);

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    uint64_t at = 0;  // where its values lie, absolute
};

// One directory at an absolute offset, in its structure's byte order.
class TiffIfd {
public:
    TiffIfd(RawSource& source, uint64_t offset, uint64_t base, ByteOrder order)
        : m_source(source), m_offset(offset), m_base(base), m_order(order) {}

    // Its number of entries; 0 when that cannot be read, is over
    // kTiffMaxEntries or the entries run past the file's end.
    uint32_t EntryCount();
    // False when the entry cannot be read.
    bool ReadEntry(uint32_t index, TiffEntry& entry);
    // Value `index` of an entry of bytes, SHORTs or LONGs; none when it cannot be read.
    std::optional<uint32_t> Value(const TiffEntry& entry, uint32_t index);
    // `count` values of a SHORT or LONG entry from `first` on; none when they cannot be read.
    std::vector<uint32_t> Values(const TiffEntry& entry, uint32_t first, uint32_t count);
    // The offset, from the base, of the directory chained after this one of
    // `entries` entries; 0 when none.
    uint32_t NextOffset(uint32_t entries);

private:
    uint64_t EntryAt(uint32_t index) const { return m_offset + 2 + index * kTiffEntrySize; }

    RawSource& m_source;
    uint64_t m_offset;
    uint64_t m_base;
    ByteOrder m_order;
};

}  // namespace imaging
