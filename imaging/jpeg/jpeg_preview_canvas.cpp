#include "imaging/jpeg/jpeg_preview_canvas.h"

#include <algorithm>

namespace imaging {

namespace {

uint8_t Clamp(int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); }

// JFIF's YCbCr to RGB in 16.16 fixed point.
void ToRgb(int y, int cb, int cr, uint8_t* rgb) {
    cb -= 128;
    cr -= 128;
    constexpr int kHalf = 1 << 15;
    rgb[0] = Clamp(y + ((91881 * cr + kHalf) >> 16));
    rgb[1] = Clamp(y + ((-22554 * cb - 46802 * cr + kHalf) >> 16));
    rgb[2] = Clamp(y + ((116130 * cb + kHalf) >> 16));
}

}  // namespace

Oriented OrientPixel(unsigned x, unsigned y, unsigned width, unsigned height, int orientation) {
    switch (orientation) {
    case 2: return {width - 1 - x, y};               // mirrored left to right
    case 3: return {width - 1 - x, height - 1 - y};  // turned half round
    case 4: return {x, height - 1 - y};              // mirrored top to bottom
    case 5: return {y, x};                           // mirrored along the main diagonal
    case 6: return {height - 1 - y, x};              // turned a quarter clockwise
    case 7: return {height - 1 - y, width - 1 - x};  // mirrored along the other diagonal
    case 8: return {y, width - 1 - x};               // turned a quarter anticlockwise
    default: return {x, y};
    }
}

PreviewCanvas::PreviewCanvas(const ScanLayout& layout, unsigned width, unsigned height, int orientation, bool rgb,
                             std::vector<uint8_t>& pixels)
    : m_layout(layout), m_width(width), m_height(height), m_shownWidth(SwapsSides(orientation) ? height : width),
      m_orientation(orientation), m_rgb(rgb), m_pixels(pixels), m_top(size_t{width} * layout.componentCount),
      m_bottom(m_top.size()), m_steps(width, layout.componentCount) {
    m_means.reserve(layout.mcusY);
}

uint8_t* PreviewCanvas::Pixel(unsigned x, unsigned y) {
    const Oriented at = OrientPixel(x, y, m_width, m_height, m_orientation);
    return m_pixels.data() + (size_t{at.y} * m_shownWidth + at.x) * 3;
}

void PreviewCanvas::TakeRow(unsigned mcuRow, unsigned mcus, const BlockRow& row) {
    const ScanLayout& l = m_layout;
    const unsigned xEnd = std::min(m_width, mcus * l.hMax);
    double sums[3] = {0, 0, 0};
    unsigned counted = 0;
    for (unsigned dy = 0; dy < l.vMax; ++dy) {
        const unsigned y = mcuRow * l.vMax + dy;
        if (y >= m_height) break;
        for (unsigned x = 0; x < xEnd; ++x) {
            int values[3] = {0, 128, 128};
            for (unsigned c = 0; c < l.componentCount; ++c) {
                const ScanComponent& component = l.components[c];
                values[c] = row.At(c, x * component.h / l.hMax, dy * component.v / l.vMax);
                sums[c] += values[c];
                if (dy == 0) m_top[size_t{c} * m_width + x] = static_cast<uint8_t>(values[c]);
                m_bottom[size_t{c} * m_width + x] = static_cast<uint8_t>(values[c]);
            }
            uint8_t* pixel = Pixel(x, y);
            if (l.componentCount == 1) {
                pixel[0] = pixel[1] = pixel[2] = static_cast<uint8_t>(values[0]);
            } else if (m_rgb) {
                for (int c = 0; c < 3; ++c) pixel[c] = static_cast<uint8_t>(values[c]);
            } else {
                ToRgb(values[0], values[1], values[2], pixel);
            }
            ++counted;
        }
    }
    if (mcus == l.mcusX && counted > 0) {
        const float scale = 1.0f / static_cast<float>(counted);
        if (l.componentCount == 1) sums[1] = sums[2] = 128.0 * counted;
        m_means.push_back({static_cast<float>(sums[0]) * scale, static_cast<float>(sums[1]) * scale,
                           static_cast<float>(sums[2]) * scale});
        m_steps.TakeRow(mcuRow, m_top, m_bottom);
    }
}

void PreviewCanvas::GreyFrom(uint64_t mcu) {
    const uint64_t firstRow = mcu / m_layout.mcusX;
    const uint64_t firstColumn = (mcu % m_layout.mcusX) * m_layout.hMax;
    for (uint64_t y = firstRow * m_layout.vMax; y < m_height; ++y) {
        const bool partial = y < (firstRow + 1) * m_layout.vMax;
        for (uint64_t x = partial ? firstColumn : 0; x < m_width; ++x) {
            uint8_t* pixel = Pixel(static_cast<unsigned>(x), static_cast<unsigned>(y));
            pixel[0] = pixel[1] = pixel[2] = 128;
        }
    }
}

}  // namespace imaging
