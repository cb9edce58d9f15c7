#include "imaging/jpeg_exif.h"

#include <algorithm>
#include <cstddef>
#include <optional>

namespace imaging {

namespace {

constexpr uint16_t kTagOrientation = 0x0112;
constexpr uint16_t kTagXResolution = 0x011A;
constexpr uint16_t kTagYResolution = 0x011B;
constexpr uint16_t kTagResolutionUnit = 0x0128;
constexpr uint16_t kTagModel = 0x0110;
constexpr uint16_t kTagDateTime = 0x0132;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagDateTimeOriginal = 0x9003;
constexpr uint16_t kTypeAscii = 2;
constexpr uint16_t kTypeShort = 3;
constexpr uint16_t kTypeLong = 4;
// Longer model names are cut: no camera's comes near.
constexpr size_t kMostCameraChars = 64;
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

    // The text of an ASCII entry: in its value field up to 4 bytes, else at
    // the offset held there; up to its first NUL, at most `most` bytes.
    std::span<const uint8_t> Ascii(size_t entry, size_t most) const {
        const auto count = U32(entry + 4);
        if (!count) return {};
        size_t at = entry + 8;
        if (*count > 4) {
            const auto offset = U32(entry + 8);
            if (!offset) return {};
            at = *offset;
        }
        if (at > m_bytes.size()) return {};
        std::span<const uint8_t> text = m_bytes.subspan(at, std::min<size_t>({*count, most, m_bytes.size() - at}));
        for (size_t i = 0; i < text.size(); ++i)
            if (text[i] == 0) return text.first(i);
        return text;
    }

private:
    std::span<const uint8_t> m_bytes;
    bool m_littleEndian = false;
};

std::string CameraName(std::span<const uint8_t> text) {
    std::string name;
    for (uint8_t c : text) name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : ' ';
    const size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// DateTimeOriginal in the EXIF IFD.
uint64_t TakenInExifIfd(const Tiff& tiff, uint32_t ifd) {
    const auto count = tiff.U16(ifd);
    if (!count) return 0;
    for (size_t i = 0; i < *count; ++i) {
        const size_t entry = size_t{ifd} + 2 + i * kEntrySize;
        const auto tag = tiff.U16(entry), type = tiff.U16(entry + 2);
        if (!tag || !type) break;
        if (*tag == kTagDateTimeOriginal && *type == kTypeAscii) return ParseExifDate(tiff.Ascii(entry, 20));
    }
    return 0;
}

}  // namespace

uint64_t ParseExifDate(std::span<const uint8_t> text) {
    // Digits at every place but the separators of "YYYY:MM:DD hh:mm:ss".
    if (text.size() < 19) return 0;
    uint64_t value = 0;
    for (size_t i = 0; i < 19; ++i) {
        if (i == 4 || i == 7 || i == 10 || i == 13 || i == 16) continue;
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + (text[i] - '0');
    }
    const unsigned month = value / 100000000 % 100, day = value / 1000000 % 100;
    const unsigned hour = value / 10000 % 100, minute = value / 100 % 100, second = value % 100;
    if (value / 10000000000 < 1800 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 60)
        return 0;
    return value;
}

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
    uint64_t changed = 0;
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
        } else if (*tag == kTagModel && *type == kTypeAscii) {
            facts.camera = CameraName(tiff.Ascii(entry, kMostCameraChars));
        } else if (*tag == kTagDateTime && *type == kTypeAscii) {
            changed = ParseExifDate(tiff.Ascii(entry, 20));
        } else if (*tag == kTagExifIfd && *type == kTypeLong && facts.taken == 0) {
            // An IFD pointing back at IFD0 reads IFD0 once more, no further.
            if (const auto exifIfd = tiff.U32(entry + 8)) facts.taken = TakenInExifIfd(tiff, *exifIfd);
        }
    }
    if (facts.taken == 0) facts.taken = changed;
    const float perInch = unit == 2 ? 1.0f : unit == 3 ? 2.54f : 0.0f;
    facts.dpiX = xResolution * perInch;
    facts.dpiY = yResolution * perInch;
    return facts;
}

}  // namespace imaging
