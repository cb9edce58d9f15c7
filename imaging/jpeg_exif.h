#pragma once
// The facts of an EXIF block (the TIFF structure after "Exif\0\0" in APP1)
// that change how a picture is shown: its orientation and its density.
#include <cstdint>
#include <span>

namespace imaging {

struct ExifFacts {
    int orientation = 0;  // 1 to 8; 0 when absent or out of range
    float dpiX = 0;       // 0 when absent
    float dpiY = 0;
};

// Reads IFD0 of the TIFF structure; offsets are relative to its first byte.
ExifFacts ReadExifFacts(std::span<const uint8_t> tiff);

}  // namespace imaging
