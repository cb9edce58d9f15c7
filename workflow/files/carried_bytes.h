#pragma once
// The bytes of a small found picture, read by the probe that found it complete
// while it held the file open, so that its thumbnail is made without opening
// the file again: under Wine an open, its first read and its close are three
// round trips to the Wine server, and a whole disk holds tens of thousands of
// small pictures. All the bytes carried at once stay within a fixed budget,
// whatever a walk hands over; a picture past it is read by its thumbnail's
// worker.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>
#include <utility>
#include <vector>

namespace workflow {

class CarriedBytes {
public:
    // Larger pictures are read by the workers: camera photos are megabytes.
    static constexpr uint64_t kMostPerFile = 64 * 1024;
    static constexpr uint64_t kBudget = 16 * 1024 * 1024;

    CarriedBytes() = default;
    CarriedBytes(const CarriedBytes&) = delete;
    CarriedBytes& operator=(const CarriedBytes&) = delete;
    CarriedBytes(CarriedBytes&& o) noexcept : m_bytes(std::exchange(o.m_bytes, {})) {}
    CarriedBytes& operator=(CarriedBytes&& o) noexcept {
        if (this != &o) {
            Release();
            m_bytes = std::exchange(o.m_bytes, {});
        }
        return *this;
    }
    ~CarriedBytes() { Release(); }

    // Room for `size` bytes, zeroed; none for a size over kMostPerFile, past
    // what the budget has left, or when memory is short.
    static CarriedBytes Reserve(uint64_t size);
    // Bytes carried now, by everyone.
    static uint64_t InUse() { return s_inUse.load(); }

    bool empty() const { return m_bytes.empty(); }
    std::span<uint8_t> Bytes() { return m_bytes; }
    std::span<const uint8_t> Bytes() const { return m_bytes; }
    // Frees the bytes, as when they prove not to be wanted.
    void Release();

private:
    static inline std::atomic<uint64_t> s_inUse{0};
    std::vector<uint8_t> m_bytes;
};

inline CarriedBytes CarriedBytes::Reserve(uint64_t size) {
    CarriedBytes carried;
    if (size == 0 || size > kMostPerFile) return carried;
    uint64_t inUse = s_inUse.load();
    do {
        if (inUse + size > kBudget) return carried;
    } while (!s_inUse.compare_exchange_weak(inUse, inUse + size));
    try {
        carried.m_bytes.resize(static_cast<size_t>(size));
    } catch (const std::bad_alloc&) {
        // Short of memory: the picture's worker reads it instead, or fails
        // as it would have.
        s_inUse -= size;
    }
    return carried;
}

inline void CarriedBytes::Release() {
    s_inUse -= m_bytes.size();
    m_bytes = {};
}

}  // namespace workflow
