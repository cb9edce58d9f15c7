#include "imaging/picture_header.h"

#include <algorithm>
#include <cstddef>

#include "imaging/byte_reader.h"

namespace imaging {

namespace {

std::optional<PictureHeader> Sized(PictureFormat format, uint32_t width, uint32_t height) {
    if (width == 0 || height == 0) return std::nullopt;
    return PictureHeader{format, width, height};
}

// Bits of 0 are none given.
std::optional<PictureHeader> WithSampleBits(std::optional<PictureHeader> header, uint32_t bits) {
    if (header && bits > 0) header->bitsPerSample = bits;
    return header;
}

std::optional<PictureHeader> ReadPng(const ByteReader& file) {
    // The signature, then the IHDR chunk: length, type, width, height, bit depth.
    ByteReader ihdr = file.At(12);
    const auto type = ihdr.Take(4);
    if (ihdr.Failed() || !std::equal(type.begin(), type.end(), "IHDR")) return std::nullopt;
    const uint32_t width = ihdr.U32();
    const uint32_t height = ihdr.U32();
    const std::optional<PictureHeader> header = Sized(PictureFormat::Png, width, height);
    return WithSampleBits(header, ihdr.U8());
}

// The first image descriptor's offset, past the global colour table and any
// extensions; none when the bytes end first or hold something else.
std::optional<size_t> FirstGifFrame(const ByteReader& file) {
    ByteReader screen = file.At(10);
    const uint8_t flags = screen.U8();
    if (screen.Failed()) return std::nullopt;
    ByteReader blocks = file.At(13 + ((flags & 0x80) ? 3 * (size_t{2} << (flags & 7)) : 0));
    for (;;) {
        const size_t at = blocks.Position();
        const uint8_t introducer = blocks.U8();
        if (blocks.Failed()) return std::nullopt;
        if (introducer == 0x2C) return at;
        if (introducer != 0x21) return std::nullopt;
        blocks.Skip(1);  // the label, then sub-blocks up to an empty one
        for (uint8_t size; (size = blocks.U8()) != 0;) blocks.Skip(size);
    }
}

std::optional<PictureHeader> ReadGif(const ByteReader& file) {
    // A decoder allocates the logical screen, and decodes the first frame
    // whole even where it lies off the screen: the larger of the two counts.
    ByteReader screen = file.At(6);
    uint32_t width = screen.U16();
    uint32_t height = screen.U16();
    if (screen.Failed()) return std::nullopt;
    if (const std::optional<size_t> frame = FirstGifFrame(file)) {
        ByteReader descriptor = file.At(*frame + 1);
        const uint32_t left = descriptor.U16(), top = descriptor.U16();
        const uint32_t frameWidth = descriptor.U16(), frameHeight = descriptor.U16();
        if (!descriptor.Failed()) {
            width = std::max(width, left + frameWidth);
            height = std::max(height, top + frameHeight);
        }
    }
    return Sized(PictureFormat::Gif, width, height);
}

std::optional<PictureHeader> ReadBmp(const ByteReader& file) {
    ByteReader info = file.At(14);
    const uint32_t infoSize = info.U32();
    if (info.Failed()) return std::nullopt;
    if (infoSize == 12) {
        const uint32_t width = info.U16();
        return Sized(PictureFormat::Bmp, width, info.U16());
    }
    const uint32_t width = info.U32();
    const int32_t signedHeight = static_cast<int32_t>(info.U32());
    if (info.Failed() || static_cast<int32_t>(width) <= 0) return std::nullopt;
    // A negative height is a picture stored top row first.
    if (signedHeight == INT32_MIN) return std::nullopt;
    const uint32_t height = static_cast<uint32_t>(signedHeight < 0 ? -signedHeight : signedHeight);
    // Bits a pixel follow the planes: 64 are four samples of 16 bits.
    info.Skip(2);
    const uint32_t pixelBits = info.U16();
    const uint32_t sampleBits = info.Failed() ? 0 : pixelBits > 32 ? 16 : 8;
    return WithSampleBits(Sized(PictureFormat::Bmp, width, height), sampleBits);
}

std::optional<PictureHeader> ReadTiff(const ByteReader& file) {
    ByteReader header = file.At(4);
    const uint32_t ifd = header.U32();
    if (header.Failed()) return std::nullopt;
    ByteReader directory = file.At(ifd);
    const uint32_t count = directory.U16();
    if (directory.Failed()) return std::nullopt;
    // 0 while not given.
    uint32_t width = 0, height = 0, sampleBits = 0;
    for (uint32_t i = 0; i < count; ++i) {
        ByteReader entry = file.At(size_t{ifd} + 2 + size_t{i} * 12);
        const uint16_t tag = entry.U16(), type = entry.U16();
        if (entry.Failed()) return std::nullopt;
        if (tag == 258 && type == 3) {
            // BitsPerSample: one SHORT a sample, in the value field when two
            // fit there, else at the offset it holds; the first one counts.
            const uint32_t samples = entry.U32();
            if (!entry.Failed() && samples <= 2) sampleBits = entry.U16();
            else if (const uint32_t at = entry.U32(); !entry.Failed()) sampleBits = file.At(at).U16();
            continue;
        }
        if (tag != 256 && tag != 257) continue;
        // SHORT or LONG, held in the entry's value field.
        entry.Skip(4);
        uint32_t value = 0;
        if (type == 3) value = entry.U16();
        else if (type == 4) value = entry.U32();
        (tag == 256 ? width : height) = value;
    }
    return WithSampleBits(Sized(PictureFormat::Tiff, width, height), sampleBits);
}

bool IsJpegFrameMarker(uint8_t marker) {
    // SOF0 to SOF15, but not DHT (C4), JPG (C8) and DAC (CC).
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

std::optional<PictureHeader> ReadJpeg(const ByteReader& file) {
    ByteReader segments = file.At(2);
    for (;;) {
        if (segments.U8() != 0xFF) return std::nullopt;
        uint8_t marker = segments.U8();
        while (marker == 0xFF) marker = segments.U8();  // fill bytes before a marker
        if (segments.Failed()) return std::nullopt;
        // Markers without a length; a scan or the end before a frame header is no picture.
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;
        const uint16_t length = segments.U16();
        if (segments.Failed() || length < 2) return std::nullopt;
        if (IsJpegFrameMarker(marker)) {
            segments.Skip(1);  // the sample precision
            const uint32_t height = segments.U16();
            return Sized(PictureFormat::Jpeg, segments.U16(), height);
        }
        segments.Skip(length - 2u);
    }
}

bool StartsWith(std::span<const uint8_t> bytes, std::span<const uint8_t> magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

}  // namespace

std::optional<PictureHeader> ReadPictureHeader(std::span<const uint8_t> bytes) {
    constexpr uint8_t kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    constexpr uint8_t kGif87[] = {'G', 'I', 'F', '8', '7', 'a'};
    constexpr uint8_t kGif89[] = {'G', 'I', 'F', '8', '9', 'a'};
    constexpr uint8_t kBmp[] = {'B', 'M'};
    constexpr uint8_t kTiffLittle[] = {'I', 'I', 42, 0};
    constexpr uint8_t kTiffBig[] = {'M', 'M', 0, 42};
    constexpr uint8_t kJpeg[] = {0xFF, 0xD8};
    const ByteReader big(bytes, ByteOrder::BigEndian), little(bytes, ByteOrder::LittleEndian);
    if (StartsWith(bytes, kPng)) return ReadPng(big);
    if (StartsWith(bytes, kGif87) || StartsWith(bytes, kGif89)) return ReadGif(little);
    if (StartsWith(bytes, kBmp)) return ReadBmp(little);
    if (StartsWith(bytes, kTiffLittle)) return ReadTiff(little);
    if (StartsWith(bytes, kTiffBig)) return ReadTiff(big);
    if (StartsWith(bytes, kJpeg)) return ReadJpeg(big);
    return std::nullopt;
}

}  // namespace imaging
