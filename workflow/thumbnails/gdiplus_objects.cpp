#include "workflow/thumbnails/gdiplus_objects.h"

namespace workflow {

namespace {

std::wstring ToWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

}  // namespace

GdiplusImage OpenImage(const std::string& path) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromFile(ToWide(path).c_str(), &bitmap) != Gdiplus::Ok) return {};
    return GdiplusImage(bitmap);
}

UINT ImageFlags(const GdiplusImage& image) {
    UINT flags = 0;
    if (image) gdip::GdipGetImageFlags(image.get(), &flags);
    return flags;
}

}  // namespace workflow
