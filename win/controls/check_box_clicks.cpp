#include "win/controls/check_box_clicks.h"

#include <windows.h>
#include <commctrl.h>
#include <windowsx.h>

namespace win {

bool CheckBoxClicks::Bind(HWND list) {
    if (!SubclassedWindow::Bind(list)) return false;
    SendMessageA(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0);
    return true;
}

LRESULT CheckBoxClicks::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (const int item = BoxAt(lParam); item >= 0) {
            SetFocus(m_hwnd);
            m_toggle({item});
            return 0;
        }
        break;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            if (const std::vector<int> items = ItemsForSpace(); !items.empty()) m_toggle(items);
            return 0;
        }
        break;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

int CheckBoxClicks::BoxAt(LPARAM point) const {
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(point), GET_Y_LPARAM(point)};
    const int item = static_cast<int>(SendMessageA(m_hwnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return item >= 0 && (hit.flags & LVHT_ONITEMSTATEICON) ? item : -1;
}

// Space flips the focused item, and with it every other selected item when
// the focused one is selected, all to the focused item's new state.
std::vector<int> CheckBoxClicks::ItemsForSpace() const {
    const auto next = [&](int after, UINT flags) {
        return static_cast<int>(SendMessageA(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(after), flags));
    };
    const int focused = next(-1, LVNI_FOCUSED);
    if (focused < 0) return {};
    std::vector<int> items{focused};
    if (!(ListView_GetItemState(m_hwnd, focused, LVIS_SELECTED) & LVIS_SELECTED)) return items;
    for (int item = next(-1, LVNI_SELECTED); item >= 0; item = next(item, LVNI_SELECTED))
        if (item != focused) items.push_back(item);
    return items;
}

}  // namespace win
