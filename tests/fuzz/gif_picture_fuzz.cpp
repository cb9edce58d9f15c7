// libFuzzer target: the GIF decoder on any bytes. A picture it makes has
// exactly the pixels its size says.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/gif_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto result = imaging::DecodeGif(std::span<const uint8_t>(data, size));
    if (result.status == imaging::GifStatus::Made &&
        result.picture.rgb.size() != size_t{result.picture.width} * result.picture.height * 3)
        std::abort();
    return 0;
}
