#include "imaging/jpeg/jpeg_segments.h"

#include "imaging/byte_reader.h"

namespace imaging {

JpegSegmentReader::JpegSegmentReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {
    m_startsAsJpeg = bytes.size() >= 4 && bytes[0] == 0xFF && bytes[1] == jpeg_marker::kSoi;
    m_done = !m_startsAsJpeg;
}

bool JpegSegmentReader::Next(JpegSegment& segment) {
    if (m_done) return false;
    ByteReader reader = ByteReader(m_bytes).At(m_position);
    if (reader.U8() != 0xFF) {
        m_done = true;
        return false;
    }
    uint8_t marker = reader.U8();
    while (marker == 0xFF) marker = reader.U8();  // fill bytes before a marker
    if (reader.Failed() || marker == 0 || marker == jpeg_marker::kEoi) {
        m_done = true;
        return false;
    }
    segment.marker = marker;
    segment.payload = {};
    const bool standAlone = marker == jpeg_marker::kTem || marker == jpeg_marker::kSoi ||
                            jpeg_marker::IsRestart(marker);
    if (!standAlone) {
        const uint16_t length = reader.U16();
        segment.payload = reader.Take(length >= 2 ? length - 2u : 0u);
        if (reader.Failed() || length < 2) {
            m_done = true;
            return false;
        }
    }
    m_position = reader.Position();
    if (marker == jpeg_marker::kSos) m_done = true;
    return true;
}

}  // namespace imaging
