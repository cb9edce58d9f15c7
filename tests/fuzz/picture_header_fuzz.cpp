// libFuzzer target: the picture-header reader and the facts read beside it on
// any bytes. A header it returns always claims a size, and the facts agree
// with it, turned or not.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/picture_facts.h"
#include "imaging/picture_header.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    const auto header = imaging::ReadPictureHeader(bytes);
    if (header && (header->width == 0 || header->height == 0)) std::abort();
    const imaging::PictureFacts facts = imaging::ReadPictureFacts(bytes);
    if (header.has_value() != facts.SizeKnown()) std::abort();
    if (header && uint64_t{facts.width} * facts.height != header->Pixels()) std::abort();
    if (facts.taken != 0 && (facts.taken < 18000101000000 || facts.taken > 99991231235960)) std::abort();
    return 0;
}
