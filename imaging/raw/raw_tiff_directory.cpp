#include "imaging/raw/raw_tiff_directory.h"

#include <span>

namespace imaging {

namespace {

uint64_t TypeSize(uint16_t type) {
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: case 13: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;
    }
}

}  // namespace

std::optional<TiffHeader> ReadTiffHeader(RawSource& source, uint64_t base) {
    uint8_t bytes[kTiffHeaderSize];
    ByteReader header = source.Bytes(base, bytes, ByteOrder::LittleEndian);
    const uint8_t b0 = header.U8(), b1 = header.U8();
    if (header.Failed() || b0 != b1 || (b0 != 'I' && b0 != 'M')) return std::nullopt;
    TiffHeader fields;
    fields.order = b0 == 'I' ? ByteOrder::LittleEndian : ByteOrder::BigEndian;
    header.SetOrder(fields.order);
    fields.magic = header.U16();
    fields.firstIfd = header.U32();
    if (header.Failed()) return std::nullopt;
    return fields;
}

uint32_t TiffIfd::EntryCount() {
    uint8_t bytes[2];
    const uint32_t count = m_source.Bytes(m_offset, bytes, m_order).U16();
    if (count > kTiffMaxEntries || !m_source.Holds(EntryAt(0), count * kTiffEntrySize)) return 0;
    return count;
}

bool TiffIfd::ReadEntry(uint32_t index, TiffEntry& entry) {
    uint8_t bytes[kTiffEntrySize];
    ByteReader fields = m_source.Bytes(EntryAt(index), bytes, m_order);
    entry.tag = fields.U16();
    entry.type = fields.U16();
    entry.count = fields.U32();
    const uint32_t valueField = fields.U32();
    if (fields.Failed()) return false;
    // Values of up to four bytes lie in the entry itself.
    const uint64_t size = TypeSize(entry.type) * entry.count;
    entry.at = size <= 4 ? EntryAt(index) + 8 : m_base + valueField;
    return true;
}

std::optional<uint32_t> TiffIfd::Value(const TiffEntry& entry, uint32_t index) {
    if (index >= entry.count) return std::nullopt;
    uint64_t size = 0;
    switch (entry.type) {
    case 1: case 7: size = 1; break;
    case 3: case 8: size = 2; break;
    case 4: case 9: case 13: size = 4; break;
    default: return std::nullopt;
    }
    uint8_t bytes[4];
    ByteReader value = m_source.Bytes(entry.at + uint64_t{index} * size, std::span(bytes, size), m_order);
    const uint32_t number = size == 1 ? value.U8() : size == 2 ? value.U16() : value.U32();
    if (value.Failed()) return std::nullopt;
    return number;
}

std::vector<uint32_t> TiffIfd::Values(const TiffEntry& entry, uint32_t first, uint32_t count) {
    const uint64_t size = TypeSize(entry.type);
    if ((entry.type != 3 && entry.type != 4) || first > entry.count || count > entry.count - first) return {};
    // One read for the lot: an element at a time, two tables lying apart
    // would each time move the window, and spend the reading budget.
    std::vector<uint8_t> bytes(static_cast<size_t>(count * size));
    ByteReader table = m_source.Bytes(entry.at + first * size, bytes, m_order);
    std::vector<uint32_t> values(count);
    for (uint32_t& value : values) value = size == 2 ? table.U16() : table.U32();
    if (table.Failed()) return {};
    return values;
}

uint32_t TiffIfd::NextOffset(uint32_t entries) {
    uint8_t bytes[4];
    return m_source.Bytes(EntryAt(entries), bytes, m_order).U32();
}

int ReadTiffOrientation(RawSource& source, uint64_t base) {
    const std::optional<TiffHeader> header = ReadTiffHeader(source, base);
    if (!header) return 0;
    const uint64_t ifd = base + header->firstIfd;
    uint8_t countBytes[2];
    ByteReader directory = source.Bytes(ifd, countBytes, header->order);
    const uint32_t count = directory.U16();
    if (directory.Failed() || count > kTiffMaxEntries) return 0;
    // Entry by entry, without TiffIfd's check that all of them lie in the
    // file: one cut short may still hold the orientation before the cut.
    for (uint32_t i = 0; i < count; ++i) {
        // The tag, the type, the count and a SHORT value.
        uint8_t entryBytes[10];
        ByteReader entry = source.Bytes(ifd + 2 + i * kTiffEntrySize, entryBytes, header->order);
        const uint16_t tag = entry.U16(), type = entry.U16();
        entry.Skip(4);
        const uint16_t value = entry.U16();
        if (entry.Failed()) return 0;
        if (tag == kTiffTagOrientation && type == 3) return value >= 1 && value <= 8 ? value : 0;
    }
    return 0;
}

}  // namespace imaging
