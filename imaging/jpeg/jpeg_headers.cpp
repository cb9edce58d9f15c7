#include "imaging/jpeg/jpeg_headers.h"

#include <algorithm>
#include <cstring>

#include "imaging/byte_reader.h"
#include "imaging/jpeg/jpeg_exif.h"
#include "imaging/jpeg/jpeg_preview.h"
#include "imaging/jpeg/jpeg_segments.h"

namespace imaging {

namespace {

constexpr unsigned kMaxBlocksPerMcu = 10;

bool StartsWith(std::span<const uint8_t> payload, const char* tag, size_t length) {
    return payload.size() >= length && std::memcmp(payload.data(), tag, length) == 0;
}

struct Densities {
    float jfifX = 0, jfifY = 0;
    float exifX = 0, exifY = 0;
    bool jfif = false;
    bool adobe = false;
    int adobeTransform = 1;
};

bool ReadFrame(std::span<const uint8_t> payload, JpegHeaders& headers) {
    ByteReader reader(payload);
    const unsigned precision = reader.U8();
    headers.height = reader.U16();
    headers.width = reader.U16();
    headers.componentCount = reader.U8();
    // A height of 0 is given later by a DNL marker, which cameras never write.
    if (precision != 8 || headers.width == 0 || headers.height == 0) return false;
    if (headers.componentCount != 1 && headers.componentCount != 3) return false;
    unsigned blocks = 0;
    for (unsigned i = 0; i < headers.componentCount; ++i) {
        JpegFrameComponent& component = headers.components[i];
        component.id = reader.U8();
        const uint8_t sampling = reader.U8();
        component.h = sampling >> 4;
        component.v = sampling & 15;
        component.quantTable = reader.U8();
        if (component.h < 1 || component.h > 2 || component.v < 1 || component.v > 2 || component.quantTable > 3)
            return false;
        for (unsigned j = 0; j < i; ++j)
            if (headers.components[j].id == component.id) return false;
        blocks += component.h * component.v;
    }
    return !reader.Failed() && blocks <= kMaxBlocksPerMcu;
}

bool ReadQuantTables(std::span<const uint8_t> payload, JpegHeaders& headers) {
    ByteReader reader(payload);
    while (reader.Remaining() > 0) {
        const uint8_t info = reader.U8();
        const unsigned precision = info >> 4, id = info & 15;
        if (precision > 1 || id > 3) return false;
        const unsigned first = precision == 0 ? reader.U8() : reader.U16();
        reader.Skip(precision == 0 ? 63 : 126);
        if (reader.Failed()) return false;
        headers.dcQuant[id] = first;
    }
    return true;
}

bool ReadHuffmanTables(std::span<const uint8_t> payload, JpegHeaders& headers) {
    ByteReader reader(payload);
    while (reader.Remaining() > 0) {
        const uint8_t info = reader.U8();
        const unsigned tableClass = info >> 4, id = info & 15;
        if (tableClass > 1 || id > 3) return false;
        const auto counts = reader.Take(16);
        size_t total = 0;
        for (uint8_t count : counts) total += count;
        const auto symbols = reader.Take(total);
        if (reader.Failed()) return false;
        HuffmanTable& table = tableClass == 0 ? headers.dcTables[id] : headers.acTables[id];
        if (!table.Build(counts, symbols, tableClass == 0 ? HuffmanTable::Kind::Dc : HuffmanTable::Kind::Ac))
            return false;
    }
    return true;
}

// The first scan must hold every component of the frame, in one sequential pass.
bool ReadScanHeader(std::span<const uint8_t> payload, JpegHeaders& headers) {
    if (headers.componentCount == 0) return false;
    ByteReader reader(payload);
    const unsigned count = reader.U8();
    if (count != headers.componentCount) return false;
    for (unsigned i = 0; i < count; ++i) {
        const uint8_t id = reader.U8();
        const uint8_t tables = reader.U8();
        // The scan lists its components in frame order.
        JpegFrameComponent& component = headers.components[i];
        if (component.id != id) return false;
        component.dcTable = tables >> 4;
        component.acTable = tables & 15;
        if (component.dcTable > 3 || component.acTable > 3) return false;
        if (!headers.dcTables[component.dcTable].Defined() || !headers.acTables[component.acTable].Defined())
            return false;
        if (headers.dcQuant[component.quantTable] == 0) return false;
    }
    const unsigned spectralStart = reader.U8(), spectralEnd = reader.U8(), approximation = reader.U8();
    return !reader.Failed() && spectralStart == 0 && spectralEnd == 63 && approximation == 0;
}

void ReadApp(const JpegSegment& segment, Densities& densities, JpegHeaders& headers) {
    const auto payload = segment.payload;
    if (segment.marker == jpeg_marker::kApp0 && StartsWith(payload, "JFIF\0", 5) && payload.size() >= 12) {
        densities.jfif = true;
        ByteReader jfif = ByteReader(payload).At(7);  // past the tag and the version
        const unsigned units = jfif.U8();
        const float perInch = units == 1 ? 1.0f : units == 2 ? 2.54f : 0.0f;
        densities.jfifX = static_cast<float>(jfif.U16()) * perInch;
        densities.jfifY = static_cast<float>(jfif.U16()) * perInch;
    } else if (segment.marker == jpeg_marker::kApp1 && StartsWith(payload, "Exif\0\0", 6)) {
        const ExifFacts facts = ReadExifFacts(payload.subspan(6));
        if (facts.orientation != 0) headers.orientation = facts.orientation;
        densities.exifX = facts.dpiX;
        densities.exifY = facts.dpiY;
    } else if (segment.marker == jpeg_marker::kApp14 && StartsWith(payload, "Adobe", 5) && payload.size() >= 12) {
        densities.adobe = true;
        densities.adobeTransform = ByteReader(payload).At(11).U8();
    }
}

}  // namespace

bool ReadJpegHeaders(std::span<const uint8_t> bytes, JpegHeaders& headers) {
    JpegSegmentReader segments(bytes);
    if (!segments.StartsAsJpeg()) return false;
    Densities densities;
    bool haveFrame = false;
    JpegSegment segment;
    while (segments.Next(segment)) {
        const uint8_t marker = segment.marker;
        if (jpeg_marker::IsFrame(marker)) {
            // Progressive, lossless, hierarchical and arithmetic frames are not covered.
            if (haveFrame || (marker != jpeg_marker::kSof0 && marker != jpeg_marker::kSof1)) return false;
            if (!ReadFrame(segment.payload, headers)) return false;
            haveFrame = true;
        } else if (marker == jpeg_marker::kDqt) {
            if (!ReadQuantTables(segment.payload, headers)) return false;
        } else if (marker == jpeg_marker::kDht) {
            if (!ReadHuffmanTables(segment.payload, headers)) return false;
        } else if (marker == jpeg_marker::kDri) {
            ByteReader interval(segment.payload);
            headers.restartInterval = interval.U16();
            if (interval.Failed()) return false;
        } else if (marker == jpeg_marker::kSos) {
            if (!haveFrame || !ReadScanHeader(segment.payload, headers)) return false;
            headers.scanStart = segments.Position();
            const bool jfifUnits = densities.jfifX > 0 && densities.jfifY > 0;
            headers.dpiX = jfifUnits ? densities.jfifX : densities.exifX;
            headers.dpiY = jfifUnits ? densities.jfifY : densities.exifY;
            // Three components are Y, Cb, Cr unless an Adobe segment says
            // otherwise or, without JFIF, their ids spell R, G, B.
            const auto& c = headers.components;
            headers.rgb = headers.componentCount == 3 &&
                          (densities.adobe ? densities.adobeTransform == 0
                                           : !densities.jfif && c[0].id == 'R' && c[1].id == 'G' && c[2].id == 'B');
            return true;
        } else if (marker >= jpeg_marker::kApp0 && marker <= 0xEF) {
            ReadApp(segment, densities, headers);
        } else if (marker == jpeg_marker::kDac) {
            return false;
        }
    }
    return false;
}

int ReadJpegOrientation(std::span<const uint8_t> bytes) {
    JpegSegmentReader segments(bytes);
    JpegSegment segment;
    while (segments.Next(segment)) {
        if (segment.marker == jpeg_marker::kApp1 && StartsWith(segment.payload, "Exif\0\0", 6)) {
            const int orientation = ReadExifFacts(segment.payload.subspan(6)).orientation;
            if (orientation != 0) return orientation;
        }
    }
    return 1;
}

}  // namespace imaging
