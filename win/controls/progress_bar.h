#pragma once
#include <windows.h>
#include <commctrl.h>

#include "win/window.h"

namespace win {

class ProgressBar : public Window {
public:
    void SetRange(int low, int high) const { SendMessageA(m_hwnd, PBM_SETRANGE32, low, high); }
    void SetPosition(int position) const { SendMessageA(m_hwnd, PBM_SETPOS, position, 0); }
    int Position() const { return static_cast<int>(SendMessageA(m_hwnd, PBM_GETPOS, 0, 0)); }
    int RangeHigh() const { return static_cast<int>(SendMessageA(m_hwnd, PBM_GETRANGE, FALSE, 0)); }
};

}  // namespace win
