#include "imaging/picture_header.h"

#include <algorithm>
#include <cstddef>

namespace imaging {

namespace {

// Little- and big-endian reads that answer none past the end of the bytes.
class HeaderBytes {
public:
    explicit HeaderBytes(std::span<const uint8_t> bytes) : m_bytes(bytes) {}

    size_t Size() const { return m_bytes.size(); }
    bool Has(size_t offset, size_t count) const { return offset <= m_bytes.size() && count <= m_bytes.size() - offset; }
    std::optional<uint32_t> Read(size_t offset, size_t count, bool bigEndian) const {
        if (!Has(offset, count)) return std::nullopt;
        uint32_t value = 0;
        for (size_t i = 0; i < count; ++i) {
            const uint32_t byte = m_bytes[bigEndian ? offset + i : offset + count - 1 - i];
            value = (value << 8) | byte;
        }
        return value;
    }
    std::optional<uint32_t> Le16(size_t offset) const { return Read(offset, 2, false); }
    std::optional<uint32_t> Le32(size_t offset) const { return Read(offset, 4, false); }
    std::optional<uint32_t> Be16(size_t offset) const { return Read(offset, 2, true); }
    std::optional<uint32_t> Be32(size_t offset) const { return Read(offset, 4, true); }
    bool StartsWith(std::span<const uint8_t> magic) const {
        if (!Has(0, magic.size())) return false;
        for (size_t i = 0; i < magic.size(); ++i)
            if (m_bytes[i] != magic[i]) return false;
        return true;
    }

private:
    std::span<const uint8_t> m_bytes;
};

std::optional<PictureHeader> Sized(PictureFormat format, std::optional<uint32_t> width,
                                   std::optional<uint32_t> height) {
    if (!width || !height || *width == 0 || *height == 0) return std::nullopt;
    return PictureHeader{format, *width, *height};
}

std::optional<PictureHeader> WithSampleBits(std::optional<PictureHeader> header, std::optional<uint32_t> bits) {
    if (header && bits && *bits > 0) header->bitsPerSample = *bits;
    return header;
}

std::optional<PictureHeader> ReadPng(const HeaderBytes& bytes) {
    // The signature, then the IHDR chunk: length, type, width, height.
    constexpr uint8_t kIhdr[] = {'I', 'H', 'D', 'R'};
    for (size_t i = 0; i < 4; ++i)
        if (!bytes.Has(12 + i, 1) || bytes.Read(12 + i, 1, true) != kIhdr[i]) return std::nullopt;
    // The bit depth follows the height.
    return WithSampleBits(Sized(PictureFormat::Png, bytes.Be32(16), bytes.Be32(20)), bytes.Read(24, 1, true));
}

// The first image descriptor's offset, past the global colour table and any
// extensions; none when the bytes end first or hold something else.
std::optional<size_t> FirstGifFrame(const HeaderBytes& bytes) {
    const std::optional<uint32_t> flags = bytes.Read(10, 1, false);
    if (!flags) return std::nullopt;
    size_t at = 13 + ((*flags & 0x80) ? 3 * (size_t{2} << (*flags & 7)) : 0);
    for (;;) {
        const std::optional<uint32_t> introducer = bytes.Read(at, 1, false);
        if (introducer == 0x2C) return at;
        if (introducer != 0x21) return std::nullopt;
        at += 2;  // the introducer and the label, then sub-blocks up to an empty one
        for (std::optional<uint32_t> size; (size = bytes.Read(at, 1, false)) != 0u; at += 1 + *size)
            if (!size) return std::nullopt;
        ++at;
    }
}

std::optional<PictureHeader> ReadGif(const HeaderBytes& bytes) {
    // A decoder allocates the logical screen, and decodes the first frame
    // whole even where it lies off the screen: the larger of the two counts.
    std::optional<uint32_t> width = bytes.Le16(6), height = bytes.Le16(8);
    if (!width || !height) return std::nullopt;
    if (const std::optional<size_t> frame = FirstGifFrame(bytes)) {
        const auto left = bytes.Le16(*frame + 1), top = bytes.Le16(*frame + 3);
        const auto frameWidth = bytes.Le16(*frame + 5), frameHeight = bytes.Le16(*frame + 7);
        if (left && top && frameWidth && frameHeight) {
            width = std::max(*width, *left + *frameWidth);
            height = std::max(*height, *top + *frameHeight);
        }
    }
    return Sized(PictureFormat::Gif, width, height);
}

std::optional<PictureHeader> ReadBmp(const HeaderBytes& bytes) {
    const std::optional<uint32_t> infoSize = bytes.Le32(14);
    if (!infoSize) return std::nullopt;
    if (*infoSize == 12) return Sized(PictureFormat::Bmp, bytes.Le16(18), bytes.Le16(20));
    const std::optional<uint32_t> width = bytes.Le32(18);
    std::optional<uint32_t> height = bytes.Le32(22);
    if (!width || static_cast<int32_t>(*width) <= 0 || !height) return std::nullopt;
    // A negative height is a picture stored top row first.
    const int32_t signedHeight = static_cast<int32_t>(*height);
    if (signedHeight == INT32_MIN) return std::nullopt;
    height = static_cast<uint32_t>(signedHeight < 0 ? -signedHeight : signedHeight);
    // Bits a pixel follow the planes: 64 are four samples of 16 bits.
    const std::optional<uint32_t> pixelBits = bytes.Le16(28);
    const std::optional<uint32_t> sampleBits =
        pixelBits ? std::optional<uint32_t>(*pixelBits > 32 ? 16 : 8) : std::nullopt;
    return WithSampleBits(Sized(PictureFormat::Bmp, width, height), sampleBits);
}

std::optional<PictureHeader> ReadTiff(const HeaderBytes& bytes, bool bigEndian) {
    const std::optional<uint32_t> ifd = bytes.Read(4, 4, bigEndian);
    if (!ifd) return std::nullopt;
    const std::optional<uint32_t> count = bytes.Read(*ifd, 2, bigEndian);
    if (!count) return std::nullopt;
    std::optional<uint32_t> width, height, sampleBits;
    for (uint32_t i = 0; i < *count; ++i) {
        const size_t entry = size_t{*ifd} + 2 + size_t{i} * 12;
        const std::optional<uint32_t> tag = bytes.Read(entry, 2, bigEndian);
        const std::optional<uint32_t> type = bytes.Read(entry + 2, 2, bigEndian);
        if (!tag || !type) return std::nullopt;
        if (*tag == 258 && *type == 3) {
            // BitsPerSample: one SHORT a sample, in the value field when two
            // fit there, else at the offset it holds; the first one counts.
            const std::optional<uint32_t> samples = bytes.Read(entry + 4, 4, bigEndian);
            if (samples && *samples <= 2) sampleBits = bytes.Read(entry + 8, 2, bigEndian);
            else if (const std::optional<uint32_t> at = bytes.Read(entry + 8, 4, bigEndian))
                sampleBits = bytes.Read(*at, 2, bigEndian);
            continue;
        }
        if (*tag != 256 && *tag != 257) continue;
        // SHORT or LONG, held in the entry's value field.
        std::optional<uint32_t> value;
        if (*type == 3) value = bytes.Read(entry + 8, 2, bigEndian);
        else if (*type == 4) value = bytes.Read(entry + 8, 4, bigEndian);
        (*tag == 256 ? width : height) = value;
    }
    return WithSampleBits(Sized(PictureFormat::Tiff, width, height), sampleBits);
}

bool IsJpegFrameMarker(uint8_t marker) {
    // SOF0 to SOF15, but not DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureHeader> ReadJpeg(const HeaderBytes& bytes) {
    size_t at = 2;
    for (;;) {
        // Fill bytes (FF) may come before a marker.
        while (bytes.Has(at, 2) && bytes.Read(at, 1, true) == 0xFF && bytes.Read(at + 1, 1, true) == 0xFF) ++at;
        const std::optional<uint32_t> prefix = bytes.Read(at, 1, true);
        const std::optional<uint32_t> marker = bytes.Read(at + 1, 1, true);
        if (!prefix || !marker || *prefix != 0xFF) return std::nullopt;
        // Markers without a length; a scan or the end before a frame header is no picture.
        if (*marker == 0x01 || (*marker >= 0xD0 && *marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (*marker == 0xD9 || *marker == 0xDA) return std::nullopt;
        const std::optional<uint32_t> length = bytes.Be16(at + 2);
        if (!length || *length < 2) return std::nullopt;
        if (IsJpegFrameMarker(static_cast<uint8_t>(*marker)))
            return Sized(PictureFormat::Jpeg, bytes.Be16(at + 7), bytes.Be16(at + 5));
        at += 2 + *length;
    }
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(std::span<const uint8_t> data) {
    const HeaderBytes bytes(data);
    constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    constexpr uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    constexpr uint8_t kBmp[] = {'B', 'M'};
    constexpr uint8_t kTiffLittle[] = {'I', 'I', 42, 0};
    constexpr uint8_t kTiffBig[] = {'M', 'M', 0, 42};
    constexpr uint8_t kJpeg[] = {0xFF, 0xD8};
    if (bytes.StartsWith(kPng)) return ReadPng(bytes);
    if (bytes.StartsWith(kGif87) || bytes.StartsWith(kGif89)) return ReadGif(bytes);
    if (bytes.StartsWith(kBmp)) return ReadBmp(bytes);
    if (bytes.StartsWith(kTiffLittle)) return ReadTiff(bytes, false);
    if (bytes.StartsWith(kTiffBig)) return ReadTiff(bytes, true);
    if (bytes.StartsWith(kJpeg)) return ReadJpeg(bytes);
    return std::nullopt;
}

}  // namespace imaging
