#pragma once
// What a window shows, read back through its DC, for checking paint.
#include <windows.h>

#include <vector>

namespace testing_support {

// The client area of a window as it is on screen.
class Pixels {
public:
    explicit Pixels(HWND window);
    // The pixels of `area` of a device context, such as one holding a bitmap.
    Pixels(HDC source, const RECT& area);

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const {
        const DWORD bgra = bits_[static_cast<size_t>(y) * width_ + x];
        return RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
    }
    // Pixels of exactly `color` inside `area`, and the smallest rectangle holding them.
    int Count(const RECT& area, COLORREF color, RECT* bounds = nullptr) const;
    // Pixels inside `area` that are not `color`.
    int CountOther(const RECT& area, COLORREF color) const {
        return (area.right - area.left) * (area.bottom - area.top) - Count(area, color);
    }
private:
    int width_ = 0;
    int height_ = 0;
    std::vector<DWORD> bits_;  // top-down rows of 32-bit blue, green, red
};

// Paints everything pending and lets queued messages run.
void Settle(HWND window);

}  // namespace testing_support
