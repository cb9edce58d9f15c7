#include "win/dialog.h"

#include <exception>

#include "win/subclassed_window.h"

namespace win {

Dialog::~Dialog() {
    if (!modal_ && hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

INT_PTR Dialog::DoModal(HWND owner) {
    modal_ = true;
    result_ = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
    hwnd_ = nullptr;
    return result_;
}

HWND Dialog::Create(HWND owner) {
    modal_ = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                              reinterpret_cast<LPARAM>(this));
}

void Dialog::End(INT_PTR code) {
    result_ = code;
    if (modal_)
        EndDialog(hwnd_, code);
    else
        DestroyWindow(hwnd_);
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
    MessageBoxA(hwnd_, what, "Error", MB_OK | MB_ICONERROR);
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
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, notifyResult);
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
    const UINT saved = bypassedMessage_;
    bypassedMessage_ = message;
    const LRESULT result = DefDlgProcA(hwnd_, message, wParam, lParam);
    bypassedMessage_ = saved;
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
        SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, reflected);
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
        self->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;
    if (message != 0 && message == self->bypassedMessage_) {
        self->bypassedMessage_ = 0;  // a nested message of the same kind is handled as usual
        return FALSE;
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
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
