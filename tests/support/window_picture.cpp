#include "tests/support/window_picture.h"

#include <algorithm>
#include <climits>

#include "tests/support/pump.h"
#include "win/handles.h"

namespace testing_support {

namespace {
RECT ClientRect(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return client;
}
}  // namespace

Pixels::Pixels(HWND window) : Pixels(win::WindowDC(window), ClientRect(window)) {}

Pixels::Pixels(HDC source, const RECT& area) : m_width(area.right - area.left), m_height(area.bottom - area.top) {
    m_bits.resize(static_cast<size_t>(m_width) * m_height);
    win::MemoryDC memory(source);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), m_width, -m_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::BitmapHandle section(CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section) return;
    {
        win::SelectObjectScope select(memory, section.get());
        BitBlt(memory, 0, 0, m_width, m_height, source, area.left, area.top, SRCCOPY);
        GdiFlush();
    }
    std::copy_n(static_cast<const DWORD*>(bits), m_bits.size(), m_bits.begin());
}

int Pixels::Count(const RECT& area, COLORREF color, RECT* bounds) const {
    int count = 0;
    RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (At(x, y) == color) {
                ++count;
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
            }
    if (bounds) *bounds = box;
    return count;
}

void Settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    PumpPending();
}

Pixels ImageListPixels(HIMAGELIST list, int index, int size) {
    win::WindowDC screen(nullptr);
    win::MemoryDC memory(screen);
    win::BitmapHandle canvas(CreateCompatibleBitmap(screen, size, size));
    win::SelectObjectScope select(memory, canvas.get());
    if (!ImageList_Draw(list, index, memory, 0, 0, ILD_NORMAL)) return Pixels(memory, RECT{});
    return Pixels(memory, RECT{0, 0, size, size});
}

Pixels BitmapPixels(HBITMAP bitmap, int size) {
    win::WindowDC screen(nullptr);
    win::MemoryDC memory(screen);
    win::SelectObjectScope select(memory, bitmap);
    return Pixels(memory, RECT{0, 0, size, size});
}

}  // namespace testing_support
