#pragma once
// Shared by the skinned-control tests: the main window's dialog template run
// by a bare SkinnedDialog that records what reaches it, and a pixel reader
// for painted windows.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/skinned_dialog.h"
#include "resources/resource.h"
#include "tests/support/pump.h"

namespace skin_test {

inline constexpr COLORREF kBackgroundColor = RGB(229, 198, 195);

// What the dialog received from its controls, in order.
struct Event {
    enum Kind { Command, Notify } kind;
    int id;
    UINT code;
    HWND from;
};

class TestDialog : public controls::SkinnedDialog {
public:
    TestDialog() : controls::SkinnedDialog(IDD_MAIN) {}

    // Creates the dialog, runs `setUp` as its initialisation, shows it and lets it paint.
    bool Open(std::function<void(TestDialog&)> setUp = {}) {
        setUp_ = std::move(setUp);
        if (!Create(nullptr)) return false;
        ShowWindow(hwnd_, SW_SHOW);
        SetForegroundWindow(hwnd_);
        Settle();
        return true;
    }
    // Paints everything pending and lets queued messages run.
    void Settle() const {
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        testing_support::PumpFor(150);
    }
    void HideAllControls() const {
        for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            ShowWindow(child, SW_HIDE);
    }
    int CountCommands(int id, UINT code) const {
        int count = 0;
        for (const Event& e : events)
            if (e.kind == Event::Command && e.id == id && e.code == code) ++count;
        return count;
    }

    std::vector<Event> events;
    std::function<void(HDC)> backgroundHook;

protected:
    bool OnInit() override {
        if (setUp_) setUp_(*this);
        return true;
    }
    bool OnCommand(int id, int code, HWND control) override {
        events.push_back(Event{Event::Command, id, static_cast<UINT>(code), control});
        return true;
    }
    bool OnNotify(const NMHDR& header, LRESULT&) override {
        events.push_back(Event{Event::Notify, static_cast<int>(header.idFrom), header.code, header.hwndFrom});
        return false;
    }
    void DrawBackgroundHook(HDC canvas) override {
        if (backgroundHook) backgroundHook(canvas);
    }

private:
    std::function<void(TestDialog&)> setUp_;
};

// The client area of a window as it is on screen, read back through its DC.
class Pixels {
public:
    explicit Pixels(HWND window) {
        RECT client{};
        GetClientRect(window, &client);
        width_ = client.right;
        height_ = client.bottom;
        pixels_.resize(static_cast<size_t>(width_) * height_);
        HDC windowDC = GetDC(window);
        HDC memory = CreateCompatibleDC(windowDC);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        HBITMAP section = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(memory, section);
        BitBlt(memory, 0, 0, width_, height_, windowDC, 0, 0, SRCCOPY);
        GdiFlush();
        const auto* source = static_cast<const DWORD*>(bits);
        for (size_t i = 0; i < pixels_.size(); ++i) {
            const DWORD bgra = source[i];
            pixels_[i] = RGB((bgra >> 16) & 0xFF, (bgra >> 8) & 0xFF, bgra & 0xFF);
        }
        SelectObject(memory, old);
        DeleteObject(section);
        DeleteDC(memory);
        ReleaseDC(window, windowDC);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }

    // Pixels of exactly `color` inside `area`, and the smallest rectangle holding them.
    int Count(const RECT& area, COLORREF color, RECT* bounds = nullptr) const {
        int count = 0;
        RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (At(x, y) == color) {
                    ++count;
                    box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                               std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
        if (bounds) *bounds = box;
        return count;
    }
    // Pixels inside `area` that are not `color`.
    int CountOther(const RECT& area, COLORREF color) const {
        return (area.right - area.left) * (area.bottom - area.top) - Count(area, color);
    }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<COLORREF> pixels_;
};

// Window rectangle of a control in its parent's client coordinates.
inline RECT PlaceOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline RECT Inset(RECT r, int by) {
    InflateRect(&r, -by, -by);
    return r;
}

}  // namespace skin_test
