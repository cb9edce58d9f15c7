#include "win/icon_grid/icon_grid_view.h"

#include <windowsx.h>

#include <algorithm>

#include "win/handles.h"
#include "win/icon_grid/icon_grid.h"
#include "win/icon_grid/icon_grid_accessible.h"
#include "win/controls/list_view.h"

namespace win {

namespace {

constexpr int kBoxSize = 13;
constexpr SIZE kDefaultIconSize{32, 32};
// Where a tip's text wraps.
constexpr int kTipWidth = 400;

SIZE IconSize(HIMAGELIST images) {
    int width = 0;
    int height = 0;
    if (images && ImageList_GetIconSize(images, &width, &height)) return SIZE{width, height};
    return kDefaultIconSize;
}

int TextHeight(HWND hwnd, HFONT font) {
    WindowDC dc(hwnd);
    SelectObjectScope selected(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    return std::max<int>(metrics.tmHeight, 1);
}

}  // namespace

IconGridView::IconGridView(HWND hwnd) : m_hwnd(hwnd), m_layout(kDefaultIconSize, kBoxSize, 16) {}

LRESULT IconGridView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    bool handled = false;
    const LRESULT result = ListViewMessage(message, wParam, lParam, handled);
    if (handled) return result;
    switch (message) {
    case WM_SIZE:
        Relayout();
        return 0;
    case WM_SETFONT:
        m_font = reinterpret_cast<HFONT>(wParam);
        Relayout();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_SETREDRAW:
        // Handled here rather than by the default, which would hide the window.
        m_redraw = wParam != FALSE;
        if (m_redraw) {
            UpdateScrollBar();
            InvalidateAll();
        }
        return 0;
    case WM_ERASEBKGND:
        return TRUE;  // painting fills everything
    case WM_PAINT:
        Paint();
        return 0;
    case WM_VSCROLL:
        OnScroll(wParam);
        return 0;
    case WM_MOUSEWHEEL:
        ScrollTo(m_scroll - GET_WHEEL_DELTA_WPARAM(wParam) * m_layout.Cell().cy / WHEEL_DELTA);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        OnButtonDown(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, wParam);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(static_cast<UINT>(wParam));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFOCUS:
        AnnounceIconGridFocus(m_hwnd, m_focus);
        InvalidateAll();  // the selection's colour shows where the focus is
        return 0;
    case WM_KILLFOCUS:
        InvalidateAll();
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        OnMouseMove(message, wParam, lParam);
        return 0;
    case WM_GETOBJECT:
        if (const LRESULT answer = AnswerIconGridGetObject(m_hwnd, wParam, lParam)) return answer;
        return DefWindowProcA(m_hwnd, message, wParam, lParam);
    case WM_NOTIFY:
        return OnTipText(*reinterpret_cast<NMHDR*>(lParam));
    default:
        return DefWindowProcA(m_hwnd, message, wParam, lParam);
    }
}

void IconGridView::SetCount(int count) {
    m_count = std::max(count, 0);
    m_selected.resize(static_cast<size_t>(m_count), false);
    if (m_focus >= m_count) m_focus = -1;
    if (m_anchor >= m_count) m_anchor = -1;
    if (m_count == 0) m_scroll = 0;
    UpdateScrollBar();
    InvalidateAll();
}

void IconGridView::DeleteItem(int item) {
    m_selected.erase(m_selected.begin() + item);
    m_count -= 1;
    if (m_focus > item) --m_focus;
    else if (m_focus == item) m_focus = std::min(item, m_count - 1);
    if (m_anchor >= item) m_anchor = -1;
    UpdateScrollBar();
    InvalidateAll();
}

// The columns do not depend on whether the scroll bar shows, so showing it
// never moves the items (and never asks for the bar to go again).
void IconGridView::Relayout() {
    m_layout = IconGridLayout(IconSize(m_images), kBoxSize, TextHeight(m_hwnd, m_font));
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const bool barShown = (GetWindowLongPtrA(m_hwnd, GWL_STYLE) & WS_VSCROLL) != 0;
    m_layout.SetClient(client.right - (barShown ? 0 : GetSystemMetrics(SM_CXVSCROLL)), client.bottom);
    UpdateScrollBar();
    InvalidateAll();
}

void IconGridView::UpdateScrollBar() {
    m_scroll = std::clamp(m_scroll, 0, m_layout.MaxScroll(m_count));
    if (!m_redraw) return;
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = std::max(m_layout.ContentHeight(m_count) - 1, 0);
    info.nPage = static_cast<UINT>(m_layout.ClientHeight());
    info.nPos = m_scroll;
    // Setting the bar draws it at once, which takes milliseconds under Wine.
    if (info.nMax == m_shownBar.nMax && info.nPage == m_shownBar.nPage && info.nPos == m_shownBar.nPos) return;
    m_shownBar = info;
    SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
}

void IconGridView::ScrollTo(int position) {
    const int scroll = std::clamp(position, 0, m_layout.MaxScroll(m_count));
    if (scroll == m_scroll) return;
    m_scroll = scroll;
    UpdateScrollBar();
    InvalidateAll();
}

void IconGridView::OnScroll(WPARAM wParam) {
    const int line = m_layout.Cell().cy / 4;
    const int page = std::max(m_layout.ClientHeight() - line, line);
    switch (LOWORD(wParam)) {
    case SB_LINEUP: ScrollTo(m_scroll - line); break;
    case SB_LINEDOWN: ScrollTo(m_scroll + line); break;
    case SB_PAGEUP: ScrollTo(m_scroll - page); break;
    case SB_PAGEDOWN: ScrollTo(m_scroll + page); break;
    case SB_TOP: ScrollTo(0); break;
    case SB_BOTTOM: ScrollTo(m_layout.MaxScroll(m_count)); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        // The 32-bit position: the one in wParam stops at 65,535 pixels.
        SCROLLINFO info{};
        info.cbSize = sizeof(info);
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(m_hwnd, SB_VERT, &info);
        ScrollTo(info.nTrackPos);
        break;
    }
    default:
        break;
    }
}

void IconGridView::EnsureVisible(int item) {
    if (item < 0 || item >= m_count) return;
    ScrollTo(m_layout.ScrollToShow(item, m_scroll));
}

void IconGridView::InvalidateItem(int item) const {
    if (!m_redraw || item < 0 || item >= m_count) return;
    const IconGridParts parts = m_layout.PartsOf(item, m_scroll);
    InvalidateRect(m_hwnd, &parts.bounds, FALSE);
}

void IconGridView::InvalidateAll() const {
    if (m_redraw) InvalidateRect(m_hwnd, nullptr, FALSE);
}

void IconGridView::Paint() {
    PaintScope paint(m_hwnd);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    // Drawn off screen and copied in one go, so scrolling does not flicker.
    MemoryDC canvas(paint);
    BitmapHandle bitmap(CreateCompatibleBitmap(paint, client.right, client.bottom));
    SelectObjectScope selectedBitmap(canvas, bitmap.get());
    SelectObjectScope selectedFont(canvas, m_font ? static_cast<HGDIOBJ>(m_font) : GetStockObject(DEFAULT_GUI_FONT));
    FillRect(canvas, &client, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(canvas, TRANSPARENT);
    const bool focusShown = GetFocus() == m_hwnd;
    const auto [first, last] = m_layout.VisibleItems(m_count, m_scroll);
    // The two boxes are drawn once a paint and copied to each item: under Wine
    // every DrawFrameControl asks the Wine server about the display three times.
    MemoryDC boxes(canvas.get());
    const RECT box = m_layout.PartsOf(0, 0).box;
    const int boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;
    BitmapHandle boxesBitmap(CreateCompatibleBitmap(paint, 2 * boxWidth, boxHeight));
    SelectObjectScope selectedBoxes(boxes, boxesBitmap.get());
    const bool checkBoxes = (m_extendedStyle & LVS_EX_CHECKBOXES) && first < last;
    if (checkBoxes) {
        const RECT both{0, 0, 2 * boxWidth, boxHeight};
        FillRect(boxes, &both, GetSysColorBrush(COLOR_WINDOW));
        for (int checked = 0; checked < 2; ++checked) {
            RECT drawn{checked * boxWidth, 0, (checked + 1) * boxWidth, boxHeight};
            DrawFrameControl(boxes, &drawn, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (checked ? DFCS_CHECKED : 0));
        }
    }
    for (int item = first; item < last; ++item) PaintItem(canvas, item, focusShown, checkBoxes ? boxes.get() : nullptr);
    BitBlt(paint, 0, 0, client.right, client.bottom, canvas, 0, 0, SRCCOPY);
}

void IconGridView::PaintItem(HDC dc, int item, bool focusShown, HDC boxes) const {
    const IconGridParts parts = m_layout.PartsOf(item, m_scroll);
    const ItemAnswer answer = Ask(item, LVIF_TEXT | LVIF_IMAGE | LVIF_STATE);
    const bool selected = m_selected[static_cast<size_t>(item)];
    if (m_images && answer.image >= 0)
        ImageList_Draw(m_images, answer.image, dc, parts.icon.left, parts.icon.top,
                       selected && focusShown ? ILD_SELECTED : ILD_NORMAL);
    if (boxes) {
        const RECT& box = parts.box;
        const int width = box.right - box.left;
        BitBlt(dc, box.left, box.top, width, box.bottom - box.top, boxes, answer.checked ? width : 0, 0, SRCCOPY);
    }
    // The text's own width is highlighted, centred under the icon.
    SIZE extent{};
    GetTextExtentPoint32A(dc, answer.text.c_str(), static_cast<int>(answer.text.size()), &extent);
    const int width = std::min<int>(extent.cx + 4, parts.label.right - parts.label.left);
    const int middle = (parts.label.left + parts.label.right) / 2;
    RECT label{middle - width / 2, parts.label.top, middle - width / 2 + width, parts.label.bottom};
    if (selected && !answer.text.empty()) {
        FillRect(dc, &label, GetSysColorBrush(focusShown ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(focusShown ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    } else {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    }
    DrawTextA(dc, answer.text.c_str(), static_cast<int>(answer.text.size()), &label,
              DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
    if (focusShown && item == m_focus) {
        RECT focus = answer.text.empty() ? parts.icon : label;
        if (answer.text.empty()) InflateRect(&focus, 1, 1);
        DrawFocusRect(dc, &focus);
    }
}

void IconGridView::SelectOnly(int item) {
    for (int i = NextItem(-1, LVNI_SELECTED); i >= 0; i = NextItem(i, LVNI_SELECTED)) {
        m_selected[static_cast<size_t>(i)] = false;
        InvalidateItem(i);
    }
    if (item >= 0 && item < m_count) {
        m_selected[static_cast<size_t>(item)] = true;
        InvalidateItem(item);
    }
}

void IconGridView::SelectRange(int from, int to) {
    SelectOnly(-1);
    for (int i = std::max(std::min(from, to), 0); i <= std::max(from, to) && i < m_count; ++i) {
        m_selected[static_cast<size_t>(i)] = true;
        InvalidateItem(i);
    }
}

void IconGridView::SetFocusItem(int item) {
    if (item == m_focus) return;
    InvalidateItem(m_focus);
    m_focus = item;
    InvalidateItem(m_focus);
    AnnounceIconGridFocus(m_hwnd, m_focus);
}

void IconGridView::OnButtonDown(POINT point, WPARAM keys) {
    SetFocus(m_hwnd);
    const int item = m_layout.HitTest(point, m_count, m_scroll).item;
    if (item < 0) {
        if (!(keys & (MK_CONTROL | MK_SHIFT))) SelectOnly(-1);
        return;
    }
    if ((keys & MK_SHIFT) && m_anchor >= 0) {
        SelectRange(m_anchor, item);
    } else if (keys & MK_CONTROL) {
        m_selected[static_cast<size_t>(item)] = !m_selected[static_cast<size_t>(item)];
        InvalidateItem(item);
        m_anchor = item;
    } else {
        SelectOnly(item);
        m_anchor = item;
    }
    SetFocusItem(item);
}

void IconGridView::OnKeyDown(UINT key) {
    const bool control = GetKeyState(VK_CONTROL) < 0;
    if (control && key == 'A') {
        SelectRange(0, m_count - 1);
        return;
    }
    const int item = m_layout.ItemAfterKey(m_focus, key, m_count);
    if (item < 0) return;
    if (GetKeyState(VK_SHIFT) < 0) {
        if (m_anchor < 0) m_anchor = std::max(m_focus, 0);
        SelectRange(m_anchor, item);
    } else if (!control) {
        SelectOnly(item);
        m_anchor = item;
    }
    SetFocusItem(item);
    EnsureVisible(item);
}

// One tip covers the whole window; when the mouse moves to another item the
// shown tip goes, and the next one asks for that item's text.
void IconGridView::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!(m_extendedStyle & LVS_EX_INFOTIP)) return;
    if (!m_tip) {
        m_tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        if (!m_tip) return;
        TTTOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = m_hwnd;
        tool.uId = 1;
        tool.lpszText = LPSTR_TEXTCALLBACKA;
        tool.rect = RECT{0, 0, 0x7FFF, 0x7FFF};
        SendMessageA(m_tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
        SendMessageA(m_tip, TTM_SETMAXTIPWIDTH, 0, kTipWidth);
    }
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    const int item = m_layout.HitTest(point, m_count, m_scroll).item;
    if (item != m_tipItem) {
        m_tipItem = item;
        SendMessageA(m_tip, TTM_POP, 0, 0);
    }
    MSG relayed{m_hwnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), {}};
    SendMessageA(m_tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT IconGridView::OnTipText(NMHDR& header) {
    if (header.hwndFrom != m_tip || (header.code != TTN_GETDISPINFOA && header.code != TTN_GETDISPINFOW)) return 0;
    m_tipText.clear();
    if (m_tipItem >= 0 && m_tipItem < m_count) {
        m_tipText = AskItemTip(m_hwnd, m_tipItem);
    }
    // An empty text shows no tip.
    if (header.code == TTN_GETDISPINFOA) {
        reinterpret_cast<NMTTDISPINFOA&>(header).lpszText = m_tipText.data();
    } else {
        m_tipTextWide.assign(m_tipText.size() + 1, L'\0');
        CopyListText(m_tipText, m_tipTextWide.data(), static_cast<int>(m_tipTextWide.size()));
        reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = m_tipTextWide.data();
    }
    return 0;
}

}  // namespace win
