#pragma once
// The 1/8 picture as rows of MCUs come in: one pixel per 8 x 8 block of the
// full picture, each component taken from its block covering that spot,
// turned to RGB and written where the EXIF orientation puts it.
#include <cstdint>
#include <vector>

#include "imaging/jpeg/jpeg_dc_steps.h"
#include "imaging/jpeg/jpeg_scan.h"

namespace imaging {

// Where the stored picture's pixel (x, y) is shown, for a stored picture of
// width x height and an EXIF orientation of 1 to 8.
struct Oriented {
    unsigned x = 0;
    unsigned y = 0;
};
Oriented OrientPixel(unsigned x, unsigned y, unsigned width, unsigned height, int orientation);
inline bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The mean Y, Cb and Cr of a full row of MCUs.
struct RowMeans {
    float y = 0, cb = 0, cr = 0;
};

class PreviewCanvas final : public BlockRowSink {
public:
    // `pixels` holds the shown picture, 3 bytes a pixel, already mid-grey;
    // width and height are those of the stored picture.
    PreviewCanvas(const ScanLayout& layout, unsigned width, unsigned height, int orientation, bool rgb,
                  std::vector<uint8_t>& pixels);

    void TakeRow(unsigned mcuRow, unsigned mcus, const BlockRow& row) override;
    // Everything from this MCU on back to mid-grey.
    void GreyFrom(uint64_t mcu);
    const std::vector<RowMeans>& Means() const { return m_means; }
    const DcStepWatch& Steps() const { return m_steps; }

private:
    uint8_t* Pixel(unsigned x, unsigned y);

    const ScanLayout& m_layout;
    unsigned m_width, m_height, m_shownWidth;
    int m_orientation;
    bool m_rgb;
    std::vector<uint8_t>& m_pixels;
    std::vector<RowMeans> m_means;
    // The samples of a row of MCUs' first and last preview rows, for m_steps.
    std::vector<uint8_t> m_top, m_bottom;
    DcStepWatch m_steps;
};

}  // namespace imaging
