#pragma once
// The size a picture file claims in its own header, read before any decoder
// is let loose on it: a few hundred bytes can claim a picture of billions of
// pixels. Plain C++ on bytes nobody vouches for; every read is bounds-checked.
#include <cstdint>
#include <optional>
#include <span>

namespace imaging {

enum class PictureFormat { Bmp, Gif, Jpeg, Png, Tiff };

struct PictureHeader {
    PictureFormat format;
    uint32_t width = 0;
    uint32_t height = 0;
    // Bits of each sample as stored: a PNG or TIFF of 16 bits a sample, or a
    // BMP of 64 bits a pixel, decodes to twice the memory of an 8-bit one.
    uint32_t bitsPerSample = 8;

    uint64_t Pixels() const { return uint64_t{width} * height; }
};

// The format and claimed size of a BMP, GIF, JPEG, PNG or TIFF file from its
// first bytes (a JPEG's frame header may come after large metadata segments,
// so hand over as much of the file as is at hand). None when the bytes are of
// another kind or the header is cut off or claims no size.
std::optional<PictureHeader> ReadPictureHeader(std::span<const uint8_t> bytes);

}  // namespace imaging
