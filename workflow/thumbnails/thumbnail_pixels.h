#pragma once
// A picture our own decoders made, scaled into a thumbnail's square without
// GDI+: for the tiny pictures a whole disk holds by the ten thousand, GDI+'s
// set-up costs more than the picture. Plain code on plain values.
#include <cstdint>
#include <vector>

#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

// The kThumbnailSize square as bottom-up rows of blue, green, red (a 24-bit
// DIB's layout, each row kThumbnailSize * 3 bytes: a multiple of 4), white
// around `place`. `rgb` holds width * height pixels, top row first, R G B.
// A larger picture is averaged down; a smaller one is enlarged pixel by
// pixel, so an icon stays sharp.
std::vector<uint8_t> ScaleIntoSquare(const std::vector<uint8_t>& rgb, unsigned width, unsigned height,
                                     const ThumbnailPlacement& place);
// The same into `square`, whose memory is reused.
void ScaleIntoSquare(const std::vector<uint8_t>& rgb, unsigned width, unsigned height,
                     const ThumbnailPlacement& place, std::vector<uint8_t>& square);

}  // namespace workflow
