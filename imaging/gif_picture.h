#pragma once
// The first frame of a GIF, decoded from bytes nobody vouches for: web
// images, icons and animations found on a whole disk are mostly small GIFs,
// and a decode of our own costs a fraction of a general decoder's set-up. No
// read runs past the input, every size is checked before an allocation, and
// bad input gives a verdict, never an exception or a crash.
#include <cstdint>
#include <span>
#include <vector>

namespace imaging {

// Largest logical screen decoded here, in pixels (3 bytes each).
inline constexpr uint64_t kMaxGifPixels = uint64_t{4096} * 4096;

struct GifPicture {
    unsigned width = 0;   // of the logical screen
    unsigned height = 0;
    // width * height * 3 bytes, top row first, R G B. Pixels the first frame
    // leaves uncovered or transparent are white; so are those past the end of
    // data that is cut short.
    std::vector<uint8_t> rgb;
    bool complete = true;  // false when the frame's data ended early or broke off
};

enum class GifStatus {
    Made,      // `picture` holds the first frame
    NotMine,   // not a GIF, or one whose first frame cannot be found
    TooLarge,  // a logical screen over kMaxGifPixels
};

struct GifResult {
    GifStatus status = GifStatus::NotMine;
    GifPicture picture;
};

GifResult DecodeGif(std::span<const uint8_t> bytes);

}  // namespace imaging
