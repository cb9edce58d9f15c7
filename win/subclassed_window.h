#pragma once
// A control object bound to an existing dialog control by subclassing it.
// The parent dialog hands WM_DRAWITEM, WM_CTLCOLOR* and the control's own
// WM_COMMAND notifications back to the bound object through OnReflected, so
// each control paints itself and sees its clicks before the dialog does.
#include "win/window.h"

namespace win {

class SubclassedWindow : public Window {
public:
    SubclassedWindow() = default;
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;
    ~SubclassedWindow() override;

    // Attaches to the control `id` of `parent` and routes its messages to WindowProc.
    bool Bind(HWND parent, int id);
    // Overridden by controls that adjust the window around the binding; the
    // overload above goes through it.
    virtual bool Bind(HWND control);
    void Unbind();

    // The bound object of a control, or null.
    static SubclassedWindow* FromHandle(HWND hwnd);

    // A message the parent received on behalf of this control (WM_DRAWITEM,
    // WM_CTLCOLORBTN, WM_CTLCOLORSTATIC, WM_COMMAND, ...). Return true when
    // handled; an unhandled WM_COMMAND then goes on to the dialog's OnCommand.
    virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR refData);
};

}  // namespace win
