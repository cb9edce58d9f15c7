#pragma once
// The parsers of found bytes read their structures through this. A read past
// the end answers zero (Take: an empty span) and leaves the reader failed at
// the end, failing every later read: read a whole structure, then ask Failed().
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

enum class ByteOrder { BigEndian, LittleEndian };

class ByteReader {
public:
    explicit ByteReader(std::span<const uint8_t> bytes, ByteOrder order = ByteOrder::BigEndian)
        : m_bytes(bytes), m_order(order) {}

    // A reader of the same bytes, in the same order, from `offset` on; failed
    // when that lies past the end.
    ByteReader At(size_t offset) const {
        ByteReader reader(m_bytes, m_order);
        if (offset <= m_bytes.size()) reader.m_position = offset;
        else reader.Fail();
        return reader;
    }
    void SetOrder(ByteOrder order) { m_order = order; }

    bool Failed() const { return m_failed; }
    size_t Position() const { return m_position; }
    size_t Remaining() const { return m_bytes.size() - m_position; }
    bool Has(size_t count) const { return Remaining() >= count; }

    uint8_t U8() {
        if (!Has(1)) return Fail();
        return m_bytes[m_position++];
    }
    uint16_t U16() { return static_cast<uint16_t>(Number(2)); }
    uint32_t U32() { return Number(4); }
    // The next `count` bytes.
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
    uint32_t Number(size_t size) {
        if (!Has(size)) return Fail();
        uint32_t value = 0;
        for (size_t i = 0; i < size; ++i) {
            const size_t at = m_order == ByteOrder::BigEndian ? i : size - 1 - i;
            value = value << 8 | m_bytes[m_position + at];
        }
        m_position += size;
        return value;
    }
    uint8_t Fail() {
        m_failed = true;
        m_position = m_bytes.size();
        return 0;
    }

    std::span<const uint8_t> m_bytes;
    ByteOrder m_order;
    size_t m_position = 0;
    bool m_failed = false;
};

}  // namespace imaging
