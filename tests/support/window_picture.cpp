#include "tests/support/window_picture.h"

#include <fstream>
#include <vector>

#include "tests/support/pump.h"
#include "win/handles.h"

namespace testing_support {

namespace {

// The window's whole area, copied from the screen after it has painted.
std::vector<BYTE> CapturePixels(HWND window, int& width, int& height) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT rect{};
    GetWindowRect(window, &rect);
    width = rect.right - rect.left;
    height = rect.bottom - rect.top;
    win::WindowDC screen(nullptr);
    win::MemoryDC memory(screen);
    win::BitmapHandle bitmap(CreateCompatibleBitmap(screen, width, height));
    {
        win::SelectObjectScope select(memory, bitmap.get());
        BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<BYTE> pixels(static_cast<size_t>(stride) * height);
    GetDIBits(memory, bitmap.get(), 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::string& path) {
    int width = 0, height = 0;
    std::vector<BYTE> pixels = CapturePixels(window, width, height);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = static_cast<DWORD>(pixels.size());
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(header);
    file.bfSize = file.bfOffBits + header.biSizeImage;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof(file));
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return out.good();
}

void SnapshotIfAsked(HWND window, const std::string& name) {
    char folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("VANTREO_SNAPSHOT_DIR", folder, MAX_PATH)) return;
    // Let pending paints reach the screen before it is read.
    PumpFor(300);
    SaveWindowPicture(window, std::string(folder) + "\\" + name + ".bmp");
}

COLORREF WindowPixel(HWND window, int x, int y) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    POINT point{x, y};
    ClientToScreen(window, &point);
    win::WindowDC screen(nullptr);
    return GetPixel(screen, point.x, point.y);
}

}  // namespace testing_support
