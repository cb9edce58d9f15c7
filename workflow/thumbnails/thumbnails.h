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
#include <windows.h>
#include <commctrl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/picture_facts.h"
#include "imaging/sha256.h"
#include "win/handles.h"
#include "win/controls/image_list.h"
#include "workflow/files/carried_bytes.h"

namespace workflow {

inline constexpr int kThumbnailSize = 64;
// Slots added each time a thumbnail list without room reserved is full: the
// most an image list takes at a time. Every growth copies all the thumbnails
// held, which is why a scan's list reserves its whole budget at once.
inline constexpr int kThumbnailGrowth = 256;

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

// A thumbnail square given as bottom-up rows of blue, green, red (what
// ScaleIntoSquare makes) as a bitmap of its own.
win::BitmapHandle SquareBitmap(const std::vector<uint8_t>& rows);

// An empty 24-bit list of thumbnails on white with room for `room` before it
// first grows, then growing by kThumbnailGrowth.
bool CreateThumbnailList(win::OwnedImageList& list, int room = 0);

// A thumbnail as the list takes it: a bitmap, or a square's rows as
// ScaleIntoSquare makes them; neither shows the empty square.
struct ThumbnailImage {
    HBITMAP bitmap = nullptr;
    const std::vector<uint8_t>* rows = nullptr;
};

// What became of one found picture.
struct Thumbnail {
    // What GDI+ drew. None when the rows below hold the picture, or when it
    // cannot be shown: it cannot be decoded, or it claims more than the
    // decode budget. A picture that decodes but cannot be drawn gives a null
    // bitmap: it still takes a slot of its own.
    std::optional<win::BitmapHandle> bitmap;
    // What our own decoders made, in place of a bitmap: on a whole disk's
    // tens of thousands of small pictures a GDI bitmap each, made on a worker
    // and freed on the window's thread, costs more than the picture.
    std::vector<uint8_t> rows;
    // Set when the picture's data is damaged: the share of it (0 to 1) that
    // could be read. Blocks past the damage are drawn grey.
    std::optional<double> readableShare;
    // Its size, date and camera, read from the bytes the thumbnail was made of.
    imaging::PictureFacts facts;
    // The digest of the whole file, when it was read whole to be drawn: the
    // window learns from it which found files hold the same bytes.
    std::optional<imaging::Sha256Digest> sha256;

    bool Decoded() const { return bitmap.has_value() || !rows.empty(); }
    ThumbnailImage Image() const { return {bitmap ? bitmap->get() : nullptr, rows.empty() ? nullptr : &rows}; }
};

// The thumbnail of a found picture, upright by its EXIF orientation. It
// touches no window, so thumbnail workers call it on their own threads, and
// it does not hold the file open while it decodes.
// `spareRows` lends its memory to the rows our own decoders make; `bytes`,
// when given, are the picture's, read by the probe that found it complete.
Thumbnail MakeThumbnail(const std::string& path, std::vector<uint8_t> spareRows = {}, CarriedBytes bytes = {});

// The thumbnail of the program's "icon.png", shown for pictures that cannot
// be decoded; none when the file is missing, plain white when it is no picture.
std::optional<win::BitmapHandle> MakePlaceholderThumbnail();

}  // namespace workflow
