#include "controls/skin_button.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

namespace controls {

namespace {

constexpr LONG_PTR kButtonTypeBits = 0x1F;

using PenHandle = win::GdiObject<HPEN>;

void FillSolid(HDC dc, const RECT& rect, COLORREF color) {
    const COLORREF previous = SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    SetBkColor(dc, previous);
}

// One-pixel edges: top and left in one colour, bottom and right in the other.
void Draw3dRect(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    FillSolid(dc, RECT{rect.left, rect.top, rect.left + width - 1, rect.top + 1}, topLeft);
    FillSolid(dc, RECT{rect.left, rect.top, rect.left + 1, rect.top + height - 1}, topLeft);
    FillSolid(dc, RECT{rect.right - 1, rect.top, rect.right, rect.bottom}, bottomRight);
    FillSolid(dc, RECT{rect.left, rect.bottom - 1, rect.right, rect.bottom}, bottomRight);
}

// A two-segment line; LineTo leaves out each end point.
void DrawCorner(HDC dc, int colorIndex, POINT from, POINT corner, POINT to) {
    PenHandle pen(CreatePen(PS_SOLID, 1, GetSysColor(colorIndex)));
    win::SelectObjectScope selection(dc, pen.get());
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, corner.x, corner.y);
    LineTo(dc, to.x, to.y);
}

}  // namespace

COLORREF ShiftColor(COLORREF color, int offset) {
    const int channels[3] = {GetRValue(color), GetGValue(color), GetBValue(color)};
    int applied = offset;
    for (int channel : channels) {
        if (offset > 0 && channel + offset > 255) applied = std::min(applied, 255 - channel);
        if (offset <= 0 && channel + offset < 0) applied = std::max(applied, -channel);
    }
    return RGB(channels[0] + applied, channels[1] + applied, channels[2] + applied);
}

bool PressedOffsetForStyle(int style, POINT& offset) {
    switch (style) {
    case 0:
        offset = POINT{1, 1};
        return true;
    case 1:
        offset = POINT{0, 2};
        return true;
    default:
        return false;
    }
}

RECT CentreRectIn(const RECT& measured, const RECT& frame) {
    RECT centred = measured;
    const int dx = ((frame.right - frame.left) - (measured.right - measured.left)) / 2;
    const int dy = ((frame.bottom - frame.top) - (measured.bottom - measured.top)) / 2;
    OffsetRect(&centred, dx, dy);
    return centred;
}

SkinButton::SkinButton() {
    ResetStateColors(false);
    SetPressedOffset(0, false);
}

SkinButton::~SkinButton() {
    m_snapshot.reset();
    m_hoverCursor.reset();
}

bool SkinButton::Bind(HWND control) {
    if (!control) return false;
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    if ((style & kButtonTypeBits) == BS_DEFPUSHBUTTON) m_defaultButton = true;
    SetWindowLongPtrA(control, GWL_STYLE, (style & ~kButtonTypeBits) | BS_OWNERDRAW);
    SetWindowPos(control, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return win::SubclassedWindow::Bind(control);
}

void SkinButton::Repaint(bool repaint) {
    if (repaint && m_hwnd) InvalidateRect(m_hwnd, nullptr, TRUE);
}

int SkinButton::SetStateColor(BYTE index, COLORREF color, bool repaint) {
    if (index >= kStateColorCount) return kButtonBadColorIndex;
    m_colors[index] = color;
    Repaint(repaint);
    return kButtonOk;
}

int SkinButton::ShiftStateColor(BYTE index, short offset, bool repaint) {
    if (index >= kStateColorCount) return kButtonBadColorIndex;
    if (offset < -255 || offset > 255) return kButtonBadOffset;
    m_colors[index] = ShiftColor(m_colors[index], offset);
    Repaint(repaint);
    return kButtonOk;
}

int SkinButton::ResetStateColors(bool repaint) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF text = GetSysColor(COLOR_BTNTEXT);
    m_colors[kActiveBackground] = face;
    m_colors[kActiveCaption] = text;
    m_colors[kNormalBackground] = face;
    m_colors[kNormalCaption] = text;
    m_colors[kFocusedBackground] = face;
    m_colors[kFocusedCaption] = text;
    Repaint(repaint);
    return kButtonOk;
}

int SkinButton::SetFlatLook(bool flat, bool repaint) {
    m_flat = flat;
    Repaint(repaint);
    return kButtonOk;
}

int SkinButton::SetHoverCursor(int cursorId, bool repaint) {
    m_hoverCursor.reset();
    if (cursorId == 0) return kButtonOk;
    m_hoverCursor.reset(static_cast<HCURSOR>(LoadImageA(GetModuleHandleA(nullptr),
                                                       MAKEINTRESOURCEA(static_cast<WORD>(cursorId)), IMAGE_CURSOR,
                                                       0, 0, LR_DEFAULTCOLOR)));
    Repaint(repaint);
    return m_hoverCursor ? kButtonOk : kButtonResourceFailed;
}

int SkinButton::UseParentBackground(bool repaint) {
    m_parentBackground = true;
    DropSnapshot();
    Repaint(repaint);
    return kButtonOk;
}

int SkinButton::SetPressedOffset(int style, bool repaint) {
    POINT offset{};
    if (!PressedOffsetForStyle(style, offset)) return kButtonBadPressedStyle;
    m_pressedOffset = offset;
    Repaint(repaint);
    return kButtonOk;
}

void SkinButton::EndHover() {
    if (!m_flat || !m_hovered) return;
    m_hovered = false;
    if (m_hwnd) InvalidateRect(m_hwnd, nullptr, TRUE);
}

void SkinButton::DropSnapshot() { m_snapshot.reset(); }

bool SkinButton::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DRAWITEM:
        DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        // Nothing is pre-filled behind the button: it paints every pixel itself.
        result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        return true;
    case WM_COMMAND:
        // Clicks that come without a mouse press (BM_CLICK, accelerators) must
        // move the focus too; the parent still acts on the click.
        if (HIWORD(wParam) == BN_CLICKED) SetFocus(m_hwnd);
        return false;
    default:
        return false;
    }
}

LRESULT SkinButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LBUTTONDBLCLK:
        // An owner-drawn button reports a double-click as such; each click of it should act as a click.
        return DefaultProc(WM_LBUTTONDOWN, wParam, lParam);
    case WM_SETCURSOR:
        if (m_hoverCursor) {
            SetCursor(m_hoverCursor.get());
            return TRUE;
        }
        break;
    case WM_MOUSEMOVE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        TrackHover(wParam, lParam);
        return result;
    }
    case WM_MOUSELEAVE:
        EndHover();
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        EndHover();
        return result;
    }
    case WM_ACTIVATE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        if (LOWORD(wParam) == WA_INACTIVE) EndHover();
        return result;
    }
    case WM_ENABLE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        if (!wParam) {
            FocusNextControl();
            EndHover();
        }
        return result;
    }
    case WM_SYSCOLORCHANGE: {
        const LRESULT result = DefaultProc(message, wParam, lParam);
        DropSnapshot();
        ResetStateColors(true);
        return result;
    }
    case WM_GETDLGCODE:
        // The dialog manager moves the default-button look by these codes.
        return DefaultProc(message, wParam, lParam) | (m_defaultButton ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case BM_SETSTYLE: {
        const WPARAM type = wParam & kButtonTypeBits;
        if (type == BS_DEFPUSHBUTTON) m_defaultButton = true;
        if (type == BS_PUSHBUTTON) m_defaultButton = false;
        return DefaultProc(message, (wParam & ~static_cast<WPARAM>(kButtonTypeBits)) | BS_OWNERDRAW, lParam);
    }
    case BM_SETCHECK:
    case BM_GETCHECK:
        return 0;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void SkinButton::FocusNextControl() {
    HWND parent = GetParent(m_hwnd);
    HWND next = GetNextDlgTabItem(parent, m_hwnd, FALSE);
    SetFocus(next && next != m_hwnd ? next : parent);
}

void SkinButton::TrackHover(WPARAM keys, LPARAM position) {
    POINT point{GET_X_LPARAM(position), GET_Y_LPARAM(position)};
    ClientToScreen(m_hwnd, &point);
    HWND under = WindowFromPoint(point);
    if ((keys & MK_LBUTTON) && !m_hovered) return;
    if (!m_flat) return;
    if (under != m_hwnd) {
        EndHover();
        return;
    }
    if (m_hovered) return;
    m_hovered = true;
    InvalidateRect(m_hwnd, nullptr, TRUE);
    TRACKMOUSEEVENT leave{sizeof(leave), TME_LEAVE, m_hwnd, 0};
    TrackMouseEvent(&leave);
}

void SkinButton::DrawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    const RECT rect = item.rcItem;
    m_pressed = (item.itemState & ODS_SELECTED) != 0;
    m_focused = (item.itemState & ODS_FOCUS) != 0;
    m_disabled = (item.itemState & ODS_DISABLED) != 0;

    SetBkMode(dc, TRANSPARENT);
    if (m_parentBackground)
        PaintParentBackground(dc);
    else
        DrawButtonBackground(dc, rect);
    DrawButtonBorder(dc, rect);

    const std::string caption = GetText();
    if (!caption.empty()) DrawButtonCaption(dc, caption.c_str(), rect);

    if (!m_flat && m_focused) {
        RECT focus = rect;
        InflateRect(&focus, -3, -3);
        DrawFocusRect(dc, &focus);
    }
}

void SkinButton::PaintParentBackground(HDC dc) {
    HWND parent = GetParent(m_hwnd);
    win::WindowDC parentDC(parent);
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const int width = client.right;
    const int height = client.bottom;

    if (!m_snapshot) {
        // Whatever the parent shows under the button now is kept for every later paint.
        const RECT place = RectInParent();
        auto snapshot = std::make_unique<Snapshot>(parentDC);
        snapshot->bitmap.reset(CreateCompatibleBitmap(parentDC, width, height));
        if (!snapshot->dc.get() || !snapshot->bitmap) return;
        snapshot->selection.emplace(snapshot->dc, snapshot->bitmap.get());
        BitBlt(snapshot->dc, 0, 0, width, height, parentDC, place.left, place.top, SRCCOPY);
        m_snapshot = std::move(snapshot);
    }
    BitBlt(dc, 0, 0, width, height, m_snapshot->dc, 0, 0, SRCCOPY);
}

void SkinButton::DrawButtonBackground(HDC dc, RECT item) {
    if (!m_flat && (m_focused || m_defaultButton)) {
        FrameRect(dc, &item, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        InflateRect(&item, -1, -1);
    }
    const COLORREF fill = (m_hovered || m_pressed) ? m_colors[kActiveBackground]
                          : m_focused             ? m_colors[kFocusedBackground]
                                                 : m_colors[kNormalBackground];
    FillSolid(dc, item, fill);
}

void SkinButton::DrawButtonBorder(HDC dc, RECT item) {
    if (m_pressed) {
        if (!m_flat)
            FrameRect(dc, &item, GetSysColorBrush(COLOR_BTNSHADOW));
        else
            Draw3dRect(dc, item, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHILIGHT));
        return;
    }
    if (!m_flat) {
        const LONG l = item.left, t = item.top, r = item.right, b = item.bottom;
        DrawCorner(dc, COLOR_BTNHILIGHT, {l, b - 1}, {l, t}, {r, t});
        DrawCorner(dc, COLOR_3DLIGHT, {l + 1, b - 1}, {l + 1, t + 1}, {r, t + 1});
        DrawCorner(dc, COLOR_3DDKSHADOW, {l, b - 1}, {r - 1, b - 1}, {r - 1, t - 1});
        DrawCorner(dc, COLOR_BTNSHADOW, {l + 1, b - 2}, {r - 2, b - 2}, {r - 2, t});
        return;
    }
    if (m_hovered) Draw3dRect(dc, item, GetSysColor(COLOR_BTNHILIGHT), GetSysColor(COLOR_BTNSHADOW));
}

void SkinButton::DrawButtonCaption(HDC dc, const char* caption, RECT captionRect) {
    if (m_pressed) OffsetRect(&captionRect, m_pressedOffset.x, m_pressedOffset.y);

    const RECT frame = captionRect;
    DrawTextA(dc, caption, -1, &captionRect, DT_WORDBREAK | DT_CENTER | DT_CALCRECT);
    captionRect = CentreRectIn(captionRect, frame);
    SetBkMode(dc, TRANSPARENT);

    if (m_disabled) {
        // Engraved: a highlight copy one pixel down and right, the shadow copy on top.
        OffsetRect(&captionRect, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextA(dc, caption, -1, &captionRect, DT_WORDBREAK | DT_CENTER);
        OffsetRect(&captionRect, -1, -1);
        SetTextColor(dc, GetSysColor(COLOR_3DSHADOW));
        DrawTextA(dc, caption, -1, &captionRect, DT_WORDBREAK | DT_CENTER);
        return;
    }

    COLORREF text = m_colors[kNormalCaption];
    COLORREF background = m_colors[kNormalBackground];
    if (m_hovered || m_pressed) {
        text = m_colors[kActiveCaption];
        background = m_colors[kActiveBackground];
    } else if (m_focused) {
        text = m_colors[kFocusedCaption];
        background = m_colors[kFocusedBackground];
    }
    SetTextColor(dc, text);
    SetBkColor(dc, background);
    DrawTextA(dc, caption, -1, &captionRect, DT_WORDBREAK | DT_CENTER);
}

}  // namespace controls
