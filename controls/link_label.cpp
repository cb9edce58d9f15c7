#include "controls/link_label.h"

#include <shellapi.h>

#include <cstdlib>
#include <optional>

namespace controls {

namespace {
constexpr LONG_PTR kStaticTypeBits = 0x1F;
}

int PointSizeToHeight(int points) { return -std::abs(points * 10 * 96 / 720); }

UINT LabelTextLayout(LONG_PTR style, const std::string& text) {
    if (style & SS_CENTERIMAGE)
        return text.find("\r\n") == std::string::npos ? DT_CENTER | DT_VCENTER | DT_SINGLELINE : DT_CENTER;
    switch (style & kStaticTypeBits) {
    case SS_CENTER:
        return DT_CENTER | DT_WORDBREAK;
    case SS_RIGHT:
        return DT_RIGHT | DT_WORDBREAK;
    case SS_LEFTNOWORDWRAP:
        return DT_LEFT;
    default:
        return DT_LEFT | DT_WORDBREAK;
    }
}

LinkLabel::LinkLabel()
    : m_textColor(GetSysColor(COLOR_WINDOWTEXT)), m_backgroundBrush(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {}

bool LinkLabel::Bind(HWND control) {
    if (!win::SubclassedWindow::Bind(control)) return false;
    auto* dialogFont = reinterpret_cast<HFONT>(SendMessageA(m_hwnd, WM_GETFONT, 0, 0));
    if (!dialogFont) dialogFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    GetObjectA(dialogFont, sizeof(m_fontRecord), &m_fontRecord);
    RebuildFont();
    SetFaceName("Lucida Sans", 0);
    SetPointSize(8);
    return true;
}

void LinkLabel::RebuildFont() { m_font.reset(CreateFontIndirectA(&m_fontRecord)); }

LinkLabel& LinkLabel::SetForeColor(COLORREF color) {
    m_textColor = color;
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetCaption(const std::string& text) {
    SetText(text);
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetBold(bool bold) {
    m_fontRecord.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetFaceName(const std::string& faceName, BYTE charSet) {
    m_fontRecord.lfCharSet = charSet;
    // The record holds at most LF_FACESIZE - 1 characters; a longer name is cut.
    const size_t length = faceName.copy(m_fontRecord.lfFaceName, LF_FACESIZE - 1);
    m_fontRecord.lfFaceName[length] = '\0';
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetUnderline(bool underline) {
    m_fontRecord.lfUnderline = underline ? TRUE : FALSE;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetItalic(bool italic) {
    m_fontRecord.lfItalic = italic ? TRUE : FALSE;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetPointSize(int points) {
    m_fontRecord.lfHeight = PointSizeToHeight(points);
    m_fontRecord.lfWidth = 0;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetTransparentBackground(bool transparent) {
    m_transparent = transparent;
    // Siblings and the parent paint before a transparent window, so the
    // background is in place when the text goes over it.
    if (m_hwnd) SetWindowLongPtrA(m_hwnd, GWL_EXSTYLE, GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetLinkMode(bool clickable, bool notify) {
    m_notify = notify;
    if (m_hwnd) {
        // SS_NOTIFY makes the static take mouse input and report clicks to its parent.
        const LONG_PTR style = GetWindowLongPtrA(m_hwnd, GWL_STYLE);
        SetWindowLongPtrA(m_hwnd, GWL_STYLE, clickable ? style | SS_NOTIFY : style & ~static_cast<LONG_PTR>(SS_NOTIFY));
    }
    return *this;
}

LinkLabel& LinkLabel::SetHandCursor(HCURSOR cursor) {
    m_handCursor = cursor;
    return *this;
}

void LinkLabel::RepaintArea() {
    if (!m_hwnd) return;
    RECT area{};
    GetWindowRect(m_hwnd, &area);
    InvalidateRect(m_hwnd, nullptr, TRUE);
    UpdateWindow(m_hwnd);

    HWND parent = GetParent(m_hwnd);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
    UpdateWindow(parent);
}

void LinkLabel::InvalidateArea() {
    RECT area{};
    GetWindowRect(m_hwnd, &area);
    HWND parent = GetParent(m_hwnd);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(m_hwnd, nullptr, TRUE);
    InvalidateRect(parent, &area, TRUE);
}

LRESULT LinkLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR:
        if (m_handCursor) {
            SetCursor(m_handCursor);
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        OnClick();
        break;  // the static then sends its own click notification
    case WM_SETTEXT: {
        // The static control paints its new text at once in its own look (a
        // filled box); store the text without it and let the paint above draw it.
        const LRESULT result = IsWindowUnicode(m_hwnd) ? DefWindowProcW(m_hwnd, message, wParam, lParam)
                                                      : DefWindowProcA(m_hwnd, message, wParam, lParam);
        InvalidateArea();
        return result;
    }
    case WM_ENABLE:
        // Likewise, the static repaints itself in its own look when enabled or disabled.
        InvalidateArea();
        return 0;
    case WM_SYSCOLORCHANGE:
        m_backgroundBrush.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
        RepaintArea();
        return 0;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void LinkLabel::OnClick() {
    const int id = ControlId();
    if (m_notify) {
        NMHDR header{m_hwnd, static_cast<UINT_PTR>(id), LABEL_CLICKED};
        SendMessageA(GetParent(m_hwnd), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&header));
        return;
    }
    ShellExecuteA(nullptr, "open", GetText().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void LinkLabel::Paint() {
    win::PaintScope paint(m_hwnd);
    HDC target = paint.dc();
    RECT client{};
    GetClientRect(m_hwnd, &client);
    const std::string text = GetText();

    HDC dc = target;
    std::optional<win::MemoryDC> canvas;
    win::BitmapHandle canvasBitmap;
    std::optional<win::SelectObjectScope> canvasSelection;
    if (!m_transparent) {
        // Opaque labels are composed off screen and copied in one go.
        canvas.emplace(target);
        canvasBitmap.reset(CreateCompatibleBitmap(target, client.right, client.bottom));
        canvasSelection.emplace(canvas->get(), canvasBitmap.get());
        dc = canvas->get();
    }

    {
        const int previousMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF previousColor = SetTextColor(dc, m_textColor);
        win::SelectObjectScope fontSelection(dc, m_font.get());
        if (!m_transparent) FillRect(dc, &client, m_backgroundBrush.get());

        RECT textRect = client;
        DrawTextA(dc, text.c_str(), -1, &textRect, LabelTextLayout(GetWindowLongPtrA(m_hwnd, GWL_STYLE), text));

        SetBkMode(dc, previousMode);
        SetTextColor(dc, previousColor);
    }
    if (!m_transparent) BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

}  // namespace controls
