#include "workflow/thumbnail_pixels.h"

#include <algorithm>

namespace workflow {

std::vector<uint8_t> ScaleIntoSquare(const std::vector<uint8_t>& rgb, unsigned width, unsigned height,
                                     const ThumbnailPlacement& place) {
    std::vector<uint8_t> square;
    ScaleIntoSquare(rgb, width, height, place, square);
    return square;
}

void ScaleIntoSquare(const std::vector<uint8_t>& rgb, unsigned width, unsigned height,
                     const ThumbnailPlacement& place, std::vector<uint8_t>& square) {
    constexpr size_t kRow = size_t{kThumbnailSize} * 3;
    square.assign(kRow * kThumbnailSize, 0xFF);
    if (width == 0 || height == 0 || rgb.size() < size_t{width} * height * 3) return;
    for (int y = 0; y < place.height; ++y) {
        // Source rows and columns [from, to) that fall into this pixel: at least one.
        const unsigned fromY = static_cast<unsigned>(uint64_t{height} * y / place.height);
        const unsigned toY = std::max(fromY + 1, static_cast<unsigned>(uint64_t{height} * (y + 1) / place.height));
        const int squareY = place.y + y;
        if (squareY < 0 || squareY >= kThumbnailSize) continue;
        uint8_t* row = square.data() + (kThumbnailSize - 1 - squareY) * kRow;
        for (int x = 0; x < place.width; ++x) {
            const int squareX = place.x + x;
            if (squareX < 0 || squareX >= kThumbnailSize) continue;
            const unsigned fromX = static_cast<unsigned>(uint64_t{width} * x / place.width);
            const unsigned toX = std::max(fromX + 1, static_cast<unsigned>(uint64_t{width} * (x + 1) / place.width));
            uint64_t sum[3] = {0, 0, 0};
            for (unsigned sy = fromY; sy < toY && sy < height; ++sy) {
                const uint8_t* from = rgb.data() + (size_t{sy} * width + fromX) * 3;
                for (unsigned sx = fromX; sx < toX && sx < width; ++sx, from += 3)
                    for (int c = 0; c < 3; ++c) sum[c] += from[c];
            }
            const uint64_t count = uint64_t{std::min(toY, height) - fromY} * (std::min(toX, width) - fromX);
            uint8_t* to = row + size_t(squareX) * 3;
            for (int c = 0; c < 3; ++c) to[2 - c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
        }
    }
}

}  // namespace workflow
