// The two RAW families that are neither TIFF nor boxes. RAF: a big-endian
// header that names the JPEG's offset and length, and the raw data's after
// it. CRW: Canon's heap of records, each heap's table of contents at its own
// end, the JPEG in a record of its own and the rotation in the image-info record.
#include "imaging/raw_source.h"

namespace imaging {

namespace {

constexpr uint64_t kRafJpegOffsetAt = 0x54;
constexpr uint64_t kRafHeaderEnd = 0x6C;  // past the last offset and length pair

constexpr uint16_t kCrwJpgFromRaw = 0x2007;
constexpr uint16_t kCrwImageInfo = 0x1810;
constexpr uint16_t kCrwIdMask = 0x3FFF;
constexpr uint16_t kCrwTypeMask = 0x3800;
constexpr uint16_t kCrwHeap = 0x2800;
constexpr uint16_t kCrwHeap2 = 0x3000;
constexpr uint16_t kCrwInRecord = 0x4000;
constexpr uint64_t kCrwRecordSize = 10;
constexpr uint64_t kCrwRotationAt = 12;
constexpr int kCrwMaxDepth = 8;
constexpr unsigned kCrwMaxRecords = 1024;

class CrwHeaps {
public:
    CrwHeaps(RawSource& source, RawLayout& layout) : m_source(source), m_layout(layout) {}

    void Read(uint64_t start, uint64_t length, int depth) {
        if (depth > kCrwMaxDepth || length < 6 || !m_source.Holds(start, length)) return;
        const auto table = m_source.U32(start + length - 4, true);
        if (!table || *table > length - 6) return;
        const uint64_t tableAt = start + *table;
        const auto count = m_source.U16(tableAt, true);
        if (!count || *count * kCrwRecordSize > start + length - tableAt - 2) return;
        for (uint64_t i = 0; i < *count; ++i) {
            if (++m_records > kCrwMaxRecords) return;
            const uint64_t record = tableAt + 2 + i * kCrwRecordSize;
            const auto tag = m_source.U16(record, true);
            const auto size = m_source.U32(record + 2, true), offset = m_source.U32(record + 6, true);
            if (!tag || !size || !offset || (*tag & kCrwInRecord)) continue;
            const uint64_t at = start + *offset;
            m_layout.Declare(at, *size);
            const uint16_t type = *tag & kCrwTypeMask, id = *tag & kCrwIdMask;
            if (type == kCrwHeap || type == kCrwHeap2) {
                // A heap lies inside the one naming it.
                if (*offset <= length && *size <= length - *offset) Read(at, *size, depth + 1);
            } else if (id == kCrwJpgFromRaw) {
                m_layout.Add({at, *size});
            } else if (id == kCrwImageInfo && *size >= kCrwRotationAt + 4) {
                if (const auto rotation = m_source.U32(at + kCrwRotationAt, true))
                    m_layout.orientation = OrientationOf(static_cast<int32_t>(*rotation));
            }
        }
    }

private:
    // Degrees clockwise to turn the picture upright, as EXIF says it.
    static int OrientationOf(int32_t rotation) {
        switch (rotation) {
        case 0: return 1;
        case 90: return 6;
        case 180: return 3;
        case 270: case -90: return 8;
        default: return 0;
        }
    }

    RawSource& m_source;
    RawLayout& m_layout;
    unsigned m_records = 0;
};

}  // namespace

bool ReadRafLayout(RawSource& source, RawLayout& layout) {
    if (!source.Matches(0, "FUJIFILMCCD-RAW ")) return false;
    layout.family = RawFamily::Raf;
    layout.headerEnd = kRafHeaderEnd;
    // The JPEG, the raw data's header and the raw data, each as offset and length.
    for (uint64_t pair = 0; pair < 3; ++pair) {
        const auto offset = source.U32(kRafJpegOffsetAt + pair * 8, false);
        const auto length = source.U32(kRafJpegOffsetAt + pair * 8 + 4, false);
        if (!offset || !length || *length == 0) continue;
        layout.Declare(*offset, *length);
        if (pair == 0) layout.Add({*offset, *length});
    }
    return true;
}

bool ReadCrwLayout(RawSource& source, RawLayout& layout) {
    const auto header = source.U32(2, true);
    if (!source.Matches(0, "II") || !source.Matches(6, "HEAPCCDR") || !header || *header < 14) return false;
    layout.family = RawFamily::Crw;
    layout.headerEnd = *header;
    // The root heap runs from the header to the file's end.
    if (*header < source.Size()) CrwHeaps(source, layout).Read(*header, source.Size() - *header, 0);
    return true;
}

}  // namespace imaging
