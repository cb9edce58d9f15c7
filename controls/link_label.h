#pragma once
// A static text of a dialog that paints itself in a font and colour of its
// own, optionally straight over the parent's background, and can act as a
// clickable link with a hand cursor.
#include <windows.h>

#include <string>

#include "win/handles.h"
#include "win/subclassed_window.h"

namespace controls {

// WM_NOTIFY code sent to the parent when a label in notify mode is clicked.
inline constexpr UINT LABEL_CLICKED = 0x8200;

// Font height (negative: character height without internal leading) for a
// size in points on a 96 dots-per-inch screen.
int PointSizeToHeight(int points);

// DrawText layout for a static control's style and its text.
UINT LabelTextLayout(LONG_PTR style, const std::string& text);

class LinkLabel : public win::SubclassedWindow {
public:
    LinkLabel();
    ~LinkLabel() override = default;

    using win::SubclassedWindow::Bind;
    // Also restyles the label to "Lucida Sans" 8 points, from the control's own font.
    bool Bind(HWND control) override;

    // The setters return the label so that its set-up reads as one chain.
    LinkLabel& SetForeColor(COLORREF color);
    LinkLabel& SetCaption(const std::string& text);
    LinkLabel& SetBold(bool bold);
    LinkLabel& SetFaceName(const std::string& faceName, BYTE charSet);
    LinkLabel& SetUnderline(bool underline);
    LinkLabel& SetItalic(bool italic);
    LinkLabel& SetPointSize(int points);
    LinkLabel& SetTransparentBackground(bool transparent);
    LinkLabel& SetLinkMode(bool clickable, bool notify);
    LinkLabel& SetHandCursor(HCURSOR cursor);

    // Redraws the label and the parent under it, so that no old text remains.
    void RepaintArea();

    const LOGFONTA& FontRecord() const { return m_fontRecord; }
    HFONT Font() const { return m_font.get(); }
    COLORREF ForeColor() const { return m_textColor; }
    bool IsTransparent() const { return m_transparent; }
    bool NotifyMode() const { return m_notify; }
    HCURSOR HandCursor() const { return m_handCursor; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void InvalidateArea();
    void RebuildFont();
    void Paint();
    void OnClick();

    COLORREF m_textColor;
    win::BrushHandle m_backgroundBrush;
    LOGFONTA m_fontRecord{};
    win::FontHandle m_font;
    bool m_transparent = false;
    bool m_notify = false;
    HCURSOR m_handCursor = nullptr;  // shared system or resource cursor, not ours to destroy
};

}  // namespace controls
