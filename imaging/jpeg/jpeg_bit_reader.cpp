#include "imaging/jpeg/jpeg_bit_reader.h"

#include "imaging/jpeg/jpeg_segments.h"

namespace imaging {

bool EntropyReader::TakeStuffedFF() {
    size_t next = m_position + 1;
    while (next < m_size && m_data[next] == 0xFF) ++next;  // fill bytes
    if (next < m_size && m_data[next] == 0) {
        m_position = next + 1;
        m_zeroRun = 0;
        return true;
    }
    m_stopped = true;
    m_marker = next < m_size ? m_data[next] : kEndOfData;
    m_position = next - 1;  // on the marker's last FF
    return false;
}

BitBuffer EntropyReader::FillByBytes(BitBuffer buffer) {
    while (buffer.count <= 56) {
        uint32_t byte = 0;
        if (!m_stopped && m_position >= m_size) {
            m_stopped = true;
            m_marker = kEndOfData;
        }
        if (!m_stopped) {
            byte = m_data[m_position];
            if (byte != 0xFF) {
                ++m_position;
                if (byte == 0) CountZero();
                else m_zeroRun = 0;
            } else if (!TakeStuffedFF()) {
                byte = 0;
            }
        }
        if (m_stopped) m_padding += 8;
        buffer.bits |= uint64_t{byte} << (56 - buffer.count);
        buffer.count += 8;
    }
    return buffer;
}

bool EntropyReader::InZeroSector() {
    if (m_zeroSector) return true;
    if (!m_watchZeros || m_zeroRun == 0 || m_stopped) return false;
    size_t at = m_position;
    uint32_t run = m_zeroRun;
    while (run < kSectorSize && at < m_size && m_data[at] == 0) {
        ++run;
        ++at;
    }
    if (run < kSectorSize) return false;
    m_zeroSector = true;
    return true;
}

EntropyReader::Restart EntropyReader::TakeRestart(BitBuffer& buffer, int number) {
    if (buffer.count <= 56) buffer = FillByBytes(buffer);
    if (!m_stopped || buffer.count - m_padding >= 8) return Restart::Missing;
    if (m_marker == jpeg_marker::kRst0 + number) {
        m_position += 2;
        buffer = {};
        m_padding = 0;
        m_stopped = false;
        m_marker = -1;
        m_zeroRun = 0;
        return Restart::Taken;
    }
    if (m_marker != kEndOfData && jpeg_marker::IsRestart(static_cast<uint8_t>(m_marker))) return Restart::WrongNumber;
    return Restart::Ended;
}

size_t EntropyReader::DataBytesLeft(const BitBuffer& buffer, bool& endsAtEoi) {
    const auto isData = [](uint32_t byte) { return byte != 0 && byte != 0xFF; };
    // The whole bytes still in the buffer, after the padding bits of the last block's byte.
    const int realBits = buffer.count - m_padding;
    size_t left = 0;
    for (int bit = realBits % 8; bit + 8 <= realBits; bit += 8)
        left += isData(static_cast<uint32_t>(buffer.bits >> (56 - bit)) & 0xFF);
    while (!m_stopped) {
        if (m_position >= m_size) {
            m_stopped = true;
            m_marker = kEndOfData;
            break;
        }
        const uint8_t byte = m_data[m_position];
        if (byte != 0xFF) {
            left += isData(byte);
            ++m_position;
        } else {
            TakeStuffedFF();  // a stuffed FF is padding too
        }
    }
    endsAtEoi = m_marker == jpeg_marker::kEoi;
    return left;
}

}  // namespace imaging
