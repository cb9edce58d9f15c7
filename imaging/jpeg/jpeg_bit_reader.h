#pragma once
// The bits of a JPEG's entropy-coded data, MSB first, through a 64-bit
// buffer. Refilling undoes the byte stuffing (FF 00) and stops at the first
// marker or at the end of the bytes; past that it feeds zero bits and counts
// them, so a decoder finds out afterwards whether it used bits that were not
// there. It also watches for a sector of zeros, which no encoder writes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace imaging {

// The buffered bits, kept apart from the reader so that a decoding loop
// holds them in registers: the buffer's top bit is the next one.
struct BitBuffer {
    uint64_t bits = 0;
    int count = 0;  // of the buffer's bits, zeros fed past the data included

    uint32_t Peek(int n) const { return static_cast<uint32_t>(bits >> (64 - n)); }  // n in 1..32
    void Skip(int n) {
        bits <<= n;
        count -= n;
    }
    uint32_t Take(int n) {
        const uint32_t value = Peek(n);
        Skip(n);
        return value;
    }
};

class EntropyReader {
public:
    static constexpr int kEndOfData = 0x100;  // StopMarker() when the bytes ran out
    static constexpr uint32_t kSectorSize = 512;

    EntropyReader(std::span<const uint8_t> bytes, size_t start)
        : m_data(bytes.data()), m_size(bytes.size()), m_position(start < bytes.size() ? start : bytes.size()) {}

    // At least 32 bits in the buffer: one code and its extra bits.
    void Need(BitBuffer& buffer) {
        if (buffer.count < 32) buffer = Fill(buffer);
    }

    // True once the decoding used bits beyond the data (past a marker or the end).
    bool Overran(const BitBuffer& buffer) const { return buffer.count < m_padding; }
    // The marker the data stopped at, kEndOfData, or -1 while it goes on.
    int StopMarker() const { return m_stopped ? m_marker : -1; }
    // The next byte a refill takes; on a marker's FF once stopped there.
    size_t Position() const { return m_position; }

    // The unit (MCU) being decoded, which names where a run of zeros began.
    void SetUnit(uint64_t unit) { m_unit = unit; }
    void WatchZeros(bool watch) { m_watchZeros = watch; }
    bool SawZeroSector() const { return m_zeroSector; }
    uint64_t ZeroSectorUnit() const { return m_zeroRunUnit; }
    // After a decoding error: whether the run of zeros being read goes on to
    // a whole sector, so the error was the zeros' doing.
    bool InZeroSector();

    enum class Restart { Taken, Missing, WrongNumber, Ended };
    // Drops the padding bits of the interval's last byte and takes the
    // restart marker numbered `number` (0 to 7) that must come next.
    Restart TakeRestart(BitBuffer& buffer, int number);

    // After the last unit: the entropy-coded bytes left before the next
    // marker that are neither 00 nor FF (runs of those are padding some
    // encoders write, as libjpeg treats them), and whether that marker is EOI.
    size_t DataBytesLeft(const BitBuffer& buffer, bool& endsAtEoi);

private:
    // By value, so that the caller's buffer never leaves its registers.
    BitBuffer Fill(BitBuffer buffer) {
        // The common case: eight bytes ahead hold neither FF nor 00, so the
        // whole bytes that fit go in at once.
        if (m_position + 8 <= m_size) {
            uint64_t word;
            std::memcpy(&word, m_data + m_position, 8);
            if (!HasZeroByte(word) && !HasZeroByte(~word)) {
                const int bytes = (64 - buffer.count) / 8;
                const int bitCount = bytes * 8;
                buffer.bits |= (ToBigEndian(word) >> (64 - bitCount)) << (64 - buffer.count - bitCount);
                buffer.count += bitCount;
                m_position += static_cast<size_t>(bytes);
                m_zeroRun = 0;
                return buffer;
            }
        }
        return FillByBytes(buffer);
    }
    BitBuffer FillByBytes(BitBuffer buffer);
    // At an FF byte: true for a stuffed FF data byte (taken), false at a marker.
    bool TakeStuffedFF();
    void CountZero() {
        if (m_zeroRun++ == 0 && !m_zeroSector) m_zeroRunUnit = m_unit;
        if (m_zeroRun >= kSectorSize) m_zeroSector = m_watchZeros;
    }
    static bool HasZeroByte(uint64_t v) {
        return ((v - 0x0101010101010101ull) & ~v & 0x8080808080808080ull) != 0;
    }
    static uint64_t ToBigEndian(uint64_t littleEndian) { return __builtin_bswap64(littleEndian); }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_position;
    int m_padding = 0;  // zero bits fed past the data
    bool m_stopped = false;
    int m_marker = -1;
    uint64_t m_unit = 0;
    uint32_t m_zeroRun = 0;
    uint64_t m_zeroRunUnit = 0;
    bool m_zeroSector = false;
    bool m_watchZeros = true;
};

}  // namespace imaging
