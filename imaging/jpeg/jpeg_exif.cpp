#include "imaging/jpeg/jpeg_exif.h"

#include <algorithm>
#include <cstddef>

#include "imaging/byte_reader.h"

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

// The byte order from the TIFF structure's header, set on `tiff`; false when
// the bytes start as no TIFF structure.
bool ReadByteOrder(ByteReader& tiff) {
    if (!tiff.Has(8)) return false;
    const uint8_t first = tiff.U8(), second = tiff.U8();
    if (first == 'I' && second == 'I') tiff.SetOrder(ByteOrder::LittleEndian);
    else if (first != 'M' || second != 'M') return false;
    return tiff.U16() == 42;
}

// An entry's value field, as a reader; `entry` stands past its tag and type.
ByteReader ValueField(ByteReader entry) {
    entry.Skip(4);
    return entry;
}

// A RATIONAL stored at the offset held in the entry's value field.
float Rational(const ByteReader& tiff, const ByteReader& entry) {
    ByteReader field = ValueField(entry);
    const uint32_t at = field.U32();
    if (field.Failed()) return 0;
    ByteReader value = tiff.At(at);
    const uint32_t numerator = value.U32(), denominator = value.U32();
    if (value.Failed() || denominator == 0) return 0;
    return static_cast<float>(static_cast<double>(numerator) / denominator);
}

// The text of an ASCII entry: in its value field up to 4 bytes, else at the
// offset held there; up to its first NUL, at most `most` bytes.
std::span<const uint8_t> Ascii(const ByteReader& tiff, ByteReader entry, size_t most) {
    const uint32_t count = entry.U32();
    if (entry.Failed()) return {};
    ByteReader text = entry;
    if (count > 4) {
        const uint32_t offset = entry.U32();
        if (entry.Failed()) return {};
        text = tiff.At(offset);
    }
    const auto bytes = text.Take(std::min<size_t>({count, most, text.Remaining()}));
    for (size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == 0) return bytes.first(i);
    return bytes;
}

std::string CameraName(std::span<const uint8_t> text) {
    std::string name;
    for (uint8_t c : text) name += c >= 0x20 && c < 0x7F ? static_cast<char>(c) : ' ';
    const size_t end = name.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

// DateTimeOriginal in the EXIF IFD.
uint64_t TakenInExifIfd(const ByteReader& tiff, uint32_t ifd) {
    ByteReader directory = tiff.At(ifd);
    const uint16_t count = directory.U16();
    if (directory.Failed()) return 0;
    for (size_t i = 0; i < count; ++i) {
        ByteReader entry = tiff.At(size_t{ifd} + 2 + i * kEntrySize);
        const uint16_t tag = entry.U16(), type = entry.U16();
        if (entry.Failed()) break;
        if (tag == kTagDateTimeOriginal && type == kTypeAscii) return ParseExifDate(Ascii(tiff, entry, 20));
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
    ByteReader tiff(bytes);
    if (!ReadByteOrder(tiff)) return facts;
    const uint32_t ifd = tiff.U32();
    ByteReader directory = tiff.At(ifd);
    const uint16_t count = directory.U16();
    if (directory.Failed()) return facts;
    float xResolution = 0, yResolution = 0;
    int unit = 2;  // inches unless the block says otherwise
    uint64_t changed = 0;
    // Only the first Exif pointer is followed, so the Exif directory is
    // walked once however often a crafted IFD0 repeats the pointer.
    bool exifIfdWalked = false;
    for (size_t i = 0; i < count; ++i) {
        ByteReader entry = tiff.At(size_t{ifd} + 2 + i * kEntrySize);
        const uint16_t tag = entry.U16(), type = entry.U16();
        if (entry.Failed()) break;
        if (tag == kTagOrientation && type == kTypeShort) {
            const int value = ValueField(entry).U16();
            facts.orientation = value >= 1 && value <= 8 ? value : 0;
        } else if (tag == kTagResolutionUnit && type == kTypeShort) {
            unit = ValueField(entry).U16();
        } else if (tag == kTagXResolution && type == kTypeRational) {
            xResolution = Rational(tiff, entry);
        } else if (tag == kTagYResolution && type == kTypeRational) {
            yResolution = Rational(tiff, entry);
        } else if (tag == kTagModel && type == kTypeAscii) {
            facts.camera = CameraName(Ascii(tiff, entry, kMostCameraChars));
        } else if (tag == kTagDateTime && type == kTypeAscii) {
            changed = ParseExifDate(Ascii(tiff, entry, 20));
        } else if (tag == kTagExifIfd && type == kTypeLong && !exifIfdWalked) {
            // An IFD pointing back at IFD0 reads IFD0 once more, no further.
            exifIfdWalked = true;
            ByteReader field = ValueField(entry);
            const uint32_t exifIfd = field.U32();
            if (!field.Failed()) facts.taken = TakenInExifIfd(tiff, exifIfd);
        }
    }
    if (facts.taken == 0) facts.taken = changed;
    const float perInch = unit == 2 ? 1.0f : unit == 3 ? 2.54f : 0.0f;
    facts.dpiX = xResolution * perInch;
    facts.dpiY = yResolution * perInch;
    return facts;
}

}  // namespace imaging
