#include "workflow/thumbnails/gdiplus_objects.h"

#include "win/held_folder.h"

namespace workflow {

GdiplusImage OpenImage(const std::string& path) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromFile(win::WidenAnsi(path).c_str(), &bitmap) != Gdiplus::Ok) return {};
    return GdiplusImage(bitmap);
}

UINT ImageFlags(const GdiplusImage& image) {
    UINT flags = 0;
    if (image) gdip::GdipGetImageFlags(image.get(), &flags);
    return flags;
}

}  // namespace workflow
