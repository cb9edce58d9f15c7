#pragma once
// One budget in bytes for the memory that the decodes of found pictures hold
// at once, ours and GDI+'s, whichever pool's worker runs them. A decode asks
// for what its format, size and bit depth will take before it starts, and
// waits while others hold the rest: a few bytes that claim a huge picture
// cost their share of the budget, not more, and a decode of a pool that was
// stopped holds its share until it has finished. One that would take more
// than the whole budget is not made.
//
// Threads: any thread, the thumbnail workers of every pool at once. The
// bytes held and their peak are under the budget's one lock (decode_budget.cpp);
// a DecodeShare belongs to the thread that waited for it.
#include <cstdint>
#include <optional>

#include "imaging/picture_header.h"

namespace workflow {

// With the file bytes the workers hold (at most three of 32 MB and one of
// 128 MB), about 740 MB whatever the disk holds.
inline constexpr uint64_t kDecodeBudgetBytes = uint64_t{512} << 20;
// A decode that takes less passes without asking: the many small pictures of
// a disk would otherwise each take the budget's lock twice.
inline constexpr uint64_t kUncountedDecodeBytes = uint64_t{1} << 20;

// What GDI+ holds for the whole picture: 4 bytes a pixel, 8 for samples of
// more than 8 bits, which it then copies to 4 bytes a pixel to draw.
uint64_t GdiplusDecodeBytes(const imaging::PictureHeader& header);
// What our 1/8 preview of a JPEG holds: its samples, the colour rows and the
// rows drawn from, about 12 bytes for each pixel of the preview.
uint64_t JpegPreviewDecodeBytes(const imaging::PictureHeader& header);
// What our GIF decode holds: the colour indices and the colour rows.
uint64_t GifDecodeBytes(const imaging::PictureHeader& header);

// A share of the budget, held until the object goes.
class DecodeShare {
public:
    // Waits until `bytes` fit beside what the other decodes hold; none, at
    // once, when they exceed the whole budget.
    static std::optional<DecodeShare> Wait(uint64_t bytes);
    DecodeShare(DecodeShare&& other) noexcept : m_bytes(other.m_bytes) { other.m_bytes = 0; }
    DecodeShare& operator=(DecodeShare&& other) noexcept;
    DecodeShare(const DecodeShare&) = delete;
    ~DecodeShare();

    // The bytes every decode holds together now.
    static uint64_t HeldNow();
    // The most they held together since the last call.
    static uint64_t TakePeak();

private:
    explicit DecodeShare(uint64_t bytes) : m_bytes(bytes) {}
    uint64_t m_bytes;
};

}  // namespace workflow
