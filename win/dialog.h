#pragma once
// A dialog made from a resource template, run modally (DoModal) or modeless
// (Create). One dialog procedure stores `this` on WM_INITDIALOG and calls the
// virtual OnMessage switch, which fans out to the handlers below.
#include "win/window.h"

namespace win {

class Dialog : public Window {
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;
    ~Dialog() override;

    // Runs the dialog modally; returns the code given to End, or -1.
    INT_PTR DoModal(HWND owner);
    // Creates the dialog modeless (tests and embedding); returns its window or null.
    HWND Create(HWND owner);
    // Ends the dialog: EndDialog when modal, DestroyWindow otherwise.
    void End(INT_PTR code);
    bool IsModal() const { return m_modal; }
    INT_PTR Result() const { return m_result; }

    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }

protected:
    // Runs the system's own handling of a message now, from inside a handler
    // (for "default first, then ours"); the dialog procedure steps aside for it.
    LRESULT DefaultProcessing(UINT message, WPARAM wParam, LPARAM lParam);
    // Return true when the message is handled; `result` becomes the dialog procedure's answer.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);
    // WM_INITDIALOG: return true to let the system set the default focus.
    virtual bool OnInit() { return true; }
    // WM_COMMAND; return true when handled.
    virtual bool OnCommand(int id, int code, HWND control);
    // WM_NOTIFY; return true when handled, with the notification's result in `result`.
    virtual bool OnNotify(const NMHDR& header, LRESULT& result);
    virtual void OnTimer(UINT_PTR) {}
    // The close box, Alt+F4 and Esc arrive here (IDCANCEL); the default ends with IDCANCEL.
    virtual void OnCancel() { End(IDCANCEL); }
    virtual void OnOK() { End(IDOK); }

    // Reports an exception caught at the dialog procedure; the default shows a message box.
    virtual void OnUnhandledException(const char* what);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result);

    int m_templateId;
    UINT m_bypassedMessage = 0;
    bool m_modal = false;
    INT_PTR m_result = -1;
};

}  // namespace win
