#pragma once
// What tells one found photo from another in a list of thousands: its size
// as shown, when it was taken and by what camera. Read from the header and
// the EXIF block only; plain C++ on bytes nobody vouches for.
#include <cstdint>
#include <span>
#include <string>

namespace imaging {

struct PictureFacts {
    // As shown, upright by the EXIF orientation; 0 x 0 when the header gives none.
    uint32_t width = 0;
    uint32_t height = 0;
    uint64_t taken = 0;  // YYYYMMDDhhmmss; 0 when unknown
    std::string camera;  // empty when unknown

    bool SizeKnown() const { return width != 0 && height != 0; }
};

PictureFacts ReadPictureFacts(std::span<const uint8_t> bytes);

}  // namespace imaging
