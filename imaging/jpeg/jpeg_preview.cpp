#include "imaging/jpeg/jpeg_preview.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>

#include "imaging/jpeg/jpeg_damage.h"
#include "imaging/jpeg/jpeg_headers.h"
#include "imaging/jpeg/jpeg_preview_canvas.h"
#include "imaging/jpeg/jpeg_scan.h"

namespace imaging {

namespace {

unsigned DivideUp(unsigned value, unsigned by) { return (value + by - 1) / by; }

// Where the damage the scan found starts. When it was found only after it
// began, the picture itself may say where: a step of a component's DC that
// runs on to the fault, else a jump of the rows' colour; data left over at the
// end with neither starts in the last row. Such content only ever places
// damage a fault proved: a scene has steps and jumps of its own. Data that
// went wrong before the fault showed is data of something else.
uint64_t FirstBadMcu(const ScanVerdict& verdict, const ScanLayout& layout, const PreviewCanvas& canvas,
                     JpegDamage& damage) {
    uint64_t firstBad = verdict.firstBadMcu;
    if (!verdict.foundLate) return firstBad;
    // Nothing before the last good restart marker is a suspect.
    if (const auto& step = canvas.Steps().First()) {
        const uint64_t stepMcu = uint64_t{step->mcuRow} * layout.mcusX + step->column / layout.hMax;
        if (stepMcu >= verdict.searchFromMcu && stepMcu < firstBad) {
            damage = JpegDamage::BadData;
            return stepMcu;
        }
    }
    const size_t searchFrom = static_cast<size_t>((verdict.searchFromMcu + layout.mcusX - 1) / layout.mcusX);
    const size_t faultRow = static_cast<size_t>(firstBad / layout.mcusX);
    if (const auto jump = FindColourJump(canvas.Means(), searchFrom, faultRow + 1)) {
        damage = JpegDamage::BadData;
        return std::min<uint64_t>(firstBad, uint64_t{*jump} * layout.mcusX);
    }
    if (firstBad >= layout.Mcus()) return layout.Mcus() - layout.mcusX;
    return firstBad;
}

JpegPreviewResult Decode(std::span<const uint8_t> bytes, int orientation) {
    JpegPreviewResult result;
    const auto headers = std::make_unique<JpegHeaders>();
    if (!ReadJpegHeaders(bytes, *headers)) return result;
    const unsigned width = DivideUp(headers->width, 8), height = DivideUp(headers->height, 8);
    if (uint64_t{width} * height > kMaxPreviewPixels) {
        result.status = JpegPreviewStatus::TooLarge;
        return result;
    }
    const ScanLayout layout = MakeScanLayout(*headers);
    JpegPreview& preview = result.preview;
    preview.orientation = orientation >= 1 && orientation <= 8 ? orientation : headers->orientation;
    const bool swap = SwapsSides(preview.orientation);
    preview.fullWidth = swap ? headers->height : headers->width;
    preview.fullHeight = swap ? headers->width : headers->height;
    preview.width = swap ? height : width;
    preview.height = swap ? width : height;
    preview.dpiX = swap ? headers->dpiY : headers->dpiX;
    preview.dpiY = swap ? headers->dpiX : headers->dpiY;
    preview.rgb.assign(size_t{width} * height * 3, 128);

    PreviewCanvas canvas(layout, width, height, preview.orientation, headers->rgb, preview.rgb);
    const ScanVerdict verdict = DecodeScan(bytes, headers->scanStart, layout, canvas);
    result.status = JpegPreviewStatus::Made;
    if (verdict.damage == JpegDamage::None) return result;
    preview.damage = verdict.damage;
    const uint64_t firstBad = FirstBadMcu(verdict, layout, canvas, preview.damage);
    canvas.GreyFrom(firstBad);
    preview.intactFraction = static_cast<double>(firstBad / layout.mcusX) / layout.mcusY;
    return result;
}

}  // namespace

JpegPreviewResult DecodeJpegPreview(std::span<const uint8_t> bytes) { return DecodeJpegPreview(bytes, 0); }

JpegPreviewResult DecodeJpegPreview(std::span<const uint8_t> bytes, int orientation) {
    try {
        return Decode(bytes, orientation);
    } catch (const std::bad_alloc&) {
        JpegPreviewResult result;
        result.status = JpegPreviewStatus::TooLarge;
        return result;
    } catch (const std::exception&) {
        return {};
    }
}

}  // namespace imaging
