#pragma once
// The embedded preview of a found camera RAW file, read from the file in
// pieces: its directories and the preview itself, a few megabytes at most,
// however far the engine padded the file. The file is closed before the
// preview is decoded.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "imaging/raw/raw_preview.h"

namespace workflow {

// The most of a preview read for a thumbnail: cameras' full-size previews
// stay within a few megabytes.
inline constexpr uint64_t kMaxRawPreviewBytes = uint64_t{8} << 20;

struct RawPreviewRead {
    imaging::RawFacts facts;
    std::vector<uint8_t> jpeg;  // the preview's bytes; empty when there is none or it could not be read
};

// None when the file cannot be opened or is no RAW file by its content.
// `carried`, when not empty, are the file's bytes, read already.
// `beforeRead` is called with the preview found, before its bytes are read.
std::optional<RawPreviewRead> ReadRawPreview(const std::string& path, std::span<const uint8_t> carried,
                                             uint64_t maxPixels,
                                             const std::function<void(const imaging::RawPreview&)>& beforeRead);

}  // namespace workflow
