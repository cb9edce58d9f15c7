#pragma once
// A push button of a dialog that draws itself: caption colour by state, a
// 3-D border, the parent's background behind the caption, a focus rectangle
// and its own mouse cursor. Each click of a double-click counts as a click,
// and disabling it moves the focus on to the next control.
#include <windows.h>

#include <memory>
#include <optional>
#include <type_traits>

#include "win/handles.h"
#include "win/subclassed_window.h"

namespace controls {

// Results of the setters.
inline constexpr int kButtonOk = 0;
inline constexpr int kButtonResourceFailed = 1;
inline constexpr int kButtonBadColorIndex = 3;
inline constexpr int kButtonBadOffset = 5;
inline constexpr int kButtonBadPressedStyle = 6;

// Indexes of the state colours.
inline constexpr BYTE kActiveBackground = 0;
inline constexpr BYTE kActiveCaption = 1;
inline constexpr BYTE kNormalBackground = 2;
inline constexpr BYTE kNormalCaption = 3;
inline constexpr BYTE kFocusedBackground = 4;
inline constexpr BYTE kFocusedCaption = 5;
inline constexpr int kStateColorCount = 6;

// Adds `offset` to every channel alike, limited so that no channel leaves 0..255.
COLORREF ShiftColor(COLORREF color, int offset);

// How far the caption moves while pressed, by pressed style; false for an unknown style.
bool PressedOffsetForStyle(int style, POINT& offset);

// `measured` moved so that it is centred in `frame` (halves cut toward zero).
RECT CentreRectIn(const RECT& measured, const RECT& frame);

class SkinButton : public win::SubclassedWindow {
public:
    SkinButton();
    ~SkinButton() override;

    using win::SubclassedWindow::Bind;
    bool Bind(HWND control) override;

    int SetStateColor(BYTE index, COLORREF color, bool repaint);
    int ShiftStateColor(BYTE index, short offset, bool repaint);
    int ResetStateColors(bool repaint);
    int SetFlatLook(bool flat, bool repaint);
    int SetHoverCursor(int cursorId, bool repaint);
    int UseParentBackground(bool repaint);
    int SetPressedOffset(int style, bool repaint);
    void EndHover();

    COLORREF StateColor(BYTE index) const { return index < kStateColorCount ? m_colors[index] : CLR_INVALID; }
    POINT PressedOffset() const { return m_pressedOffset; }
    bool IsDefaultButton() const { return m_defaultButton; }
    bool IsHovered() const { return m_hovered; }
    HCURSOR HoverCursor() const { return m_hoverCursor.get(); }

    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    void DrawButtonBackground(HDC dc, RECT item);
    void DrawButtonBorder(HDC dc, RECT item);
    void DrawButtonCaption(HDC dc, const char* caption, RECT captionRect);
    void Repaint(bool repaint);
    void PaintParentBackground(HDC dc);
    void DropSnapshot();
    void TrackHover(WPARAM keys, LPARAM position);
    void FocusNextControl();

    // The cursor on screen must never be one that is gone: the arrow takes its place first.
    struct CursorDestroyer {
        void operator()(HCURSOR cursor) const {
            if (GetCursor() == cursor) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
            DestroyCursor(cursor);
        }
    };
    // A copy of the parent's pixels under the button, taken at the first paint after it was dropped.
    struct Snapshot {
        explicit Snapshot(HDC compatibleWith) : dc(compatibleWith) {}
        win::MemoryDC dc;
        win::BitmapHandle bitmap;
        // Last, so the bitmap leaves the DC before either is deleted.
        std::optional<win::SelectObjectScope> selection;
    };

    POINT m_pressedOffset{1, 1};
    bool m_flat = true;
    bool m_hovered = false;
    bool m_parentBackground = false;
    bool m_pressed = false;
    bool m_focused = false;
    bool m_disabled = false;
    bool m_defaultButton = false;
    COLORREF m_colors[kStateColorCount]{};
    // Loaded without LR_SHARED, so ours to destroy (a shared cursor never is).
    std::unique_ptr<std::remove_pointer_t<HCURSOR>, CursorDestroyer> m_hoverCursor;
    std::unique_ptr<Snapshot> m_snapshot;
};

}  // namespace controls
