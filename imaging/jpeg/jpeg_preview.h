#pragma once
// A JPEG picture at 1/8 of its size, made from the DC coefficient of each
// 8x8 block: every bit of the entropy-coded data is read (the AC codes are
// decoded to find where each block ends), but nothing is transformed,
// upsampled or colour-converted at full size. Reading every bit is also what
// finds damage. Plain C++ on bytes nobody vouches for: no read runs past the
// input, every size is checked before an allocation, and bad input gives a
// verdict, never an exception or a crash.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace imaging {

enum class JpegDamage {
    None,         // every block decoded cleanly
    CutOff,       // the data ends before the last block
    BadData,      // a code, value or restart marker no encoder writes
    Overwritten,  // a whole sector of zeros inside the entropy-coded data
};

struct JpegPreview {
    // Orientation applied: a portrait photo is taller than wide here.
    unsigned fullWidth = 0;
    unsigned fullHeight = 0;
    unsigned width = 0;   // of `rgb`, about fullWidth / 8, at least 1
    unsigned height = 0;  // of `rgb`, about fullHeight / 8, at least 1
    std::vector<uint8_t> rgb;  // width * height * 3 bytes, top row first, R G B
    // Pixels per inch from JFIF or EXIF; 0 when the file does not say.
    float dpiX = 0;
    float dpiY = 0;
    int orientation = 1;  // the EXIF value 1 to 8 as stored; 1 when absent or invalid
    JpegDamage damage = JpegDamage::None;
    // The share of the picture's block rows (in stored order) decoded cleanly:
    // 1 when intact. Blocks from the first fault on are mid-grey in `rgb`.
    double intactFraction = 1.0;

    bool Damaged() const { return damage != JpegDamage::None; }
};

// Largest preview made, in pixels (3 bytes each): a picture whose 1/8 size
// is larger is refused rather than allocated.
inline constexpr uint64_t kMaxPreviewPixels = uint64_t{4096} * 4096;

enum class JpegPreviewStatus {
    Made,     // `preview` holds the picture and its verdict
    NotMine,  // not a JPEG, or a kind this decoder does not cover
    TooLarge, // a JPEG whose preview would exceed kMaxPreviewPixels
};

struct JpegPreviewResult {
    JpegPreviewStatus status = JpegPreviewStatus::NotMine;
    JpegPreview preview;
};

// Decodes the first picture of the bytes (an MPF preview after the main
// picture's end marker is not read).
JpegPreviewResult DecodeJpegPreview(std::span<const uint8_t> bytes);
// The same, turned by `orientation` (1 to 8) in place of the JPEG's own: for
// a preview embedded in a file that gives the orientation itself.
JpegPreviewResult DecodeJpegPreview(std::span<const uint8_t> bytes, int orientation);

// The EXIF orientation (1 to 8) of a JPEG, 1 when absent, invalid or not a JPEG;
// for pictures drawn by another decoder.
int ReadJpegOrientation(std::span<const uint8_t> bytes);

}  // namespace imaging
