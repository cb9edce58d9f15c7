#pragma once
// 64 x 64 thumbnails of found pictures, drawn with GDI+ on a white square.
// A JPEG is drawn from our own 1/8 preview, which also tells whether its data
// is damaged, and so is the JPEG preview a camera RAW file embeds; other
// pictures are decoded by GDI+, but only when their own header claims a size
// within the decode budget below, which a RAW file's preview keeps too.
//
// Threads: MakeThumbnail on any thread, several at once (the thumbnail
// workers); the rest on the window's thread. One lock, the large-file turn
// in thumbnails.cpp, is held by the worker reading or decoding a file over
// kLargeFileBytes, from before the read until the thumbnail is made.
// A thumbnail is plain rows of pixels: nothing here is a window's or GDI's,
// so the session and the scan monitor hand thumbnails on as values.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture_facts.h"
#include "imaging/sha256.h"
#include "workflow/files/carried_bytes.h"

namespace workflow {

inline constexpr int kThumbnailSize = 64;

// GDI+ decodes a picture in full, at up to 4 bytes a pixel (8 for samples of
// 16 bits), however few bytes claim its size. Cameras write up to about 100
// megapixels; a picture that claims more (a panorama, or a header written to
// exhaust memory) shows the placeholder. Every decode, GDI+'s and our own,
// holds its share of the decode budget (decode_budget.h) while it runs; a
// file over kLargeFileBytes waits, before it is read, while another such
// file is held, so the workers hold at most 3 x 32 MB + 128 MB of files.
inline constexpr uint64_t kMaxDecodePixels = 100'000'000;
inline constexpr uint64_t kLargeFileBytes = uint64_t{32} << 20;

// Where a W x H picture is drawn in the square: scale factors in single
// precision, offsets and sizes truncated toward zero.
struct ThumbnailPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
ThumbnailPlacement PlaceThumbnail(unsigned width, unsigned height);

// A thumbnail as the list takes it: a square's rows as ScaleIntoSquare makes
// them (bottom-up rows of blue, green, red); none shows the empty square.
struct ThumbnailImage {
    const std::vector<uint8_t>* rows = nullptr;
};

// What became of one found picture.
struct Thumbnail {
    // The square as bottom-up rows of blue, green, red, whoever decoded the
    // picture: our own decoders or GDI+. Empty when it cannot be shown: it
    // cannot be decoded, or it claims more than the decode budget.
    std::vector<uint8_t> rows;
    // Set when the picture's data is damaged: the share of it (0 to 1) that
    // could be read. Blocks past the damage are drawn grey.
    std::optional<double> readableShare;
    // Its size, date and camera, read from the bytes the thumbnail was made of.
    imaging::PictureFacts facts;
    // The digest of the whole file, when it was read whole to be drawn: the
    // window learns from it which found files hold the same bytes.
    std::optional<imaging::Sha256Digest> sha256;

    bool Decoded() const { return !rows.empty(); }
    ThumbnailImage Image() const { return {rows.empty() ? nullptr : &rows}; }
};

// The thumbnail of a found picture, upright by its EXIF orientation. It
// touches no window, so thumbnail workers call it on their own threads, and
// it does not hold the file open while it decodes.
// `spareRows` lends its memory to the rows our own decoders make; `bytes`,
// when given, are the picture's, read by the probe that found it complete.
Thumbnail MakeThumbnail(const std::string& path, std::vector<uint8_t> spareRows = {}, CarriedBytes bytes = {});

// The thumbnail of the program's "icon.png", shown for pictures that cannot
// be decoded, as rows; none when the file is missing, plain white when it is
// no picture.
std::optional<std::vector<uint8_t>> MakePlaceholderThumbnail();

}  // namespace workflow
