#pragma once
// What the rebuild reads: the searched device or its image, by byte offset.
// A device can fail to read a sector (a worn card): the read says so and the
// caller passes over those bytes instead of giving up on the photo.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>

namespace imaging::rebuild {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Fills `into` with the bytes from `offset` on; false when any of them
    // lies past the end or could not be read.
    virtual bool Read(uint64_t offset, std::span<uint8_t> into) = 0;
};

// Bytes already in memory, for tests and for images small enough to hold.
class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    bool Read(uint64_t offset, std::span<uint8_t> into) override {
        if (offset > m_bytes.size() || into.size() > m_bytes.size() - offset) return false;
        std::copy_n(m_bytes.data() + offset, into.size(), into.data());
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
};

}  // namespace imaging::rebuild
