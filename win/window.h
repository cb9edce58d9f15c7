#pragma once
// A borrowed window handle with the few calls the dialogs use. Never destroys the window.
#include <windows.h>
#include <string>

namespace win {

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : hwnd_(hwnd) {}
    virtual ~Window() = default;

    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND Handle() const { return hwnd_; }
    operator HWND() const { return hwnd_; }
    bool Exists() const { return hwnd_ != nullptr && IsWindow(hwnd_); }

    void Show(bool show) const { ShowWindow(hwnd_, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return IsWindowVisible(hwnd_) != FALSE; }
    void Enable(bool enable) const { EnableWindow(hwnd_, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(hwnd_) != FALSE; }

    std::string GetText() const {
        int length = GetWindowTextLengthA(hwnd_);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = GetWindowTextA(hwnd_, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }
    void SetText(const std::string& text) const { SetWindowTextA(hwnd_, text.c_str()); }

    // Window rectangle in the client coordinates of the parent.
    RECT RectInParent() const {
        RECT r{};
        GetWindowRect(hwnd_, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void Move(const RECT& r, bool repaint) const {
        MoveWindow(hwnd_, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint ? TRUE : FALSE);
    }
    void Move(int x, int y, int width, int height, bool repaint) const {
        MoveWindow(hwnd_, x, y, width, height, repaint ? TRUE : FALSE);
    }
    int ControlId() const { return GetDlgCtrlID(hwnd_); }

protected:
    HWND hwnd_ = nullptr;
};

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace win
