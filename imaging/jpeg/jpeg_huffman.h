#pragma once
// A Huffman table of a JPEG, checked when built, decoded through a lookahead
// table. An AC entry gives the bits to skip (code and extra bits together)
// and how far the coefficient index moves, so skipping a coefficient is one
// lookup: nothing of the AC values is needed for a DC-only picture.
#include <array>
#include <cstdint>
#include <span>

#include "imaging/jpeg/jpeg_bit_reader.h"

namespace imaging {

inline constexpr int kLookaheadBits = 10;

class HuffmanTable {
public:
    enum class Kind { Dc, Ac };
    // An AC advance that no valid block reaches: the index passes 63.
    static constexpr unsigned kBadAdvance = 100;

    // From the 16 code counts and the symbols of a DHT table; false when the
    // counts do not fit the code space (all-ones codes included) or name more
    // than 256 symbols or more symbols than given.
    bool Build(std::span<const uint8_t> counts, std::span<const uint8_t> symbols, Kind kind);
    bool Defined() const { return m_defined; }

    // The DC difference of a block; false for a code the table lacks or a
    // category past 11, which 8-bit data never needs.
    [[gnu::always_inline]] bool DecodeDc(EntropyReader& reader, BitBuffer& buffer, int& difference) const {
        reader.Need(buffer);
        unsigned entry = m_fast[buffer.Peek(kLookaheadBits)];
        if (entry == 0) entry = SlowEntry(buffer.Peek(16));
        if (entry == 0) return false;
        buffer.Skip(static_cast<int>(entry & 0xFF));
        const int category = static_cast<int>(entry >> 8);
        difference = 0;
        if (category == 0) return true;
        if (category > 11) return false;
        const int bits = static_cast<int>(buffer.Take(category));
        difference = bits < (1 << (category - 1)) ? bits - (1 << category) + 1 : bits;
        return true;
    }

    // Skips one AC coefficient; returns how far the index moves: 0 at the
    // end of the block, kBadAdvance for a code the table lacks or a symbol no
    // encoder writes.
    [[gnu::always_inline]] unsigned SkipAc(EntropyReader& reader, BitBuffer& buffer) const {
        reader.Need(buffer);
        unsigned entry = m_fast[buffer.Peek(kLookaheadBits)];
        if (entry == 0) entry = SlowEntry(buffer.Peek(16));
        if (entry == 0) return kBadAdvance;
        buffer.Skip(static_cast<int>(entry & 0xFF));
        return entry >> 8;
    }

    // Whether a run of zero bits decodes as a block with nothing in it (a DC
    // difference of 0, or an AC end of block): then an encoder writes zero
    // bytes for a flat area.
    bool ZerosMeanNothing() const {
        const unsigned entry = m_fast[0] != 0 ? m_fast[0] : SlowEntry(0);
        return entry != 0 && (entry >> 8) == 0;
    }

private:
    // The entry of a code longer than the lookahead: 0 when none matches.
    unsigned SlowEntry(uint32_t next16) const;
    static uint16_t MakeEntry(uint8_t symbol, int length, Kind kind);

    // Low byte: bits to skip; high byte: the DC category or the AC advance.
    std::array<uint16_t, 1 << kLookaheadBits> m_fast{};
    std::array<int32_t, 17> m_maxCode{};      // by length; -1 when none
    std::array<int32_t, 17> m_indexOffset{};  // by length: symbol index minus code
    std::array<uint16_t, 256> m_entries{};    // by symbol index
    bool m_defined = false;
};

}  // namespace imaging
