#pragma once
// What a window shows, read back through its DC, for checking paint.
#include <windows.h>
#include <commctrl.h>

#include <vector>

namespace testing_support {

// The client area of a window as it is on screen.
class Pixels {
public:
    explicit Pixels(HWND window);
    // The pixels of `area` of a device context, such as one holding a bitmap.
    Pixels(HDC source, const RECT& area);

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const {
        const DWORD bgra = m_bits[static_cast<size_t>(y) * m_width + x];
        return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
    }
    // Pixels of exactly `color` inside `area`, and the smallest rectangle holding them.
    int Count(const RECT& area, COLORREF color, RECT* bounds = nullptr) const;
    // Pixels inside `area` that are not `color`.
    int CountOther(const RECT& area, COLORREF color) const {
        return (area.right - area.left) * (area.bottom - area.top) - Count(area, color);
    }
    bool operator==(const Pixels&) const = default;
private:
    int m_width = 0;
    int m_height = 0;
    std::vector<DWORD> m_bits;  // top-down rows of 32-bit blue, green, red
};

// Image `index` of an image list as the list draws it, `size` pixels square;
// no pixels when there is no such image.
Pixels ImageListPixels(HIMAGELIST list, int index, int size);
// The top-left `size` pixels square of a bitmap.
Pixels BitmapPixels(HBITMAP bitmap, int size);

// Paints everything pending and lets queued messages run.
void Settle(HWND window);

}  // namespace testing_support
