#include "workflow/thumbnails/raw_preview_read.h"

#include <cstdint>
#include <new>

#include "workflow/found/found_picture.h"

namespace workflow {

namespace {

class OpenFileReader final : public imaging::RawReader {
public:
    explicit OpenFileReader(const FoundPicture::OpenFile& file) : m_file(file) {}
    uint64_t Size() const override { return m_file.Size(); }
    bool Read(uint64_t offset, std::span<uint8_t> into) override { return m_file.ReadAt(offset, into); }

private:
    const FoundPicture::OpenFile& m_file;
};

std::optional<RawPreviewRead> Read(imaging::RawReader& file, uint64_t maxPixels,
                                   const std::function<void(const imaging::RawPreview&)>& beforeRead) {
    RawPreviewRead read;
    read.facts = imaging::FindRawPreview(file, {kMaxRawPreviewBytes, maxPixels});
    if (read.facts.family == imaging::RawFamily::NotRaw) return std::nullopt;
    if (!read.facts.preview) return read;
    const imaging::RawPreview& preview = *read.facts.preview;
    if (beforeRead) beforeRead(preview);
    try {
        read.jpeg.resize(static_cast<size_t>(preview.length));
    } catch (const std::bad_alloc&) {
        read.jpeg.clear();
        return read;
    }
    if (!file.Read(preview.offset, read.jpeg)) read.jpeg.clear();
    return read;
}

}  // namespace

std::optional<RawPreviewRead> ReadRawPreview(const std::string& path, std::span<const uint8_t> carried,
                                             uint64_t maxPixels,
                                             const std::function<void(const imaging::RawPreview&)>& beforeRead) {
    if (!carried.empty()) {
        imaging::RawBytesReader bytes(carried);
        return Read(bytes, maxPixels, beforeRead);
    }
    // Read in pieces, a RAW file may be larger than any picture read whole:
    // a medium-format camera's runs to hundreds of megabytes.
    const std::optional<FoundPicture::OpenFile> file = FoundPicture::Open(path, UINT64_MAX);
    if (!file) return std::nullopt;
    OpenFileReader reader(*file);
    return Read(reader, maxPixels, beforeRead);
}

}  // namespace workflow
