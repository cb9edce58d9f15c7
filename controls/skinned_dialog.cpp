#include "controls/skinned_dialog.h"

#include <new>

namespace controls {

std::vector<POINT> TileOrigins(int clientWidth, int clientHeight, int tileWidth, int tileHeight) {
    std::vector<POINT> origins;
    // An empty tile would never advance.
    if (tileWidth <= 0 || tileHeight <= 0) return origins;
    for (int y = 0; y < clientHeight; y += tileHeight)
        for (int x = 0; x < clientWidth; x += tileWidth) origins.push_back(POINT{x, y});
    return origins;
}

std::vector<BYTE> ReadBitmapPixels(HBITMAP bitmap, int& roundedWidth, int& height) {
    roundedWidth = 0;
    height = 0;
    BITMAP description{};
    if (!bitmap || !GetObjectA(bitmap, sizeof(description), &description)) return {};
    roundedWidth = RoundedWidth(description.bmWidth);
    height = description.bmHeight;
    if (roundedWidth <= 0 || height <= 0) return {};

    const size_t byteCount = static_cast<size_t>(roundedWidth) * static_cast<size_t>(height) * 3;
    std::vector<BYTE> pixels;
    try {
        pixels.resize(byteCount);
    } catch (const std::bad_alloc&) {
        return {};
    }

    BITMAPINFO request{};
    request.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    request.bmiHeader.biWidth = roundedWidth;
    request.bmiHeader.biHeight = -height;  // top row first
    request.bmiHeader.biPlanes = 1;
    request.bmiHeader.biBitCount = 24;
    request.bmiHeader.biCompression = BI_RGB;
    request.bmiHeader.biSizeImage = static_cast<DWORD>(byteCount);

    win::WindowDC screen(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &request, DIB_RGB_COLORS);
    if (rows == 0) return {};
    return pixels;
}

HRGN BuildRegionFromPixels(const std::vector<BYTE>& pixels, int roundedWidth, int height, BYTE red, BYTE green,
                           BYTE blue) {
    if (roundedWidth <= 0 || height <= 0) return nullptr;
    if (pixels.size() < static_cast<size_t>(roundedWidth) * static_cast<size_t>(height) * 3) return nullptr;
    HRGN shape = CreateRectRgn(0, 0, roundedWidth, height);
    if (!shape) return nullptr;

    const BYTE* pixel = pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < roundedWidth; ++x, pixel += 3) {
            if (pixel[0] != blue || pixel[1] != green || pixel[2] != red) continue;
            // Every pixel lies inside the starting rectangle and is visited once,
            // so the exclusive-or always removes it.
            win::RegionHandle dot(CreateRectRgn(x, y, x + 1, y + 1));
            CombineRgn(shape, shape, dot.get(), RGN_XOR);
        }
    }
    return shape;
}

HRGN BuildRegionFromBitmap(HBITMAP bitmap, BYTE red, BYTE green, BYTE blue) {
    int roundedWidth = 0;
    int height = 0;
    const std::vector<BYTE> pixels = ReadBitmapPixels(bitmap, roundedWidth, height);
    if (pixels.empty()) return nullptr;
    return BuildRegionFromPixels(pixels, roundedWidth, height, red, green, blue);
}

SkinnedDialog::SkinnedDialog(int templateId) : win::Dialog(templateId) { ReleaseBackground(false); }

SkinnedDialog::~SkinnedDialog() { ReleaseBackground(true); }

int SkinnedDialog::SetBackgroundBitmap(int resourceId, COLORREF key) {
    auto* bitmap = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                   MAKEINTRESOURCEA(static_cast<WORD>(resourceId)), IMAGE_BITMAP,
                                                   0, 0, LR_DEFAULTCOLOR));
    return SetBackgroundBitmapHandle(bitmap, key);
}

int SkinnedDialog::SetBackgroundBitmapHandle(HBITMAP bitmap, COLORREF key) {
    ReleaseBackground(true);
    if (!bitmap) {
        if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
        return kBackgroundSet;
    }

    background_.reset(bitmap);
    BITMAP description{};
    if (!GetObjectA(bitmap, sizeof(description), &description)) {
        ReleaseBackground(true);
        return kBackgroundUnreadable;
    }
    width_ = description.bmWidth;
    height_ = description.bmHeight;

    if (key != kNoKeyColor) {
        HRGN shape = BuildRegionFromBitmap(bitmap, GetRValue(key), GetGValue(key), GetBValue(key));
        if (!shape) {
            ReleaseBackground(true);
            return kBackgroundNoShape;
        }
        region_.reset(shape);
        // SetWindowRgn takes over the region it is given and deletes it when the
        // shape is replaced, so the window gets a duplicate and ours stays valid.
        HRGN windowShape = CreateRectRgn(0, 0, 0, 0);
        if (windowShape) {
            CombineRgn(windowShape, shape, nullptr, RGN_COPY);
            if (!hwnd_ || !SetWindowRgn(hwnd_, windowShape, FALSE)) DeleteObject(windowShape);
        }
    }

    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
    return kBackgroundSet;
}

void SkinnedDialog::ReleaseBackground(bool free) {
    if (free) {
        if (region_ && hwnd_ && IsWindow(hwnd_)) SetWindowRgn(hwnd_, nullptr, FALSE);
        region_.reset();
        background_.reset();
    } else {
        region_.release();
        background_.release();
    }
    width_ = 0;
    height_ = 0;
}

void SkinnedDialog::DrawBackgroundHook(HDC) {}

bool SkinnedDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_ERASEBKGND: {
        const LRESULT erased = DefaultProcessing(message, wParam, lParam);
        if (background_) PaintBackground(reinterpret_cast<HDC>(wParam));
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, erased);
        result = TRUE;
        return true;
    }
    case WM_SIZE: {
        const LRESULT sized = DefaultProcessing(message, wParam, lParam);
        if (background_) InvalidateRect(hwnd_, nullptr, TRUE);
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, sized);
        result = TRUE;
        return true;
    }
    default:
        return win::Dialog::OnMessage(message, wParam, lParam, result);
    }
}

void SkinnedDialog::PaintBackground(HDC target) {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right;
    const int height = client.bottom;

    // The tiles are laid off screen and reach the screen in one copy, so the
    // window does not flicker while they are drawn.
    win::MemoryDC canvas(target);
    win::BitmapHandle canvasBitmap(CreateCompatibleBitmap(target, width, height));
    if (!canvas.get() || !canvasBitmap) return;
    {
        win::SelectObjectScope canvasSelection(canvas, canvasBitmap.get());
        SetBkColor(canvas, GetBkColor(target));
        ExtTextOutA(canvas, 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);

        win::MemoryDC tiles(target);
        {
            win::SelectObjectScope tileSelection(tiles, background_.get());
            for (const POINT& origin : TileOrigins(width, height, width_, height_))
                BitBlt(canvas, origin.x, origin.y, width_, height_, tiles, 0, 0, SRCCOPY);
            BitBlt(target, 0, 0, width, height, canvas, 0, 0, SRCCOPY);
            DrawBackgroundHook(canvas);
        }
    }
}

}  // namespace controls
