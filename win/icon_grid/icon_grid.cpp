// The icon grid's window class and the list-view messages it answers.
#include "win/icon_grid/icon_grid.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>

#include "win/icon_grid/icon_grid_view.h"
#include "win/controls/list_view.h"

namespace win {

namespace {

constexpr size_t kTextCapacity = 260;

LRESULT CALLBACK IconGridProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<IconGridView*>(GetWindowLongPtrA(hwnd, 0));
    if (message == WM_NCCREATE) {
        // The window owns its view from here to WM_NCDESTROY.
        auto made = std::make_unique<IconGridView>(hwnd);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(made.release()));
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        std::unique_ptr<IconGridView> owned(view);
        SetWindowLongPtrA(hwnd, 0, 0);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    if (!view) return DefWindowProcA(hwnd, message, wParam, lParam);
    try {
        return view->OnMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

}  // namespace

bool RegisterIconGrid() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    if (GetClassInfoExA(GetModuleHandleA(nullptr), kIconGridClass, &windowClass)) return true;
    windowClass.cbSize = sizeof(windowClass);
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = IconGridProc;
    windowClass.cbWndExtra = sizeof(LONG_PTR);
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kIconGridClass;
    return RegisterClassExA(&windowClass) != 0;
}

std::string AskItemTip(HWND grid, int item) {
    std::string text(INFOTIPSIZE, '\0');
    NMLVGETINFOTIPA tip{};
    tip.hdr.hwndFrom = grid;
    tip.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(grid));
    tip.hdr.code = LVN_GETINFOTIPA;
    tip.pszText = text.data();
    tip.cchTextMax = static_cast<int>(text.size());
    tip.iItem = item;
    SendMessageA(GetParent(grid), WM_NOTIFY, tip.hdr.idFrom, reinterpret_cast<LPARAM>(&tip));
    text.resize(text.find('\0'));
    return text;
}

IconGridView::ItemAnswer IconGridView::Ask(int item, UINT mask) const {
    ItemAnswer answer;
    std::string text(kTextCapacity, '\0');
    NMLVDISPINFOA info{};
    info.hdr.hwndFrom = m_hwnd;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_hwnd));
    info.hdr.code = LVN_GETDISPINFOA;
    info.item.mask = mask;
    info.item.iItem = item;
    info.item.iImage = -1;
    info.item.stateMask = LVIS_STATEIMAGEMASK;
    info.item.pszText = text.data();
    info.item.cchTextMax = static_cast<int>(text.size());
    SendMessageA(GetParent(m_hwnd), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
    // The parent may point at text of its own rather than fill the buffer.
    if ((mask & LVIF_TEXT) && info.item.pszText) answer.text = info.item.pszText;
    answer.image = info.item.iImage;
    answer.checked = (info.item.state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    answer.data = info.item.lParam;
    return answer;
}

UINT IconGridView::StateOf(int item, UINT mask) const {
    if (item < 0 || item >= m_count) return 0;
    UINT state = 0;
    if (m_selected[static_cast<size_t>(item)]) state |= LVIS_SELECTED;
    if (item == m_focus) state |= LVIS_FOCUSED;
    if (mask & LVIS_STATEIMAGEMASK) state |= INDEXTOSTATEIMAGEMASK(Ask(item, LVIF_STATE).checked ? 2 : 1);
    return state & mask;
}

template <typename Item>
LRESULT IconGridView::GetItem(Item& item) const {
    if (item.iItem < 0 || item.iItem >= m_count) return FALSE;
    const ItemAnswer answer = Ask(item.iItem, item.mask & (LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE));
    if (item.mask & LVIF_TEXT) CopyListText(answer.text, item.pszText, item.cchTextMax);
    if (item.mask & LVIF_IMAGE) item.iImage = answer.image;
    if (item.mask & LVIF_PARAM) item.lParam = answer.data;
    if (item.mask & LVIF_STATE) {
        item.state = StateOf(item.iItem, item.stateMask & ~LVIS_STATEIMAGEMASK);
        if (item.stateMask & LVIS_STATEIMAGEMASK) item.state |= INDEXTOSTATEIMAGEMASK(answer.checked ? 2 : 1);
    }
    return TRUE;
}

template <typename Item>
LRESULT IconGridView::GetItemText(int index, Item& item) const {
    if (index < 0 || index >= m_count || !item.pszText || item.cchTextMax <= 0) return 0;
    const std::string text = Ask(index, LVIF_TEXT).text;
    CopyListText(text, item.pszText, item.cchTextMax);
    return static_cast<LRESULT>(std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1)));
}

void IconGridView::SetState(int item, const LVITEMA& change) {
    if (item < 0) {
        for (int i = 0; i < m_count; ++i) SetState(i, change);
        return;
    }
    if (item >= m_count) return;
    if (change.stateMask & LVIS_SELECTED) {
        m_selected[static_cast<size_t>(item)] = (change.state & LVIS_SELECTED) != 0;
        InvalidateItem(item);
    }
    if (change.stateMask & LVIS_FOCUSED) {
        if (change.state & LVIS_FOCUSED) SetFocusItem(item);
        else if (m_focus == item) SetFocusItem(-1);
    }
}

int IconGridView::NextItem(int after, UINT flags) const {
    for (int item = std::max(after + 1, 0); item < m_count; ++item) {
        if ((flags & LVNI_SELECTED) && !m_selected[static_cast<size_t>(item)]) continue;
        if ((flags & LVNI_FOCUSED) && item != m_focus) continue;
        return item;
    }
    return -1;
}

bool IconGridView::ItemRect(int item, RECT& rect) const {
    if (item < 0 || item >= m_count) return false;
    const IconGridParts parts = m_layout.PartsOf(item, m_scroll);
    switch (rect.left) {
    case LVIR_ICON:
        rect = parts.icon;
        return true;
    case LVIR_LABEL:
        rect = parts.label;
        return true;
    case LVIR_SELECTBOUNDS:
        rect = RECT{parts.label.left, parts.icon.top, parts.label.right, parts.label.bottom};
        return true;
    default:
        rect = parts.bounds;
        return true;
    }
}

int IconGridView::HitTest(LVHITTESTINFO& hit) const {
    const IconGridHit found = m_layout.HitTest(hit.pt, m_count, m_scroll);
    hit.iItem = found.item;
    switch (found.part) {
    case IconGridPart::Box:
        hit.flags = (m_extendedStyle & LVS_EX_CHECKBOXES) ? LVHT_ONITEMSTATEICON : LVHT_NOWHERE;
        break;
    case IconGridPart::Icon:
        hit.flags = LVHT_ONITEMICON;
        break;
    case IconGridPart::Label:
        hit.flags = LVHT_ONITEMLABEL;
        break;
    case IconGridPart::None:
        hit.flags = LVHT_NOWHERE;
        break;
    }
    if (hit.flags == LVHT_NOWHERE) hit.iItem = -1;
    return hit.iItem;
}

LRESULT IconGridView::ListViewMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    handled = true;
    const int index = static_cast<int>(wParam);
    // Messages that point at a structure do nothing without one.
    switch (message) {
    case LVM_GETITEMA:
    case LVM_GETITEMW:
    case LVM_GETITEMTEXTA:
    case LVM_GETITEMTEXTW:
    case LVM_SETITEMSTATE:
    case LVM_GETITEMRECT:
    case LVM_HITTEST:
        if (!lParam) return message == LVM_HITTEST ? -1 : FALSE;
        break;
    default:
        break;
    }
    switch (message) {
    case LVM_GETITEMCOUNT:
        return m_count;
    case LVM_SETITEMCOUNT:
        SetCount(index);
        return TRUE;
    case LVM_DELETEITEM:
        if (index < 0 || index >= m_count) return FALSE;
        DeleteItem(index);
        return TRUE;
    case LVM_DELETEALLITEMS:
        SetCount(0);
        return TRUE;
    case LVM_GETITEMA:
        return GetItem(*reinterpret_cast<LVITEMA*>(lParam));
    case LVM_GETITEMW:
        return GetItem(*reinterpret_cast<LVITEMW*>(lParam));
    case LVM_GETITEMTEXTA:
        return GetItemText(index, *reinterpret_cast<LVITEMA*>(lParam));
    case LVM_GETITEMTEXTW:
        return GetItemText(index, *reinterpret_cast<LVITEMW*>(lParam));
    case LVM_GETITEMSTATE:
        return StateOf(index, static_cast<UINT>(lParam));
    case LVM_SETITEMSTATE:
        SetState(index, *reinterpret_cast<const LVITEMA*>(lParam));
        return TRUE;
    case LVM_GETNEXTITEM:
        return NextItem(index, LOWORD(lParam));
    case LVM_GETSELECTEDCOUNT:
        return std::count(m_selected.begin(), m_selected.end(), true);
    case LVM_GETITEMRECT:
        return ItemRect(index, *reinterpret_cast<RECT*>(lParam));
    case LVM_HITTEST:
        return HitTest(*reinterpret_cast<LVHITTESTINFO*>(lParam));
    case LVM_ENSUREVISIBLE:
        EnsureVisible(index);
        return TRUE;
    case LVM_GETTOPINDEX:
        return m_layout.VisibleItems(m_count, m_scroll).first;
    case LVM_GETCOUNTPERPAGE:
        return std::max<int>(1, m_layout.ClientHeight() / m_layout.Cell().cy) * m_layout.Columns();
    case LVM_REDRAWITEMS:
        for (int item = index; item <= static_cast<int>(lParam) && item < m_count; ++item) InvalidateItem(item);
        return TRUE;
    case LVM_UPDATE:
        InvalidateItem(index);
        return TRUE;
    case LVM_SETIMAGELIST: {
        if (wParam != LVSIL_NORMAL) return 0;
        HIMAGELIST old = m_images;
        m_images = reinterpret_cast<HIMAGELIST>(lParam);
        Relayout();
        return reinterpret_cast<LRESULT>(old);
    }
    case LVM_GETIMAGELIST:
        return wParam == LVSIL_NORMAL ? reinterpret_cast<LRESULT>(m_images) : 0;
    case LVM_SETEXTENDEDLISTVIEWSTYLE: {
        const DWORD old = m_extendedStyle;
        const DWORD mask = wParam ? static_cast<DWORD>(wParam) : ~DWORD{0};
        m_extendedStyle = (m_extendedStyle & ~mask) | (static_cast<DWORD>(lParam) & mask);
        InvalidateAll();
        return old;
    }
    case LVM_GETEXTENDEDLISTVIEWSTYLE:
        return m_extendedStyle;
    // Check states are always the parent's to keep.
    case LVM_SETCALLBACKMASK:
        return TRUE;
    case LVM_GETCALLBACKMASK:
        return LVIS_STATEIMAGEMASK;
    default:
        handled = false;
        return 0;
    }
}

}  // namespace win
