#include "controls/skinned_dialog.h"

#include <new>
#include <utility>

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

win::RegionHandle BuildRegionFromPixels(const std::vector<BYTE>& pixels, int roundedWidth, int height, BYTE red,
                                        BYTE green, BYTE blue) {
    if (roundedWidth <= 0 || height <= 0) return {};
    if (pixels.size() < static_cast<size_t>(roundedWidth) * static_cast<size_t>(height) * 3) return {};
    win::RegionHandle shape(CreateRectRgn(0, 0, roundedWidth, height));
    if (!shape) return {};

    const BYTE* pixel = pixels.data();
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < roundedWidth; ++x, pixel += 3) {
            if (pixel[0] != blue || pixel[1] != green || pixel[2] != red) continue;
            // Every pixel lies inside the starting rectangle and is visited once,
            // so the exclusive-or always removes it.
            win::RegionHandle dot(CreateRectRgn(x, y, x + 1, y + 1));
            CombineRgn(shape.get(), shape.get(), dot.get(), RGN_XOR);
        }
    }
    return shape;
}

win::RegionHandle BuildRegionFromBitmap(HBITMAP bitmap, BYTE red, BYTE green, BYTE blue) {
    int roundedWidth = 0;
    int height = 0;
    const std::vector<BYTE> pixels = ReadBitmapPixels(bitmap, roundedWidth, height);
    if (pixels.empty()) return {};
    return BuildRegionFromPixels(pixels, roundedWidth, height, red, green, blue);
}

SkinnedDialog::SkinnedDialog(int templateId) : win::Dialog(templateId) {}

SkinnedDialog::~SkinnedDialog() { ClearBackground(); }

int SkinnedDialog::SetBackgroundBitmap(int resourceId, COLORREF key) {
    win::BitmapHandle bitmap(static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr),
                                                             MAKEINTRESOURCEA(static_cast<WORD>(resourceId)),
                                                             IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
    return SetBackgroundBitmap(std::move(bitmap), key);
}

int SkinnedDialog::SetBackgroundBitmap(win::BitmapHandle bitmap, COLORREF key) {
    ClearBackground();
    if (!bitmap) {
        if (m_hwnd) InvalidateRect(m_hwnd, nullptr, TRUE);
        return kBackgroundSet;
    }

    // On each failure below the bitmap is deleted as `bitmap` goes out of scope.
    BITMAP description{};
    if (!GetObjectA(bitmap.get(), sizeof(description), &description)) return kBackgroundUnreadable;
    win::RegionHandle shape;
    if (key != kNoKeyColor) {
        shape = BuildRegionFromBitmap(bitmap.get(), GetRValue(key), GetGValue(key), GetBValue(key));
        if (!shape) return kBackgroundNoShape;
    }

    // In place before the window is reshaped: SetWindowRgn sends the window
    // position messages, and their handlers must see the new background.
    m_background = std::move(bitmap);
    m_width = description.bmWidth;
    m_height = description.bmHeight;
    if (shape) {
        m_region = std::move(shape);
        ShapeWindow();
    }

    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, TRUE);
    return kBackgroundSet;
}

void SkinnedDialog::ShapeWindow() {
    if (!m_hwnd) return;
    // SetWindowRgn takes over the region it is given and deletes it when the
    // shape is replaced, so the window gets a duplicate and ours stays valid.
    // A region it refused is still ours to delete.
    win::RegionHandle windowShape(CreateRectRgn(0, 0, 0, 0));
    if (!windowShape) return;
    CombineRgn(windowShape.get(), m_region.get(), nullptr, RGN_COPY);
    if (SetWindowRgn(m_hwnd, windowShape.get(), FALSE)) windowShape.release();
}

void SkinnedDialog::ClearBackground() {
    if (m_region && m_hwnd && IsWindow(m_hwnd)) SetWindowRgn(m_hwnd, nullptr, FALSE);
    m_region.reset();
    m_background.reset();
    m_width = 0;
    m_height = 0;
}

void SkinnedDialog::DrawBackgroundHook(HDC) {}

bool SkinnedDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_ERASEBKGND: {
        const LRESULT erased = DefaultProcessing(message, wParam, lParam);
        if (m_background) PaintBackground(reinterpret_cast<HDC>(wParam));
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, erased);
        result = TRUE;
        return true;
    }
    case WM_SIZE: {
        const LRESULT sized = DefaultProcessing(message, wParam, lParam);
        if (m_background) InvalidateRect(m_hwnd, nullptr, TRUE);
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, sized);
        result = TRUE;
        return true;
    }
    default:
        return win::Dialog::OnMessage(message, wParam, lParam, result);
    }
}

void SkinnedDialog::PaintBackground(HDC target) {
    RECT client{};
    GetClientRect(m_hwnd, &client);
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
            win::SelectObjectScope tileSelection(tiles, m_background.get());
            for (const POINT& origin : TileOrigins(width, height, m_width, m_height))
                BitBlt(canvas, origin.x, origin.y, m_width, m_height, tiles, 0, 0, SRCCOPY);
            BitBlt(target, 0, 0, width, height, canvas, 0, 0, SRCCOPY);
            DrawBackgroundHook(canvas);
        }
    }
}

}  // namespace controls
