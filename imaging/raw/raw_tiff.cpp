// The TIFF family of RAW files: CR2, NEF, NRW, ARW, SR2, SRF, DNG, PEF, SRW,
// and the makers' own magic numbers of ORF and RW2. Previews are looked for
// where the formats put them: JPEGInterchangeFormat pairs and single
// JPEG-compressed strips in IFD0, its chain and their SubIFDs; RW2's
// JpgFromRaw tag; the preview IFD of Nikon's maker note, Olympus's camera
// settings and Pentax's preview tags.
#include <algorithm>

#include "imaging/raw/raw_tiff_directory.h"

namespace imaging {

namespace {

constexpr uint16_t kMagicTiff = 42;
constexpr uint16_t kMagicOrf = 0x4F52;   // "IIRO", "MMOR"
constexpr uint16_t kMagicOrfS = 0x5352;  // "IIRS"
constexpr uint16_t kMagicRw2 = 0x55;

constexpr uint16_t kTagRw2JpgFromRaw = 0x002E;
constexpr uint16_t kTagCompression = 0x0103;
constexpr uint16_t kTagPhotometric = 0x0106;
constexpr uint16_t kTagStripOffsets = 0x0111;
constexpr uint16_t kTagStripByteCounts = 0x0117;
constexpr uint16_t kTagTileOffsets = 0x0144;
constexpr uint16_t kTagTileByteCounts = 0x0145;
constexpr uint16_t kTagSubIfds = 0x014A;
constexpr uint16_t kTagJpegOffset = 0x0201;
constexpr uint16_t kTagJpegLength = 0x0202;
constexpr uint16_t kTagExifIfd = 0x8769;
constexpr uint16_t kTagMakerNote = 0x927C;
constexpr uint16_t kTagDngVersion = 0xC612;
constexpr uint16_t kTagNikonPreviewIfd = 0x0011;
constexpr uint16_t kTagOlympusCameraSettings = 0x2020;
constexpr uint16_t kTagOlympusPreviewStart = 0x0101;
constexpr uint16_t kTagOlympusPreviewLength = 0x0102;
constexpr uint16_t kTagPentaxPreviewLength = 0x0003;
constexpr uint16_t kTagPentaxPreviewStart = 0x0004;

constexpr uint32_t kCompressionOldJpeg = 6;
constexpr uint32_t kCompressionJpeg = 7;
constexpr uint32_t kPhotometricCfa = 32803;
constexpr uint32_t kPhotometricLinearRaw = 34892;

constexpr size_t kMaxIfds = 64;
constexpr uint32_t kMaxSubIfds = 16;
constexpr uint32_t kMaxChain = 16;
// Strip and tile tables are read this far for the data they declare; the last
// entry is read too, since data is laid out in order.
constexpr uint32_t kMaxTableEntries = 4096;

enum class IfdKind {
    Main,             // IFD0, its chain and SubIFDs: what they declare is the file's
    Exif,             // holds the maker note
    NikonMaker,
    OlympusMaker,
    OlympusSettings,  // Olympus's camera settings: the preview's place
    PentaxMaker,
    Preview,          // Nikon's preview IFD
};

struct IfdPlace {
    uint64_t offset = 0;  // absolute
    uint64_t base = 0;    // what its offsets are relative to
    ByteOrder order = ByteOrder::LittleEndian;
    IfdKind kind = IfdKind::Main;
    bool first = false;  // IFD0, whose orientation is the file's
    uint32_t chained = 0;
};

class TiffWalk {
public:
    TiffWalk(RawSource& source, RawLayout& layout) : m_source(source), m_layout(layout) {}

    // False when the file does not start as the TIFF family does.
    bool Start();
    void Run();
    // Something read says the file holds raw data, not just a picture.
    bool FoundRaw() const { return m_raw; }

private:
    void Queue(const IfdPlace& place);
    void ReadIfd(const IfdPlace& place);
    void ReadMakerNote(const IfdPlace& exif, const TiffEntry& note);
    void DeclareTable(const IfdPlace& place, TiffIfd& ifd, const TiffEntry& offsets, const TiffEntry& counts);
    void AddPair(const IfdPlace& place, std::optional<uint32_t> offset, std::optional<uint32_t> length,
                 std::optional<uint64_t> otherBase = std::nullopt);

    RawSource& m_source;
    RawLayout& m_layout;
    std::vector<IfdPlace> m_queue;
    std::vector<uint64_t> m_visited;
    bool m_raw = false;
};

bool TiffWalk::Start() {
    const std::optional<TiffHeader> header = ReadTiffHeader(m_source, 0);
    if (!header) return false;
    const uint16_t magic = header->magic;
    if (magic != kMagicTiff && magic != kMagicOrf && magic != kMagicOrfS && magic != kMagicRw2) return false;
    // The makers' own magic numbers, and Canon's "CR" after the header, say RAW.
    m_raw = magic != kMagicTiff || m_source.Matches(8, "CR");
    IfdPlace first;
    first.offset = header->firstIfd;
    first.order = header->order;
    first.first = true;
    Queue(first);
    return true;
}

void TiffWalk::Queue(const IfdPlace& place) {
    // An IFD inside the header, or one already read (a loop, a SubIFD naming
    // itself), is not read again.
    if (place.offset < kTiffHeaderSize || m_visited.size() + m_queue.size() >= kMaxIfds) return;
    if (std::find(m_visited.begin(), m_visited.end(), place.offset) != m_visited.end()) return;
    for (const IfdPlace& queued : m_queue)
        if (queued.offset == place.offset) return;
    m_queue.push_back(place);
}

void TiffWalk::Run() {
    while (!m_queue.empty()) {
        const IfdPlace place = m_queue.front();
        m_queue.erase(m_queue.begin());
        m_visited.push_back(place.offset);
        ReadIfd(place);
    }
}

void TiffWalk::AddPair(const IfdPlace& place, std::optional<uint32_t> offset, std::optional<uint32_t> length,
                       std::optional<uint64_t> otherBase) {
    if (!offset || !length || *length == 0) return;
    m_layout.Add({place.base + *offset, *length});
    if (place.kind == IfdKind::Main) m_layout.Declare(place.base + *offset, *length);
    // Some makers count a maker note's offsets from the file's start, others
    // from the note's: the one holding a JPEG is the one taken.
    if (otherBase && *otherBase != place.base) m_layout.Add({*otherBase + *offset, *length});
}

void TiffWalk::DeclareTable(const IfdPlace& place, TiffIfd& ifd, const TiffEntry& offsets, const TiffEntry& counts) {
    const uint32_t entries = std::min(offsets.count, counts.count);
    const auto declare = [&](uint32_t first, uint32_t count) {
        const std::vector<uint32_t> starts = ifd.Values(offsets, first, count);
        const std::vector<uint32_t> lengths = ifd.Values(counts, first, count);
        for (size_t i = 0; i < std::min(starts.size(), lengths.size()); ++i)
            m_layout.Declare(place.base + starts[i], lengths[i]);
    };
    declare(0, std::min(entries, kMaxTableEntries));
    if (entries > kMaxTableEntries) declare(entries - 1, 1);
}

void TiffWalk::ReadMakerNote(const IfdPlace& exif, const TiffEntry& note) {
    const uint64_t at = note.at;
    IfdPlace maker;
    maker.base = exif.base;
    maker.order = exif.order;
    const auto orderAt = [&](uint64_t offset) {
        uint8_t bytes[1];
        const uint8_t letter = m_source.Bytes(offset, bytes, maker.order).U8();
        if (letter == 'I') maker.order = ByteOrder::LittleEndian;
        if (letter == 'M') maker.order = ByteOrder::BigEndian;
    };
    if (m_source.Matches(at, std::string_view("Nikon\0", 6))) {
        // A TIFF header of its own after the ten-byte label; offsets count from it.
        maker.base = at + 10;
        orderAt(maker.base);
        uint8_t bytes[4];
        ByteReader header = m_source.Bytes(maker.base + 4, bytes, maker.order);
        const uint32_t ifd = header.U32();
        if (header.Failed()) return;
        maker.offset = maker.base + ifd;
        maker.kind = IfdKind::NikonMaker;
    } else if (m_source.Matches(at, std::string_view("OLYMPUS\0", 8)) ||
               m_source.Matches(at, std::string_view("OM SYSTEM\0", 10))) {
        const uint64_t order = m_source.Matches(at, "OLYMPUS") ? 8 : 12;
        orderAt(at + order);
        maker.base = at;
        maker.offset = at + order + 4;
        maker.kind = IfdKind::OlympusMaker;
    } else if (m_source.Matches(at, std::string_view("OLYMP\0", 6))) {
        maker.offset = at + 8;
        maker.kind = IfdKind::OlympusMaker;
    } else if (m_source.Matches(at, std::string_view("AOC\0", 4))) {
        orderAt(at + 4);
        maker.offset = at + 6;
        maker.kind = IfdKind::PentaxMaker;
    } else if (m_source.Matches(at, std::string_view("PENTAX \0", 8))) {
        orderAt(at + 8);
        maker.base = at;
        maker.offset = at + 10;
        maker.kind = IfdKind::PentaxMaker;
    } else {
        return;
    }
    Queue(maker);
}

void TiffWalk::ReadIfd(const IfdPlace& place) {
    TiffIfd ifd(m_source, place.offset, place.base, place.order);
    const uint32_t count = ifd.EntryCount();
    if (count == 0) return;

    std::optional<uint32_t> compression, photometric, jpegOffset, jpegLength, previewStart, previewLength;
    std::optional<TiffEntry> stripOffsets, stripCounts, tileOffsets, tileCounts;
    for (uint32_t i = 0; i < count; ++i) {
        TiffEntry entry;
        if (!ifd.ReadEntry(i, entry)) return;
        const uint16_t tag = entry.tag;
        if (place.kind == IfdKind::Exif) {
            if (tag == kTagMakerNote) ReadMakerNote(place, entry);
            continue;
        }
        if (place.kind == IfdKind::NikonMaker) {
            if (tag == kTagNikonPreviewIfd) {
                if (const auto pointed = ifd.Value(entry, 0))
                    Queue({place.base + *pointed, place.base, place.order, IfdKind::Preview});
            }
            continue;
        }
        if (place.kind == IfdKind::OlympusMaker) {
            if (tag == kTagOlympusCameraSettings) {
                if (const auto pointed = ifd.Value(entry, 0))
                    Queue({place.base + *pointed, place.base, place.order, IfdKind::OlympusSettings});
            }
            continue;
        }
        if (place.kind == IfdKind::OlympusSettings) {
            if (tag == kTagOlympusPreviewStart) previewStart = ifd.Value(entry, 0);
            if (tag == kTagOlympusPreviewLength) previewLength = ifd.Value(entry, 0);
            continue;
        }
        if (place.kind == IfdKind::PentaxMaker) {
            if (tag == kTagPentaxPreviewStart) previewStart = ifd.Value(entry, 0);
            if (tag == kTagPentaxPreviewLength) previewLength = ifd.Value(entry, 0);
            continue;
        }
        switch (tag) {
        case kTagCompression: compression = ifd.Value(entry, 0); break;
        case kTagPhotometric: photometric = ifd.Value(entry, 0); break;
        case kTagStripOffsets: stripOffsets = entry; break;
        case kTagStripByteCounts: stripCounts = entry; break;
        case kTagTileOffsets: tileOffsets = entry; break;
        case kTagTileByteCounts: tileCounts = entry; break;
        case kTagJpegOffset: jpegOffset = ifd.Value(entry, 0); break;
        case kTagJpegLength: jpegLength = ifd.Value(entry, 0); break;
        case kTagDngVersion: m_raw = true; break;
        case kTiffTagOrientation:
            if (place.first && entry.type == 3) {
                const auto value = ifd.Value(entry, 0);
                if (value && *value >= 1 && *value <= 8) m_layout.orientation = static_cast<int>(*value);
            }
            break;
        case kTagRw2JpgFromRaw:
            // Panasonic's whole JPEG, its length as the tag's count.
            if (place.first && entry.type == 7 && entry.count > 4) {
                m_layout.Add({entry.at, entry.count});
                m_layout.Declare(entry.at, entry.count);
            }
            break;
        case kTagSubIfds:
            if (place.kind == IfdKind::Main) {
                for (uint32_t s = 0; s < std::min(entry.count, kMaxSubIfds); ++s)
                    if (const auto pointed = ifd.Value(entry, s))
                        Queue({place.base + *pointed, place.base, place.order, IfdKind::Main});
            }
            break;
        case kTagExifIfd:
            if (place.kind == IfdKind::Main) {
                if (const auto pointed = ifd.Value(entry, 0))
                    Queue({place.base + *pointed, place.base, place.order, IfdKind::Exif});
            }
            break;
        default: break;
        }
    }

    if (place.kind == IfdKind::OlympusSettings || place.kind == IfdKind::PentaxMaker) {
        AddPair(place, previewStart, previewLength, uint64_t{0});
        return;
    }
    const bool rawData = photometric == kPhotometricCfa || photometric == kPhotometricLinearRaw;
    if (rawData) m_raw = true;
    AddPair(place, jpegOffset, jpegLength);
    if (stripOffsets && stripCounts) {
        if (place.kind == IfdKind::Main) DeclareTable(place, ifd, *stripOffsets, *stripCounts);
        const bool jpeg = compression == kCompressionOldJpeg || compression == kCompressionJpeg;
        if (jpeg && !rawData && stripOffsets->count == 1 && stripCounts->count == 1)
            AddPair(place, ifd.Value(*stripOffsets, 0), ifd.Value(*stripCounts, 0));
    }
    if (tileOffsets && tileCounts && place.kind == IfdKind::Main) DeclareTable(place, ifd, *tileOffsets, *tileCounts);

    // The chain of IFD0 (CR2's and PEF's further pictures lie there).
    if (place.kind == IfdKind::Main && place.chained < kMaxChain && (place.first || place.chained > 0)) {
        const uint32_t next = ifd.NextOffset(count);
        if (next != 0) Queue({place.base + next, place.base, place.order, IfdKind::Main, false, place.chained + 1});
    }
}

}  // namespace

bool ReadTiffLayout(RawSource& source, RawLayout& layout) {
    TiffWalk walk(source, layout);
    if (!walk.Start()) return false;
    walk.Run();
    if (!walk.FoundRaw()) return false;
    layout.family = RawFamily::Tiff;
    layout.headerEnd = kTiffHeaderSize;
    return true;
}

}  // namespace imaging
