// libFuzzer target: the picture-header reader on any bytes. A header it
// returns always claims a size.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto header = imaging::ReadPictureHeader(std::span<const uint8_t>(data, size));
    if (header && (header->width == 0 || header->height == 0)) std::abort();
    return 0;
}
