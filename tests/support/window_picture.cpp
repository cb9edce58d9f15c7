#include "tests/support/window_picture.h"

#include <algorithm>
#include <climits>
#include <fstream>

#include "tests/support/pump.h"
#include "win/handles.h"

namespace testing_support {

Pixels::Pixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    width_ = client.right;
    height_ = client.bottom;
    pixels_.resize(static_cast<size_t>(width_) * height_);
    win::WindowDC windowDC(window);
    win::MemoryDC memory(windowDC);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::BitmapHandle section(CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!section) return;
    {
        win::SelectObjectScope select(memory, section.get());
        BitBlt(memory, 0, 0, width_, height_, windowDC, 0, 0, SRCCOPY);
        GdiFlush();
    }
    const auto* source = static_cast<const DWORD*>(bits);
    for (size_t i = 0; i < pixels_.size(); ++i)
        pixels_[i] = RGB((source[i] >> 16) & 0xFF, (source[i] >> 8) & 0xFF, source[i] & 0xFF);
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

bool Pixels::SaveAsBitmap(const std::string& path) const {
    const int stride = (width_ * 3 + 3) & ~3;
    std::vector<BYTE> rows(static_cast<size_t>(stride) * height_);
    for (int y = 0; y < height_; ++y)  // bottom-up rows of blue, green, red
        for (int x = 0; x < width_; ++x) {
            BYTE* p = &rows[static_cast<size_t>(height_ - 1 - y) * stride + x * 3];
            p[0] = GetBValue(At(x, y));
            p[1] = GetGValue(At(x, y));
            p[2] = GetRValue(At(x, y));
        }
    BITMAPINFOHEADER header{sizeof(header), width_, height_, 1, 24, BI_RGB, static_cast<DWORD>(rows.size()),
                            0, 0, 0, 0};
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(rows.data()), static_cast<std::streamsize>(rows.size()));
    return out.good();
}

void SnapshotIfAsked(HWND window, const std::string& name) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("VANTREO_SNAPSHOT_DIR", folder, MAX_PATH)) return;
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpPending();
    Pixels(window).SaveAsBitmap(std::string(folder) + "\\" + name + ".bmp");
}

}  // namespace testing_support
