// CR3: ISO base media boxes. The preview (PRVW) lies in a top-level uuid box
// of Canon's, the thumbnail (THMB) in the Canon uuid box inside moov, beside
// the TIFF structures (CMT1) that hold the orientation. Each keeps its JPEG
// 24 bytes after its own start, its length in its fixed header.
#include <algorithm>
#include <array>

#include "imaging/raw/raw_source.h"

namespace imaging {

namespace {

constexpr std::array<uint8_t, 16> kCanonMetadataUuid = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                                        0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
constexpr std::array<uint8_t, 16> kCanonPreviewUuid = {0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                                       0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16};
constexpr uint64_t kJpegInBox = 24;
constexpr uint64_t kPreviewLengthAt = 20;
constexpr uint64_t kThumbnailLengthAt = 16;
// The preview's box follows 8 bytes after the uuid.
constexpr uint64_t kPreviewBoxInUuid = 8;
constexpr size_t kMaxBoxes = 1024;

struct Box {
    uint64_t start = 0;
    uint64_t end = 0;  // as the box declares it; may lie past the file's end
    uint64_t payload = 0;
    std::array<char, 4> type{};

    bool Is(const char* name) const { return std::equal(type.begin(), type.end(), name); }
};

// The box at `offset`, which must start before `end`.
std::optional<Box> ReadBox(RawSource& source, uint64_t offset, uint64_t end) {
    Box box;
    uint8_t headerBytes[8];
    ByteReader header = source.Bytes(offset, headerBytes, ByteOrder::BigEndian);
    const uint32_t size = header.U32();
    const auto type = header.Take(4);
    if (header.Failed() || offset + 8 > end) return std::nullopt;
    std::copy(type.begin(), type.end(), box.type.begin());
    uint64_t length = size;
    box.payload = offset + 8;
    if (size == 1) {
        uint8_t largeBytes[8];
        ByteReader large = source.Bytes(offset + 8, largeBytes, ByteOrder::BigEndian);
        const uint64_t high = large.U32();
        length = high << 32 | large.U32();
        if (large.Failed()) return std::nullopt;
        box.payload = offset + 16;
    } else if (size == 0) {
        // To the end of the file.
        if (offset > source.Size()) return std::nullopt;
        length = source.Size() - offset;
    }
    if (length < box.payload - offset || length > UINT64_MAX - offset) return std::nullopt;
    box.start = offset;
    box.end = offset + length;
    return box;
}

bool IsUuid(RawSource& source, const Box& box, const std::array<uint8_t, 16>& uuid) {
    return box.Is("uuid") && source.Matches(box.payload, std::string_view(reinterpret_cast<const char*>(uuid.data()), 16));
}

void AddJpeg(RawSource& source, RawLayout& layout, const Box& box, uint64_t lengthAt, bool narrowAllowed) {
    uint8_t bytes[4];
    ByteReader field = source.Bytes(box.start + lengthAt, bytes, ByteOrder::BigEndian);
    const uint32_t length = field.U32();
    if (field.Failed() || box.start + kJpegInBox + length > box.end) return;
    layout.Add({box.start + kJpegInBox, length, narrowAllowed});
}

class BoxWalk {
public:
    BoxWalk(RawSource& source, RawLayout& layout) : m_source(source), m_layout(layout) {}

    // Calls `visit` on each box from `from` to `end`; false when they do not
    // tile the range (a box past `end` ends the walk).
    template <typename Visit>
    bool Each(uint64_t from, uint64_t end, Visit visit) {
        for (uint64_t at = from; at + 8 <= end;) {
            if (++m_boxes > kMaxBoxes) return false;
            const std::optional<Box> box = ReadBox(m_source, at, end);
            if (!box || box->end <= at) return false;
            visit(*box);
            at = box->end;
        }
        return true;
    }

    void Metadata(const Box& uuid) {
        Each(uuid.payload + 16, std::min(uuid.end, m_source.Size()), [&](const Box& box) {
            if (box.Is("THMB")) AddJpeg(m_source, m_layout, box, kThumbnailLengthAt, true);
            if (box.Is("CMT1") && m_layout.orientation == 0)
                m_layout.orientation = ReadTiffOrientation(m_source, box.payload);
        });
    }

    void Movie(const Box& moov) {
        Each(moov.payload, std::min(moov.end, m_source.Size()), [&](const Box& box) {
            if (IsUuid(m_source, box, kCanonMetadataUuid)) Metadata(box);
        });
    }

    void Preview(const Box& uuid) {
        const uint64_t at = uuid.payload + 16 + kPreviewBoxInUuid;
        const std::optional<Box> box = ReadBox(m_source, at, std::min(uuid.end, m_source.Size()));
        if (box && box->Is("PRVW") && box->end <= uuid.end) AddJpeg(m_source, m_layout, *box, kPreviewLengthAt, false);
    }

private:
    RawSource& m_source;
    RawLayout& m_layout;
    size_t m_boxes = 0;
};

}  // namespace

bool ReadCr3Layout(RawSource& source, RawLayout& layout) {
    // "ftyp" with Canon's brand "crx ".
    if (!source.Matches(4, "ftypcrx ")) return false;
    layout.family = RawFamily::Cr3;
    BoxWalk walk(source, layout);
    // The top-level boxes declare the file's length: a file cut short ends
    // inside its last box.
    walk.Each(0, UINT64_MAX, [&](const Box& box) {
        layout.Declare(box.start, box.end - box.start);
        if (box.Is("moov")) walk.Movie(box);
        if (IsUuid(source, box, kCanonPreviewUuid)) walk.Preview(box);
    });
    return true;
}

}  // namespace imaging
