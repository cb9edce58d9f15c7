#include "imaging/raw/raw_source.h"

#include <algorithm>
#include <cstddef>
#include <new>

namespace imaging {

namespace {

// Reads up to this long go through the window; longer ones go to the file.
constexpr uint64_t kSmallRead = 4096;

}  // namespace

bool RawBytesReader::Read(uint64_t offset, std::span<uint8_t> into) {
    if (offset > m_bytes.size() || into.size() > m_bytes.size() - offset) return false;
    std::copy_n(m_bytes.begin() + static_cast<ptrdiff_t>(offset), into.size(), into.begin());
    return true;
}

bool RawSource::Charge(uint64_t bytes) {
    if (bytes > m_budget) return false;
    m_budget -= bytes;
    return true;
}

bool RawSource::Read(uint64_t offset, std::span<uint8_t> into) {
    if (!Holds(offset, into.size())) return false;
    if (into.empty()) return true;
    const bool inWindow = offset >= m_windowStart && offset - m_windowStart <= m_window.size() &&
                          into.size() <= m_window.size() - (offset - m_windowStart);
    if (!inWindow) {
        if (into.size() > kSmallRead) return Charge(into.size()) && m_file.Read(offset, into);
        const uint64_t start = offset - offset % kSmallRead;
        const uint64_t length = std::min(kWindowBytes, m_size - start);
        if (!Charge(length)) return false;
        m_window.clear();
        try {
            m_window.resize(static_cast<size_t>(length));
        } catch (const std::bad_alloc&) {
            return false;
        }
        if (!m_file.Read(start, m_window)) {
            m_window.clear();
            return false;
        }
        m_windowStart = start;
    }
    std::copy_n(m_window.begin() + static_cast<ptrdiff_t>(offset - m_windowStart), into.size(), into.begin());
    return true;
}

ByteReader RawSource::Bytes(uint64_t offset, std::span<uint8_t> into, ByteOrder order) {
    if (!Read(offset, into)) return ByteReader({}, order);
    return ByteReader(into, order);
}

bool RawSource::Matches(uint64_t offset, std::string_view tag) {
    uint8_t buffer[32];
    if (tag.size() > sizeof buffer || !Read(offset, {buffer, tag.size()})) return false;
    return std::equal(tag.begin(), tag.end(), buffer, [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; });
}

}  // namespace imaging
