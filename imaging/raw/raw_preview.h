#pragma once
// The JPEG preview a camera embeds in its RAW file: found by the file's
// content (the TIFF family, CR3 boxes, a RAF header, a CRW heap), read in
// bounded pieces. A found RAW file may be padded to a hundred megabytes with
// whatever followed it on the disk, so it is never read whole. Plain C++ on
// bytes nobody vouches for: every offset is checked against the file's size,
// every directory is visited once, and bad input gives "no preview", never an
// exception, a hang or an allocation the file's size does not justify.
#include <cstdint>
#include <optional>
#include <span>

namespace imaging {

// Reads pieces of a file.
class RawReader {
public:
    virtual ~RawReader() = default;
    virtual uint64_t Size() const = 0;
    // Exactly `into.size()` bytes from `offset`; false when they cannot all be read.
    virtual bool Read(uint64_t offset, std::span<uint8_t> into) = 0;
};

// Bytes already in memory, as a RawReader.
class RawBytesReader final : public RawReader {
public:
    explicit RawBytesReader(std::span<const uint8_t> bytes) : m_bytes(bytes) {}
    uint64_t Size() const override { return m_bytes.size(); }
    bool Read(uint64_t offset, std::span<uint8_t> into) override;

private:
    std::span<const uint8_t> m_bytes;
};

enum class RawFamily {
    NotRaw,  // none of the kinds below, or a TIFF file with no raw data (a scan, an export)
    Tiff,    // CR2, NEF, NRW, ARW, SR2, SRF, DNG, PEF, SRW, ORF, RW2
    Cr3,
    Raf,
    Crw,
};

// What a preview may cost to read and decode; larger ones are passed over.
struct RawPreviewLimits {
    uint64_t maxBytes = uint64_t{8} << 20;
    uint64_t maxPixels = 100'000'000;
};

struct RawPreview {
    uint64_t offset = 0;  // of its SOI marker in the file
    uint64_t length = 0;
    unsigned width = 0;  // as stored
    unsigned height = 0;
    // 1 to 8 as in EXIF: the container's when it gives one, else the JPEG's own.
    int orientation = 1;
};

struct RawFacts {
    RawFamily family = RawFamily::NotRaw;
    std::optional<RawPreview> preview;
    // A preview was passed over for the limits.
    bool previewTooLarge = false;
    // Where the last of the data its directories declare ends; at most the
    // file's size when all of it is there.
    uint64_t declaredEnd = 0;
    uint64_t fileSize = 0;

    bool CutShort() const { return declaredEnd > fileSize; }
    // The share of the declared data the file holds: 1 when whole.
    double PresentShare() const {
        return CutShort() ? static_cast<double>(fileSize) / static_cast<double>(declaredEnd) : 1.0;
    }
};

// The largest embedded JPEG that is a picture of the photo: a baseline or
// extended sequential JPEG this program's decoder covers, at least 256 pixels
// wide (a CR3's small thumbnail is taken when it has nothing larger), lying
// whole inside the file and within `limits`. The lossless JPEG that holds the
// raw data of some formats never qualifies.
RawFacts FindRawPreview(RawReader& file, const RawPreviewLimits& limits = {});

}  // namespace imaging
