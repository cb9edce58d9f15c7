#pragma once
// The marker segments of a JPEG, from SOI up to and including the first SOS.
#include <cstddef>
#include <cstdint>
#include <span>

namespace imaging {

namespace jpeg_marker {
inline constexpr uint8_t kSof0 = 0xC0;  // baseline
inline constexpr uint8_t kSof1 = 0xC1;  // extended sequential, Huffman
inline constexpr uint8_t kDht = 0xC4;
inline constexpr uint8_t kDac = 0xCC;
inline constexpr uint8_t kRst0 = 0xD0;
inline constexpr uint8_t kRst7 = 0xD7;
inline constexpr uint8_t kSoi = 0xD8;
inline constexpr uint8_t kEoi = 0xD9;
inline constexpr uint8_t kSos = 0xDA;
inline constexpr uint8_t kDqt = 0xDB;
inline constexpr uint8_t kDri = 0xDD;
inline constexpr uint8_t kApp0 = 0xE0;
inline constexpr uint8_t kApp1 = 0xE1;
inline constexpr uint8_t kApp14 = 0xEE;
inline constexpr uint8_t kTem = 0x01;

// Every start-of-frame marker: C0-CF but DHT, JPG (C8) and DAC.
inline bool IsFrame(uint8_t marker) {
    return marker >= 0xC0 && marker <= 0xCF && marker != kDht && marker != 0xC8 && marker != kDac;
}
inline bool IsRestart(uint8_t marker) { return marker >= kRst0 && marker <= kRst7; }
}  // namespace jpeg_marker

struct JpegSegment {
    uint8_t marker = 0;
    std::span<const uint8_t> payload;  // after the length field; empty for stand-alone markers
};

class JpegSegmentReader {
public:
    explicit JpegSegmentReader(std::span<const uint8_t> bytes);

    // True when the bytes start with SOI.
    bool StartsAsJpeg() const { return m_startsAsJpeg; }
    // The next segment; false at EOI, at the end of the bytes, at a length
    // running past them, at bytes that are no marker, or after SOS.
    bool Next(JpegSegment& segment);
    // Just past the SOS segment once Next returned it: the entropy-coded data.
    size_t Position() const { return m_position; }

private:
    std::span<const uint8_t> m_bytes;
    size_t m_position = 2;
    bool m_startsAsJpeg = false;
    bool m_done = false;
};

}  // namespace imaging
