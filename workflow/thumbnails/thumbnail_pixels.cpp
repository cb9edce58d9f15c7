#include "workflow/thumbnails/thumbnail_pixels.h"

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
    // Source columns [from, to) that fall into each pixel of a row, at least
    // one: worked out once, not again for every row (tens of thousands of
    // icons are each enlarged to the whole square).
    struct Span {
        unsigned from, to;
    };
    const int firstX = std::max(0, -place.x), endX = std::min(place.width, kThumbnailSize - place.x);
    Span columns[kThumbnailSize];
    for (int x = firstX; x < endX; ++x) {
        const unsigned from = static_cast<unsigned>(uint64_t{width} * x / place.width);
        const unsigned to = std::max(from + 1, static_cast<unsigned>(uint64_t{width} * (x + 1) / place.width));
        columns[place.x + x] = {from, std::min(to, width)};
    }
    const uint8_t* previousRow = nullptr;
    Span previousRows{0, 0};
    for (int y = 0; y < place.height; ++y) {
        const unsigned fromY = static_cast<unsigned>(uint64_t{height} * y / place.height);
        const unsigned toY = std::min(
            height, std::max(fromY + 1, static_cast<unsigned>(uint64_t{height} * (y + 1) / place.height)));
        const int squareY = place.y + y;
        if (squareY < 0 || squareY >= kThumbnailSize) continue;
        uint8_t* row = square.data() + (kThumbnailSize - 1 - squareY) * kRow;
        // An enlarged picture repeats a row: the same source rows give the same pixels.
        if (previousRow && previousRows.from == fromY && previousRows.to == toY) {
            std::copy(previousRow, previousRow + kRow, row);
            continue;
        }
        for (int x = firstX; x < endX; ++x) {
            const Span span = columns[place.x + x];
            uint64_t sum[3] = {0, 0, 0};
            for (unsigned sy = fromY; sy < toY; ++sy) {
                const uint8_t* from = rgb.data() + (size_t{sy} * width + span.from) * 3;
                for (unsigned sx = span.from; sx < span.to; ++sx, from += 3)
                    for (int c = 0; c < 3; ++c) sum[c] += from[c];
            }
            const uint64_t count = uint64_t{toY - fromY} * (span.to - span.from);
            uint8_t* to = row + size_t(place.x + x) * 3;
            for (int c = 0; c < 3; ++c) to[2 - c] = static_cast<uint8_t>((sum[c] + count / 2) / count);
        }
        previousRow = row;
        previousRows = {fromY, toY};
    }
}

}  // namespace workflow
