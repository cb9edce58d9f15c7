#include "imaging/jpeg_exif.h"

#include <cstddef>
#include <optional>

namespace imaging {

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagXResolution = 0x011A;
constexpr uint16_t kTagYResolution = 0x011B;
constexpr uint16_t kTagResolutionUnit = 0x0128;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeRational = 5;
constexpr size_t kEntrySize = 12;

// Reads of either byte order at offsets that may point anywhere.
class Tiff {
public:
    explicit Tiff(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    bool ReadByteOrder() {
        if (m_bytes.size() < 8) return false;
        if (m_bytes[0] == 'I' && m_bytes[1] == 'I') m_littleEndian = true;
        else if (m_bytes[0] != 'M' || m_bytes[1] != 'M') return false;
        return U16(2) == 42;
    }
    std::optional<uint16_t> U16(size_t offset) const {
        if (offset > m_bytes.size() || m_bytes.size() - offset < 2) return std::nullopt;
        const uint8_t a = m_bytes[offset], b = m_bytes[offset + 1];
        return static_cast<uint16_t>(m_littleEndian ? (b << 8 | a) : (a << 8 | b));
    }
    std::optional<uint32_t> U32(size_t offset) const {
        const auto high = U16(offset + (m_littleEndian ? 2 : 0));
        const auto low = U16(offset + (m_littleEndian ? 0 : 2));
        if (!high || !low) return std::nullopt;
        return uint32_t{*high} << 16 | *low;
    }
    // A RATIONAL stored at the offset held in the entry's value field.
    float Rational(size_t entry) const {
        const auto at = U32(entry + 8);
        if (!at) return 0;
        const auto numerator = U32(*at), denominator = U32(size_t{*at} + 4);
        if (!numerator || !denominator || *denominator == 0) return 0;
        return static_cast<float>(static_cast<double>(*numerator) / *denominator);
    }

private:
    std::span<const uint8_t> m_bytes;
    bool m_littleEndian = false;
};

}  // namespace

ExifFacts ReadExifFacts(std::span<const uint8_t> bytes) {
    ExifFacts facts;
    Tiff tiff(bytes);
    if (!tiff.ReadByteOrder()) return facts;
    const auto ifd = tiff.U32(4);
    if (!ifd) return facts;
    const auto count = tiff.U16(*ifd);
    if (!count) return facts;
    float xResolution = 0, yResolution = 0;
    int unit = 2;  // inches unless the block says otherwise
    for (size_t i = 0; i < *count; ++i) {
        const size_t entry = size_t{*ifd} + 2 + i * kEntrySize;
        const auto tag = tiff.U16(entry), type = tiff.U16(entry + 2);
        if (!tag || !type) break;
        if (*tag == kTagOrientation && *type == kTypeShort) {
            const int value = tiff.U16(entry + 8).value_or(0);
            facts.orientation = value >= 1 && value <= 8 ? value : 0;
        } else if (*tag == kTagResolutionUnit && *type == kTypeShort) {
            unit = tiff.U16(entry + 8).value_or(0);
        } else if (*tag == kTagXResolution && *type == kTypeRational) {
            xResolution = tiff.Rational(entry);
        } else if (*tag == kTagYResolution && *type == kTypeRational) {
            yResolution = tiff.Rational(entry);
        }
    }
    const float perInch = unit == 2 ? 1.0f : unit == 3 ? 2.54f : 0.0f;
    facts.dpiX = xResolution * perInch;
    facts.dpiY = yResolution * perInch;
    return facts;
}

}  // namespace imaging
