#pragma once
// The facts of an EXIF block (the TIFF structure after "Exif\0\0" in APP1)
// that change how a picture is shown (its orientation and its density) and
// those that tell one photo from another (when it was taken, and by what).
#include <cstdint>
#include <span>
#include <string>

namespace imaging {

struct ExifFacts {
    int orientation = 0;  // 1 to 8; 0 when absent or out of range
    float dpiX = 0;       // 0 when absent
    float dpiY = 0;
    // DateTimeOriginal, else DateTime, as YYYYMMDDhhmmss; 0 when absent or no date.
    uint64_t taken = 0;
    std::string camera;  // Model; empty when absent
};

// "YYYY:MM:DD hh:mm:ss" as the number YYYYMMDDhhmmss; 0 for anything else
// (cameras without a clock write zeros or blanks).
uint64_t ParseExifDate(std::span<const uint8_t> text);

// Reads IFD0 of the TIFF structure; offsets are relative to its first byte.
ExifFacts ReadExifFacts(std::span<const uint8_t> tiff);

}  // namespace imaging
