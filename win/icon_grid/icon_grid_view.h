#pragma once
// The object behind one icon grid window (see icon_grid.h): its items'
// number and selection, scrolling, drawing, mouse, keys and tips.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "win/icon_grid/icon_grid_layout.h"

namespace win {

class IconGridView {
public:
    explicit IconGridView(HWND hwnd);
    IconGridView(const IconGridView&) = delete;
    IconGridView& operator=(const IconGridView&) = delete;

    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // What the parent says of an item when asked.
    struct ItemAnswer {
        std::string text;
        int image = -1;
        bool checked = false;
        LPARAM data = 0;
    };
    ItemAnswer Ask(int item, UINT mask) const;
    LRESULT ListViewMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    template <typename Item>
    LRESULT GetItem(Item& item) const;
    template <typename Item>
    LRESULT GetItemText(int index, Item& item) const;
    UINT StateOf(int item, UINT mask) const;
    void SetState(int item, const LVITEMA& state);
    int NextItem(int after, UINT flags) const;
    bool ItemRect(int item, RECT& rect) const;
    int HitTest(LVHITTESTINFO& hit) const;

    void SetCount(int count);
    void DeleteItem(int item);
    void Relayout();
    void UpdateScrollBar();
    void ScrollTo(int position);
    void OnScroll(WPARAM wParam);
    void EnsureVisible(int item);
    void InvalidateItem(int item) const;
    void InvalidateAll() const;

    void Paint();
    // `boxes`: the unchecked and the checked box side by side, or null for none.
    void PaintItem(HDC dc, int item, bool focusShown, HDC boxes) const;

    void OnButtonDown(POINT point, WPARAM keys);
    void OnKeyDown(UINT key);
    void SelectOnly(int item);
    void SelectRange(int from, int to);
    void SetFocusItem(int item);
    void OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnTipText(NMHDR& header);

    HWND m_hwnd;
    HFONT m_font = nullptr;
    HIMAGELIST m_images = nullptr;  // borrowed: the parent owns it
    DWORD m_extendedStyle = 0;
    IconGridLayout m_layout;
    int m_count = 0;
    std::vector<bool> m_selected;
    int m_focus = -1;
    int m_anchor = -1;  // where a range chosen with Shift starts
    int m_scroll = 0;   // pixels of content above the window
    bool m_redraw = true;
    SCROLLINFO m_shownBar{0, 0, 0, -1, 0, 0, 0};  // what the scroll bar was last given
    HWND m_tip = nullptr;  // owned by the grid's window, goes with it
    int m_tipItem = -1;
    std::string m_tipText;
    std::wstring m_tipTextWide;
};

}  // namespace win
