#include "tests/support/raw_fixtures.h"

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace raw_fixtures {

namespace {

constexpr uint16_t kShort = 3;
constexpr uint16_t kLong = 4;
constexpr uint16_t kUndefined = 7;

// Bytes written at chosen offsets in one byte order; the file grows to hold them.
class Writer {
public:
    explicit Writer(bool bigEndian = false) : m_big(bigEndian) {}

    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };

    Writer& Put(size_t at, const Bytes& bytes) {
        Grow(at + bytes.size());
        std::copy(bytes.begin(), bytes.end(), m_bytes.begin() + static_cast<ptrdiff_t>(at));
        return *this;
    }
    Writer& Text(size_t at, std::string_view text) { return Put(at, Bytes(text.begin(), text.end())); }
    Writer& U16(size_t at, uint16_t value) {
        Grow(at + 2);
        m_bytes[at + (m_big ? 0 : 1)] = static_cast<uint8_t>(value >> 8);
        m_bytes[at + (m_big ? 1 : 0)] = static_cast<uint8_t>(value);
        return *this;
    }
    Writer& U32(size_t at, uint32_t value) {
        U16(at + (m_big ? 0 : 2), static_cast<uint16_t>(value >> 16));
        return U16(at + (m_big ? 2 : 0), static_cast<uint16_t>(value));
    }
    // An IFD: its entries, a SHORT's value in the field's first two bytes,
    // then the next IFD's offset.
    Writer& Ifd(size_t at, std::initializer_list<Entry> entries, uint32_t next = 0) {
        U16(at, static_cast<uint16_t>(entries.size()));
        size_t entry = at + 2;
        for (const Entry& e : entries) {
            U16(entry, e.tag).U16(entry + 2, e.type).U32(entry + 4, e.count).U32(entry + 8, 0);
            if (e.type == kShort && e.count == 1) U16(entry + 8, static_cast<uint16_t>(e.value));
            else U32(entry + 8, e.value);
            entry += 12;
        }
        return U32(entry, next);
    }
    // A TIFF header with IFD0 at `ifd0`.
    Writer& Header(uint16_t magic, uint32_t ifd0) { return Text(0, m_big ? "MM" : "II").U16(2, magic).U32(4, ifd0); }
    // `count` bytes standing for raw data.
    Writer& Filler(size_t at, size_t count) { return Put(at, Bytes(count, 0x5A)); }
    Bytes Take() { return std::move(m_bytes); }

private:
    void Grow(size_t size) {
        if (m_bytes.size() < size) m_bytes.resize(size);
    }

    bool m_big;
    Bytes m_bytes;
};

uint32_t Size(const Bytes& bytes) { return static_cast<uint32_t>(bytes.size()); }
uint32_t After(uint32_t at, const Bytes& bytes) { return (at + Size(bytes) + 15) & ~15u; }

// An ISO base media box.
Bytes Box(std::string_view type, std::initializer_list<Bytes> parts) {
    Writer box(true);
    box.Text(4, type);
    size_t at = 8;
    for (const Bytes& part : parts) {
        box.Put(at, part);
        at += part.size();
    }
    box.U32(0, static_cast<uint32_t>(at));
    return box.Take();
}

Bytes Raw(std::initializer_list<uint8_t> bytes) { return Bytes(bytes); }

// A CR3 image box's fixed header: its JPEG lies 24 bytes after the box's start.
Bytes JpegBoxHeader(bool preview, const Bytes& jpeg, uint16_t width, uint16_t height) {
    Writer header(true);
    if (preview) header.U16(4, 1).U16(6, width).U16(8, height).U16(10, 1).U32(12, Size(jpeg));
    else header.U16(4, width).U16(6, height).U32(8, Size(jpeg)).U16(12, 1).U16(14, 0);
    return header.Take();
}

}  // namespace

Bytes MakeSubIfdFile(const Bytes& preview, const SubIfdFile& options) {
    constexpr uint32_t kSubIfdsAt = 0x60;
    const uint32_t rawAt = After(kPreviewAt, preview);
    Writer file(options.bigEndian);
    file.Header(42, kIfd0At);
    file.Ifd(kIfd0At,
             {{0x0100, kShort, 1, 160},
              {0x0106, kShort, 1, 2},
              {0x0112, kShort, 1, static_cast<uint32_t>(options.orientation)},
              {0x014A, kLong, 2, kSubIfdsAt}},
             options.ifd0ChainsToItself ? kIfd0At : 0);
    file.U32(kSubIfdsAt, kPreviewIfdAt).U32(kSubIfdsAt + 4, kRawIfdAt);
    file.Ifd(kPreviewIfdAt, {{0x0103, kShort, 1, 6},
                             {0x0201, kLong, 1, options.previewOffset ? options.previewOffset : kPreviewAt},
                             {0x0202, kLong, 1, Size(preview)}});
    if (options.rawSubIfdNamesItself) {
        file.Ifd(kRawIfdAt, {{0x0106, kShort, 1, 32803},
                             {0x0111, kLong, 1, rawAt},
                             {0x0117, kLong, 1, kRawBytes},
                             {0x014A, kLong, 1, kRawIfdAt}});
    } else {
        file.Ifd(kRawIfdAt, {{0x0106, kShort, 1, 32803}, {0x0111, kLong, 1, rawAt}, {0x0117, kLong, 1, kRawBytes}});
    }
    return file.Put(kPreviewAt, preview).Filler(rawAt, kRawBytes).Take();
}

Bytes MakeCr2File(const Bytes& preview, const Bytes& losslessRaw) {
    constexpr uint32_t kIfd0 = 0x10, kRawIfd = 0x100;
    const uint32_t rawAt = After(kPreviewAt, preview);
    Writer file;
    file.Header(42, kIfd0).Text(8, "CR").U16(10, 2);
    file.Ifd(kIfd0, {{0x0103, kShort, 1, 6}, {0x0111, kLong, 1, kPreviewAt}, {0x0117, kLong, 1, Size(preview)}},
             kRawIfd);
    file.Ifd(kRawIfd, {{0x0103, kShort, 1, 6}, {0x0111, kLong, 1, rawAt}, {0x0117, kLong, 1, Size(losslessRaw)}});
    return file.Put(kPreviewAt, preview).Put(rawAt, losslessRaw).Take();
}

Bytes MakeOrfFile(const Bytes& preview) {
    constexpr uint32_t kExifAt = 0x80, kNoteAt = 0x100, kSettingsAt = 0x180, kNoteSize = 0x100;
    const uint32_t rawAt = After(kPreviewAt, preview);
    Writer file;
    file.Text(0, "IIRO").U32(4, kIfd0At);
    file.Ifd(kIfd0At, {{0x0106, kShort, 1, 32803},
                       {0x0111, kLong, 1, rawAt},
                       {0x0117, kLong, 1, kRawBytes},
                       {0x8769, kLong, 1, kExifAt}});
    file.Ifd(kExifAt, {{0x927C, kUndefined, kNoteSize, kNoteAt}});
    file.Text(kNoteAt, std::string_view("OLYMPUS\0II\x03\0", 12));
    file.Ifd(kNoteAt + 12, {{0x2020, 13, 1, kSettingsAt - kNoteAt}});
    file.Ifd(kSettingsAt, {{0x0101, kLong, 1, kPreviewAt - kNoteAt}, {0x0102, kLong, 1, Size(preview)}});
    return file.Put(kPreviewAt, preview).Filler(rawAt, kRawBytes).Take();
}

Bytes MakeRw2File(const Bytes& preview) {
    const uint32_t rawAt = After(kPreviewAt, preview);
    Writer file;
    file.Header(0x55, kIfd0At);
    file.Ifd(kIfd0At, {{0x002E, kUndefined, Size(preview), kPreviewAt},
                       {0x0111, kLong, 1, rawAt},
                       {0x0117, kLong, 1, kRawBytes}});
    return file.Put(kPreviewAt, preview).Filler(rawAt, kRawBytes).Take();
}

Bytes MakePlainTiff(const Bytes& thumbnail) {
    constexpr uint32_t kIfd1At = 0x80, kPixelsAt = 0x100, kPixelBytes = 64 * 48 * 3;
    Writer file;
    file.Header(42, kIfd0At);
    file.Ifd(kIfd0At,
             {{0x0100, kShort, 1, 64},
              {0x0101, kShort, 1, 48},
              {0x0106, kShort, 1, 2},
              {0x0111, kLong, 1, kPixelsAt},
              {0x0117, kLong, 1, kPixelBytes}},
             kIfd1At);
    file.Ifd(kIfd1At, {{0x0103, kShort, 1, 6}, {0x0201, kLong, 1, kPreviewAt}, {0x0202, kLong, 1, Size(thumbnail)}});
    return file.Filler(kPixelsAt, kPixelBytes).Put(kPreviewAt, thumbnail).Take();
}

Bytes MakeCr3File(const Bytes& preview, const Bytes& thumbnail, int orientation) {
    Writer metadata;
    metadata.Header(42, kIfd0At).Ifd(kIfd0At, {{0x0112, kShort, 1, static_cast<uint32_t>(orientation)}});
    const Bytes canonMetadata = Raw({0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                     0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48});
    const Bytes canonPreview = Raw({0xea, 0xf4, 0x2b, 0x5e, 0x1c, 0x98, 0x4b, 0x88,
                                    0xb9, 0xfb, 0xb7, 0xdc, 0x40, 0x6e, 0x4d, 0x16});
    Bytes file = Box("ftyp", {Bytes{'c', 'r', 'x', ' ', 0, 0, 0, 1, 'c', 'r', 'x', ' ', 'i', 's', 'o', 'm'}});
    const Bytes moov = Box("moov", {Box("uuid", {canonMetadata, Box("CMT1", {metadata.Take()}),
                                                 Box("THMB", {JpegBoxHeader(false, thumbnail, 160, 120), thumbnail})})});
    file.insert(file.end(), moov.begin(), moov.end());
    if (!preview.empty()) {
        const Bytes uuid = Box("uuid", {canonPreview, Raw({0, 0, 0, 0, 0, 0, 0, 1}),
                                        Box("PRVW", {JpegBoxHeader(true, preview, 1620, 1080), preview})});
        file.insert(file.end(), uuid.begin(), uuid.end());
    }
    const Bytes mdat = Box("mdat", {Bytes(kRawBytes, 0x5A)});
    file.insert(file.end(), mdat.begin(), mdat.end());
    return file;
}

Bytes MakeRafFile(const Bytes& preview) {
    constexpr uint32_t kJpegAt = 0x100;
    const uint32_t cfaHeaderAt = After(kJpegAt, preview), cfaHeaderBytes = 0x40, cfaAt = cfaHeaderAt + 0x40;
    Writer file(true);
    file.Text(0, "FUJIFILMCCD-RAW 0201FF383501");
    file.U32(0x54, kJpegAt).U32(0x58, Size(preview));
    file.U32(0x5C, cfaHeaderAt).U32(0x60, cfaHeaderBytes);
    file.U32(0x64, cfaAt).U32(0x68, kRawBytes);
    return file.Put(kJpegAt, preview).Filler(cfaHeaderAt, cfaHeaderBytes).Filler(cfaAt, kRawBytes).Take();
}

Bytes MakeCrwFile(const Bytes& preview, int rotation) {
    constexpr uint32_t kHeader = 26, kInfoBytes = 28;
    // The sub-heap: the image info, then its table of one record, then the table's offset.
    Writer properties;
    properties.U32(0, 3000).U32(4, 2000).U32(12, static_cast<uint32_t>(rotation));
    properties.U16(kInfoBytes, 1).U16(kInfoBytes + 2, 0x1810).U32(kInfoBytes + 4, kInfoBytes).U32(kInfoBytes + 8, 0);
    properties.U32(kInfoBytes + 12, kInfoBytes);
    const Bytes subHeap = properties.Take();
    // The root heap: the JPEG, the sub-heap, the table of two records, its offset.
    const uint32_t subHeapAt = After(0, preview), tableAt = subHeapAt + Size(subHeap);
    Writer file;
    file.Text(0, "II").U32(2, kHeader).Text(6, "HEAPCCDR").U32(14, 0x10002);
    file.Put(kHeader, preview).Put(kHeader + subHeapAt, subHeap);
    file.U16(kHeader + tableAt, 2);
    file.U16(kHeader + tableAt + 2, 0x2007).U32(kHeader + tableAt + 4, Size(preview)).U32(kHeader + tableAt + 8, 0);
    file.U16(kHeader + tableAt + 12, 0x300A).U32(kHeader + tableAt + 14, Size(subHeap));
    file.U32(kHeader + tableAt + 18, subHeapAt);
    file.U32(kHeader + tableAt + 22, tableAt);
    return file.Take();
}

Bytes WithFrame(Bytes jpeg, uint8_t frame, uint16_t width, uint16_t height) {
    // From segment to segment: the frame's marker and size, never bytes inside another segment.
    for (size_t at = 2; at + 9 < jpeg.size() && jpeg[at] == 0xFF;) {
        const uint8_t marker = jpeg[at + 1];
        if (marker >= 0xC0 && marker <= 0xC3) {
            jpeg[at + 1] = frame;
            jpeg[at + 7] = static_cast<uint8_t>(width >> 8);
            jpeg[at + 8] = static_cast<uint8_t>(width);
            if (height) jpeg[at + 5] = static_cast<uint8_t>(height >> 8), jpeg[at + 6] = static_cast<uint8_t>(height);
            break;
        }
        at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
    }
    return jpeg;
}

}  // namespace raw_fixtures
