#include "win/subclassed_window.h"

#include <commctrl.h>

namespace win {

namespace {
constexpr UINT_PTR kSubclassId = 0x56414E54;  // one id for every bound control
// The bound object is also kept as a window property, so the parent can find it.
constexpr char kBoundObjectProperty[] = "win.SubclassedWindow";
}

SubclassedWindow::~SubclassedWindow() { Unbind(); }

bool SubclassedWindow::Bind(HWND parent, int id) { return Bind(GetDlgItem(parent, id)); }

bool SubclassedWindow::Bind(HWND control) {
    if (!control) return false;
    Unbind();
    m_hwnd = control;
    SetPropA(control, kBoundObjectProperty, this);
    return SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

void SubclassedWindow::Unbind() {
    if (m_hwnd && IsWindow(m_hwnd)) {
        RemoveWindowSubclass(m_hwnd, SubclassProc, kSubclassId);
        RemovePropA(m_hwnd, kBoundObjectProperty);
    }
    m_hwnd = nullptr;
}

SubclassedWindow* SubclassedWindow::FromHandle(HWND hwnd) {
    if (!hwnd) return nullptr;
    return static_cast<SubclassedWindow*>(GetPropA(hwnd, kBoundObjectProperty));
}

bool SubclassedWindow::OnReflected(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

LRESULT SubclassedWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultProc(message, wParam, lParam);
}

LRESULT SubclassedWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK SubclassedWindow::SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                                UINT_PTR, DWORD_PTR refData) {
    auto* self = reinterpret_cast<SubclassedWindow*>(refData);
    if (message == WM_NCDESTROY) {
        // The control goes away: drop the binding before the default processing.
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        RemovePropA(hwnd, kBoundObjectProperty);
        if (self) self->m_hwnd = nullptr;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    try {
        return self->WindowProc(message, wParam, lParam);
    } catch (...) {
        // No exception may unwind through the window manager.
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
}

}  // namespace win
