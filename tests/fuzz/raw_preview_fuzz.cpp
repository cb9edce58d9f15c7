// libFuzzer target: the RAW preview finder on any bytes must neither crash
// nor report a preview outside the file or an orientation EXIF does not have.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/raw/raw_preview.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    imaging::RawBytesReader file(std::span<const uint8_t>(data, size));
    const imaging::RawFacts facts = imaging::FindRawPreview(file);
    if (facts.preview) {
        const imaging::RawPreview& p = *facts.preview;
        const bool sound = facts.family != imaging::RawFamily::NotRaw && p.offset <= size &&
                           p.length <= size - p.offset && p.width > 0 && p.height > 0 && p.orientation >= 1 &&
                           p.orientation <= 8;
        if (!sound) std::abort();
    }
    if (facts.PresentShare() <= 0 || facts.PresentShare() > 1) std::abort();
    return 0;
}
