// libFuzzer target: the JPEG preview decoder and the orientation reader on
// any bytes. Besides what the sanitizers catch, a verdict that breaks the
// interface's promises counts as a crash.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/jpeg/jpeg_preview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const auto result = imaging::DecodeJpegPreview(bytes);
    if (result.status == imaging::JpegPreviewStatus::Made) {
        const auto& p = result.preview;
        const bool consistent = p.width >= 1 && p.height >= 1 && p.rgb.size() == size_t{p.width} * p.height * 3 &&
                                uint64_t{p.width} * p.height <= imaging::kMaxPreviewPixels &&
                                p.intactFraction >= 0 && p.intactFraction <= 1 &&
                                (p.damage == imaging::JpegDamage::None) == (p.intactFraction == 1.0);
        if (!consistent) std::abort();
    }
    const int orientation = imaging::ReadJpegOrientation(bytes);
    if (orientation < 1 || orientation > 8) std::abort();
    return 0;
}
