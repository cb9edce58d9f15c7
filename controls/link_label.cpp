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
    : textColor_(GetSysColor(COLOR_WINDOWTEXT)), backgroundBrush_(CreateSolidBrush(GetSysColor(COLOR_BTNFACE))) {}

bool LinkLabel::Bind(HWND control) {
    if (!win::SubclassedWindow::Bind(control)) return false;
    auto* dialogFont = reinterpret_cast<HFONT>(SendMessageA(hwnd_, WM_GETFONT, 0, 0));
    if (!dialogFont) dialogFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    GetObjectA(dialogFont, sizeof(fontRecord_), &fontRecord_);
    RebuildFont();
    SetFaceName("Lucida Sans", 0);
    SetPointSize(8);
    return true;
}

void LinkLabel::RebuildFont() { font_.reset(CreateFontIndirectA(&fontRecord_)); }

LinkLabel& LinkLabel::SetForeColor(COLORREF color) {
    textColor_ = color;
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetCaption(const std::string& text) {
    SetText(text);
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetBold(bool bold) {
    fontRecord_.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetFaceName(const std::string& faceName, BYTE charSet) {
    fontRecord_.lfCharSet = charSet;
    // The record holds at most LF_FACESIZE - 1 characters; a longer name is cut.
    const size_t length = faceName.copy(fontRecord_.lfFaceName, LF_FACESIZE - 1);
    fontRecord_.lfFaceName[length] = '\0';
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetUnderline(bool underline) {
    fontRecord_.lfUnderline = underline ? TRUE : FALSE;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetItalic(bool italic) {
    fontRecord_.lfItalic = italic ? TRUE : FALSE;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetPointSize(int points) {
    fontRecord_.lfHeight = PointSizeToHeight(points);
    fontRecord_.lfWidth = 0;
    RebuildFont();
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetTransparentBackground(bool transparent) {
    transparent_ = transparent;
    // Siblings and the parent paint before a transparent window, so the
    // background is in place when the text goes over it.
    if (hwnd_) SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, GetWindowLongPtrA(hwnd_, GWL_EXSTYLE) | WS_EX_TRANSPARENT);
    RepaintArea();
    return *this;
}

LinkLabel& LinkLabel::SetLinkMode(bool clickable, bool notify) {
    notify_ = notify;
    if (hwnd_) {
        // SS_NOTIFY makes the static take mouse input and report clicks to its parent.
        const LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
        SetWindowLongPtrA(hwnd_, GWL_STYLE, clickable ? style | SS_NOTIFY : style & ~static_cast<LONG_PTR>(SS_NOTIFY));
    }
    return *this;
}

LinkLabel& LinkLabel::SetHandCursor(HCURSOR cursor) {
    handCursor_ = cursor;
    return *this;
}

void LinkLabel::RepaintArea() {
    if (!hwnd_) return;
    RECT area{};
    GetWindowRect(hwnd_, &area);
    InvalidateRect(hwnd_, nullptr, TRUE);
    UpdateWindow(hwnd_);

    HWND parent = GetParent(hwnd_);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(parent, &area, TRUE);
    UpdateWindow(parent);
}

void LinkLabel::InvalidateArea() {
    RECT area{};
    GetWindowRect(hwnd_, &area);
    HWND parent = GetParent(hwnd_);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
    InvalidateRect(hwnd_, nullptr, TRUE);
    InvalidateRect(parent, &area, TRUE);
}

LRESULT LinkLabel::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_SETCURSOR:
        if (handCursor_) {
            SetCursor(handCursor_);
            return TRUE;
        }
        break;
    case WM_LBUTTONDOWN:
        OnClick();
        break;  // the static then sends its own click notification
    case WM_SETTEXT: {
        // The static control paints its new text at once in its own look (a
        // filled box); store the text without it and let the paint above draw it.
        const LRESULT result = IsWindowUnicode(hwnd_) ? DefWindowProcW(hwnd_, message, wParam, lParam)
                                                      : DefWindowProcA(hwnd_, message, wParam, lParam);
        InvalidateArea();
        return result;
    }
    case WM_ENABLE:
        // Likewise, the static repaints itself in its own look when enabled or disabled.
        InvalidateArea();
        return 0;
    case WM_SYSCOLORCHANGE:
        backgroundBrush_.reset(CreateSolidBrush(GetSysColor(COLOR_BTNFACE)));
        RepaintArea();
        return 0;
    default:
        break;
    }
    return DefaultProc(message, wParam, lParam);
}

void LinkLabel::OnClick() {
    const int id = ControlId();
    if (notify_) {
        NMHDR header{hwnd_, static_cast<UINT_PTR>(id), LABEL_CLICKED};
        SendMessageA(GetParent(hwnd_), WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&header));
        return;
    }
    ShellExecuteA(nullptr, "open", GetText().c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void LinkLabel::Paint() {
    win::PaintScope paint(hwnd_);
    HDC target = paint.dc();
    RECT client{};
    GetClientRect(hwnd_, &client);
    const std::string text = GetText();

    HDC dc = target;
    std::optional<win::MemoryDC> canvas;
    win::BitmapHandle canvasBitmap;
    std::optional<win::SelectObjectScope> canvasSelection;
    if (!transparent_) {
        // Opaque labels are composed off screen and copied in one go.
        canvas.emplace(target);
        canvasBitmap.reset(CreateCompatibleBitmap(target, client.right, client.bottom));
        canvasSelection.emplace(canvas->get(), canvasBitmap.get());
        dc = canvas->get();
    }

    {
        const int previousMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF previousColor = SetTextColor(dc, textColor_);
        win::SelectObjectScope fontSelection(dc, font_.get());
        if (!transparent_) FillRect(dc, &client, backgroundBrush_.get());

        RECT textRect = client;
        DrawTextA(dc, text.c_str(), -1, &textRect, LabelTextLayout(GetWindowLongPtrA(hwnd_, GWL_STYLE), text));

        SetBkMode(dc, previousMode);
        SetTextColor(dc, previousColor);
    }
    if (!transparent_) BitBlt(target, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
}

}  // namespace controls
