#include "imaging/jpeg/jpeg_huffman.h"

namespace imaging {

namespace {
constexpr uint8_t kEndOfBlock = 0x00;
constexpr uint8_t kSixteenZeros = 0xF0;
constexpr int kLargestAcCategory = 10;  // of 8-bit data
}  // namespace

uint16_t HuffmanTable::MakeEntry(uint8_t symbol, int length, Kind kind) {
    if (kind == Kind::Dc) return static_cast<uint16_t>(length | symbol << 8);
    const int run = symbol >> 4, size = symbol & 15;
    unsigned advance = static_cast<unsigned>(run) + 1;
    int skip = length + size;
    if (symbol == kEndOfBlock) advance = 0;
    else if (symbol == kSixteenZeros) advance = 16;
    else if (size == 0 || size > kLargestAcCategory) advance = kBadAdvance, skip = length;
    return static_cast<uint16_t>(skip | advance << 8);
}

bool HuffmanTable::Build(std::span<const uint8_t> counts, std::span<const uint8_t> symbols, Kind kind) {
    m_defined = false;
    if (counts.size() != 16) return false;
    unsigned total = 0;
    for (uint8_t count : counts) total += count;
    if (total > 256 || symbols.size() < total) return false;

    m_fast.fill(0);
    uint32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        const uint32_t count = counts[length - 1];
        m_maxCode[length] = -1;
        if (count > 0) {
            // The codes of this length must leave room for one more: a code
            // of all ones is not allowed, and the lookahead fill relies on
            // every code fitting its length.
            if (code + count >= (uint32_t{1} << length)) return false;
            m_indexOffset[length] = index - static_cast<int32_t>(code);
            m_maxCode[length] = static_cast<int32_t>(code + count - 1);
            for (uint32_t i = 0; i < count; ++i, ++code, ++index) {
                const uint16_t entry = MakeEntry(symbols[index], length, kind);
                m_entries[index] = entry;
                if (length <= kLookaheadBits) {
                    const int spare = kLookaheadBits - length;
                    const uint32_t first = code << spare;
                    for (uint32_t fill = 0; fill < (uint32_t{1} << spare); ++fill) m_fast[first | fill] = entry;
                }
            }
        }
        code <<= 1;
    }
    m_defined = true;
    return true;
}

unsigned HuffmanTable::SlowEntry(uint32_t next16) const {
    for (int length = kLookaheadBits + 1; length <= 16; ++length) {
        const int32_t code = static_cast<int32_t>(next16 >> (16 - length));
        if (code <= m_maxCode[length]) return m_entries[m_indexOffset[length] + code];
    }
    return 0;
}

}  // namespace imaging
