#include "win/dialog.h"

#include <exception>

#include "win/subclassed_window.h"

namespace win {

Dialog::~Dialog() {
    if (!m_modal && m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

INT_PTR Dialog::DoModal(HWND owner) {
    m_modal = true;
    m_result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
    m_hwnd = nullptr;
    return m_result;
}

HWND Dialog::Create(HWND owner) {
    m_modal = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_templateId), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR code) {
    m_result = code;
    if (m_modal)
        EndDialog(m_hwnd, code);
    else
        DestroyWindow(m_hwnd);
}

bool Dialog::OnCommand(int id, int, HWND) {
    if (id == IDOK) {
        OnOK();
        return true;
    }
    if (id == IDCANCEL) {
        OnCancel();
        return true;
    }
    return false;
}

bool Dialog::OnNotify(const NMHDR&, LRESULT&) { return false; }

void Dialog::OnUnhandledException(const char* what) {
    MessageBoxA(m_hwnd, what, "Error", MB_OK | MB_ICONERROR);
}

bool Dialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_INITDIALOG:
        result = OnInit() ? TRUE : FALSE;
        return true;
    case WM_COMMAND:
        // A bound control sees its own notification first; unless it keeps it, the dialog handles it too.
        if (lParam && ReflectToControl(message, wParam, lParam, result)) return true;
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    case WM_NOTIFY: {
        LRESULT notifyResult = 0;
        if (!OnNotify(*reinterpret_cast<const NMHDR*>(lParam), notifyResult)) return false;
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, notifyResult);
        result = TRUE;
        return true;
    }
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_DRAWITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        return ReflectToControl(message, wParam, lParam, result);
    default:
        return false;
    }
}

LRESULT Dialog::DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
    // DefDlgProc asks the dialog procedure first; it must decline this one call
    // or the handler that asked for the default would run again.
    const UINT saved = m_bypassedMessage;
    m_bypassedMessage = message;
    const LRESULT result = DefDlgProcA(m_hwnd, message, wParam, lParam);
    m_bypassedMessage = saved;
    return result;
}

// Hands a parent-side message to the bound object of the control it is about.
bool Dialog::ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    HWND control = message == WM_DRAWITEM ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem
                                          : reinterpret_cast<HWND>(lParam);
    SubclassedWindow* bound = SubclassedWindow::FromHandle(control);
    if (!bound) return false;
    LRESULT reflected = 0;
    if (!bound->OnReflected(message, wParam, lParam, reflected)) return false;
    // WM_CTLCOLOR* answers with the brush itself; other messages through DWLP_MSGRESULT.
    if (message == WM_DRAWITEM || message == WM_COMMAND) {
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT, reflected);
        result = TRUE;
    } else {
        result = reflected;
    }
    return true;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        self->m_hwnd = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    if (message != 0 && message == self->m_bypassedMessage) {
        self->m_bypassedMessage = 0;  // a nested message of the same kind is handled as usual
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->m_hwnd = nullptr;
        return FALSE;
    }
    try {
        INT_PTR result = FALSE;
        return self->OnMessage(message, wParam, lParam, result) ? result : FALSE;
    } catch (const std::exception& e) {
        self->OnUnhandledException(e.what());
    } catch (...) {
        self->OnUnhandledException("An unexpected error occurred.");
    }
    return FALSE;
}

}  // namespace win
