#pragma once
// Big-endian reads from bytes nobody vouches for: a read past the end gives
// zeros and marks the reader failed, so a parser checks once at the end of a
// segment instead of before every field.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes, size_t position = 0)
        : m_bytes(bytes), m_position(position <= bytes.size() ? position : bytes.size()) {}

    bool Failed() const { return m_failed; }
    size_t Position() const { return m_position; }
    size_t Remaining() const { return m_bytes.size() - m_position; }
    bool Has(size_t count) const { return Remaining() >= count; }

    uint8_t U8() {
        if (!Has(1)) return Fail();
        return m_bytes[m_position++];
    }
    uint16_t U16() {
        if (!Has(2)) return Fail();
        const uint16_t value = static_cast<uint16_t>(m_bytes[m_position] << 8 | m_bytes[m_position + 1]);
        m_position += 2;
        return value;
    }
    // The next `count` bytes, empty (and failed) when fewer remain.
    std::span<const uint8_t> Take(size_t count) {
        if (!Has(count)) {
            Fail();
            return {};
        }
        const auto part = m_bytes.subspan(m_position, count);
        m_position += count;
        return part;
    }
    void Skip(size_t count) { Take(count); }

private:
    uint8_t Fail() {
        m_failed = true;
        m_position = m_bytes.size();
        return 0;
    }

    std::span<const uint8_t> m_bytes;
    size_t m_position;
    bool m_failed = false;
};

}  // namespace imaging
