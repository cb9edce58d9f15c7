#pragma once
// A borrowed window handle with the few calls the dialogs use. Never destroys the window.
#include <windows.h>
#include <string>

namespace win {

class Window {
public:
    Window() = default;
    explicit Window(HWND hwnd) : m_hwnd(hwnd) {}
    virtual ~Window() = default;

    void Attach(HWND hwnd) { m_hwnd = hwnd; }
    HWND Handle() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }
    bool Exists() const { return m_hwnd != nullptr && IsWindow(m_hwnd); }

    void Show(bool show) const { ShowWindow(m_hwnd, show ? SW_SHOW : SW_HIDE); }
    bool IsVisible() const { return IsWindowVisible(m_hwnd) != FALSE; }
    void Enable(bool enable) const { EnableWindow(m_hwnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(m_hwnd) != FALSE; }

    std::string GetText() const {
        int length = GetWindowTextLengthA(m_hwnd);
        std::string text(static_cast<size_t>(length) + 1, '\0');
        int copied = GetWindowTextA(m_hwnd, text.data(), length + 1);
        text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
        return text;
    }
    void SetText(const std::string& text) const { SetWindowTextA(m_hwnd, text.c_str()); }

    // Window rectangle in the client coordinates of the parent.
    RECT RectInParent() const {
        RECT r{};
        GetWindowRect(m_hwnd, &r);
        MapWindowPoints(HWND_DESKTOP, GetParent(m_hwnd), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    void Move(const RECT& r, bool repaint) const {
        MoveWindow(m_hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint ? TRUE : FALSE);
    }
    void Move(int x, int y, int width, int height, bool repaint) const {
        MoveWindow(m_hwnd, x, y, width, height, repaint ? TRUE : FALSE);
    }
    int ControlId() const { return GetDlgCtrlID(m_hwnd); }
    void AddStyle(DWORD style) const {
        SetWindowLongPtrA(m_hwnd, GWL_STYLE, GetWindowLongPtrA(m_hwnd, GWL_STYLE) | static_cast<LONG_PTR>(style));
    }

protected:
    HWND m_hwnd = nullptr;
};

inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }

}  // namespace win
