#pragma once
// Thin wrapper over a list-view control.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "win/window.h"

namespace win {

// Copies text into a buffer a list view or its parent was handed (item texts,
// tips), cut to fit and always ended; each byte widens to one wide character.
template <typename Char>
void CopyListText(const std::string& text, Char* buffer, int capacity) {
    if (!buffer || capacity <= 0) return;
    const size_t length = std::min(text.size(), static_cast<size_t>(capacity - 1));
    for (size_t i = 0; i < length; ++i) buffer[i] = static_cast<Char>(static_cast<unsigned char>(text[i]));
    buffer[length] = 0;
}

class ListView : public Window {
public:
    int Count() const { return static_cast<int>(SendMessageA(m_hwnd, LVM_GETITEMCOUNT, 0, 0)); }
    void DeleteAll() const { SendMessageA(m_hwnd, LVM_DELETEALLITEMS, 0, 0); }

    void AddExtendedStyle(DWORD style) const {
        SendMessageA(m_hwnd, LVM_SETEXTENDEDLISTVIEWSTYLE, style, style);
    }
    void InsertColumn(int index, const char* title, int width) const {
        LVCOLUMNA column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = width;
        column.pszText = const_cast<char*>(title);
        column.iSubItem = index;
        SendMessageA(m_hwnd, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
    }
    // Inserts an item; returns its index or -1.
    int InsertItem(int index, const std::string& text, int image = -1, LPARAM data = 0) const {
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
        item.iItem = index;
        item.pszText = const_cast<char*>(text.c_str());
        item.iImage = image;
        item.lParam = data;
        return static_cast<int>(SendMessageA(m_hwnd, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    }
    void SetItemText(int index, int column, const std::string& text) const {
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = const_cast<char*>(text.c_str());
        SendMessageA(m_hwnd, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
    }
    std::string GetItemText(int index, int column) const {
        std::string text(1024, '\0');
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        auto length = SendMessageA(m_hwnd, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        text.resize(static_cast<size_t>(length));
        return text;
    }
    LPARAM GetItemData(int index) const {
        LVITEMA item{};
        item.mask = LVIF_PARAM;
        item.iItem = index;
        SendMessageA(m_hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.lParam;
    }
    int GetItemImage(int index) const {
        LVITEMA item{};
        item.mask = LVIF_IMAGE;
        item.iItem = index;
        SendMessageA(m_hwnd, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    bool GetCheck(int index) const { return ListView_GetCheckState(m_hwnd, index) != 0; }
    int FirstSelected() const {
        return static_cast<int>(SendMessageA(m_hwnd, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    }
    void Select(int index) const {
        ListView_SetItemState(m_hwnd, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    void DeleteItem(int index) const { SendMessageA(m_hwnd, LVM_DELETEITEM, index, 0); }
    // Asks for the item's callback text again and redraws it.
    void Update(int index) const { SendMessageA(m_hwnd, LVM_UPDATE, index, 0); }
    void EnsureVisible(int index) const { SendMessageA(m_hwnd, LVM_ENSUREVISIBLE, index, TRUE); }
    // Pixels the text takes in the list's font.
    int StringWidth(const std::string& text) const {
        return static_cast<int>(SendMessageA(m_hwnd, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    void SetColumnWidth(int column, int width) const { SendMessageA(m_hwnd, LVM_SETCOLUMNWIDTH, column, width); }
    void SetImageList(HIMAGELIST list, int which) const {
        SendMessageA(m_hwnd, LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(list));
    }
    HWND Header() const { return reinterpret_cast<HWND>(SendMessageA(m_hwnd, LVM_GETHEADER, 0, 0)); }
};

}  // namespace win
