#include "imaging/picture_facts.h"

#include <utility>

#include "imaging/jpeg/jpeg_exif.h"
#include "imaging/jpeg/jpeg_segments.h"
#include "imaging/picture_header.h"

namespace imaging {

PictureFacts ReadPictureFacts(std::span<const uint8_t> bytes) {
    PictureFacts facts;
    if (const auto header = ReadPictureHeader(bytes)) {
        facts.width = header->width;
        facts.height = header->height;
    }
    JpegSegmentReader segments(bytes);
    if (!segments.StartsAsJpeg()) return facts;
    JpegSegment segment;
    while (segments.Next(segment)) {
        const auto payload = segment.payload;
        if (segment.marker != jpeg_marker::kApp1 || payload.size() < 6 || payload[0] != 'E' || payload[1] != 'x' ||
            payload[2] != 'i' || payload[3] != 'f' || payload[4] != 0 || payload[5] != 0)
            continue;
        ExifFacts exif = ReadExifFacts(payload.subspan(6));
        if (exif.orientation >= 5) std::swap(facts.width, facts.height);
        facts.taken = exif.taken;
        facts.camera = std::move(exif.camera);
        break;
    }
    return facts;
}

}  // namespace imaging
