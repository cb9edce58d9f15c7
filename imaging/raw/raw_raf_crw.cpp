// The two RAW families that are neither TIFF nor boxes. RAF: a big-endian
// header that names the JPEG's offset and length, and the raw data's after
// it. CRW: Canon's heap of records, each heap's table of contents at its own
// end, the JPEG in a record of its own and the rotation in the image-info record.
#include "imaging/raw/raw_source.h"

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

    static constexpr ByteOrder kOrder = ByteOrder::LittleEndian;

    void Read(uint64_t start, uint64_t length, int depth) {
        if (depth > kCrwMaxDepth || length < 6 || !m_source.Holds(start, length)) return;
        uint8_t tableBytes[4];
        ByteReader tableField = m_source.Bytes(start + length - 4, tableBytes, kOrder);
        const uint32_t table = tableField.U32();
        if (tableField.Failed() || table > length - 6) return;
        const uint64_t tableAt = start + table;
        uint8_t countBytes[2];
        ByteReader countField = m_source.Bytes(tableAt, countBytes, kOrder);
        const uint16_t count = countField.U16();
        if (countField.Failed() || count * kCrwRecordSize > start + length - tableAt - 2) return;
        for (uint64_t i = 0; i < count; ++i) {
            if (++m_records > kCrwMaxRecords) return;
            uint8_t recordBytes[kCrwRecordSize];
            ByteReader record = m_source.Bytes(tableAt + 2 + i * kCrwRecordSize, recordBytes, kOrder);
            const uint16_t tag = record.U16();
            const uint32_t size = record.U32(), offset = record.U32();
            if (record.Failed() || (tag & kCrwInRecord)) continue;
            const uint64_t at = start + offset;
            m_layout.Declare(at, size);
            const uint16_t type = tag & kCrwTypeMask, id = tag & kCrwIdMask;
            if (type == kCrwHeap || type == kCrwHeap2) {
                // A heap lies inside the one naming it.
                if (offset <= length && size <= length - offset) Read(at, size, depth + 1);
            } else if (id == kCrwJpgFromRaw) {
                m_layout.Add({at, size});
            } else if (id == kCrwImageInfo && size >= kCrwRotationAt + 4) {
                uint8_t rotationBytes[4];
                ByteReader rotation = m_source.Bytes(at + kCrwRotationAt, rotationBytes, kOrder);
                const int32_t degrees = static_cast<int32_t>(rotation.U32());
                if (!rotation.Failed()) m_layout.orientation = OrientationOf(degrees);
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
        uint8_t bytes[8];
        ByteReader fields = source.Bytes(kRafJpegOffsetAt + pair * 8, bytes, ByteOrder::BigEndian);
        const uint32_t offset = fields.U32(), length = fields.U32();
        if (fields.Failed() || length == 0) continue;
        layout.Declare(offset, length);
        if (pair == 0) layout.Add({offset, length});
    }
    return true;
}

bool ReadCrwLayout(RawSource& source, RawLayout& layout) {
    uint8_t bytes[4];
    ByteReader field = source.Bytes(2, bytes, ByteOrder::LittleEndian);
    const uint32_t header = field.U32();
    if (!source.Matches(0, "II") || !source.Matches(6, "HEAPCCDR") || field.Failed() || header < 14) return false;
    layout.family = RawFamily::Crw;
    layout.headerEnd = header;
    // The root heap runs from the header to the file's end.
    if (header < source.Size()) CrwHeaps(source, layout).Read(header, source.Size() - header, 0);
    return true;
}

}  // namespace imaging
