#include <gtest/gtest.h>

#include "controls/skin_button.h"
#include "tests/skin_test_window.h"
#include "workflow/window/main_skin.h"

using controls::ShiftColor;
using controls::SkinButton;
using skin_test::Inset;
using skin_test::kBackgroundColor;
using skin_test::Pixels;
using skin_test::PlaceOf;
using skin_test::TestDialog;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The main window's template with its four command buttons bound and given their look.
struct ButtonWindow {
    SkinButton next, browse, reload, recover;
    TestDialog dialog;

    bool Open(const std::function<void(ButtonWindow&)>& beforeBinding = {}) {
        return dialog.Open([this, beforeBinding](TestDialog& d) {
            d.SetBackgroundBitmap(IDB_BACKGROUND, controls::kNoKeyColor);
            if (beforeBinding) beforeBinding(*this);
            for (auto [button, id] : {std::pair{&browse, IDC_BROWSE}, std::pair{&next, IDC_NEXT},
                                      std::pair{&reload, IDC_RELOAD}, std::pair{&recover, IDC_RECOVER}}) {
                button->Bind(d, id);
                workflow::ApplyCommandButtonLook(*button);
            }
            // The select-all links overlap the bottom of Next in the template; the main window never shows both.
            ShowWindow(d.Item(IDC_PHOTO_TOGGLE), SW_HIDE);
            ShowWindow(d.Item(IDC_FILE_TOGGLE), SW_HIDE);
        });
    }
};

}  // namespace

TEST(SkinButtonColors, ShiftIsLimitedByTheChannelNearestTheEndAndSettersReportBadValues) {
    EXPECT_EQ(RGB(255, 252, 235), ShiftColor(RGB(236, 233, 216), 30));
    EXPECT_EQ(RGB(255, 255, 255), ShiftColor(RGB(255, 255, 255), 30));
    EXPECT_EQ(RGB(40, 50, 60), ShiftColor(RGB(10, 20, 30), 30));
    EXPECT_EQ(RGB(80, 0, 30), ShiftColor(RGB(100, 20, 50), -30));
    EXPECT_EQ(RGB(10, 30, 0), ShiftColor(RGB(50, 70, 40), -255));
    EXPECT_EQ(RGB(0, 215, 0), ShiftColor(RGB(0, 215, 0), -255));
    EXPECT_EQ(RGB(1, 2, 3), ShiftColor(0x7F030201, 0));  // the top byte is dropped

    // The setters report bad indexes, offsets and styles, and change nothing then.
    SkinButton button;
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), button.StateColor(0));
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), button.StateColor(5));

    EXPECT_EQ(controls::kButtonOk, button.SetStateColor(0, RGB(236, 233, 216), false));
    EXPECT_EQ(controls::kButtonOk, button.ShiftStateColor(0, 30, false));
    EXPECT_EQ(RGB(255, 252, 235), button.StateColor(0));

    EXPECT_EQ(controls::kButtonBadOffset, button.ShiftStateColor(0, 256, false));
    EXPECT_EQ(controls::kButtonBadOffset, button.ShiftStateColor(0, -256, false));
    EXPECT_EQ(RGB(255, 252, 235), button.StateColor(0));

    EXPECT_EQ(controls::kButtonBadColorIndex, button.ShiftStateColor(6, 10, false));
    EXPECT_EQ(controls::kButtonBadColorIndex, button.SetStateColor(6, kBlue, false));
    EXPECT_EQ(controls::kButtonOk, button.SetStateColor(5, kBlue, false));
    EXPECT_EQ(kBlue, button.StateColor(5));

    EXPECT_EQ(controls::kButtonOk, button.ResetStateColors(false));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), button.StateColor(0));
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), button.StateColor(5));

    // The pressed offset comes in two styles, and a third is refused.
    EXPECT_EQ(1, button.PressedOffset().x);
    EXPECT_EQ(1, button.PressedOffset().y);
    EXPECT_EQ(controls::kButtonOk, button.SetPressedOffset(1, false));
    EXPECT_EQ(0, button.PressedOffset().x);
    EXPECT_EQ(2, button.PressedOffset().y);
    EXPECT_EQ(controls::kButtonBadPressedStyle, button.SetPressedOffset(2, false));
    EXPECT_EQ(2, button.PressedOffset().y);
    EXPECT_EQ(controls::kButtonOk, button.SetPressedOffset(0, false));
    EXPECT_EQ(1, button.PressedOffset().x);
}

TEST(SkinButtonSetters, HoverCursorComesFromTheResourcesAndSystemColoursComeBackOnTheirChange) {
    ButtonWindow window;
    ASSERT_TRUE(window.Open());
    SkinButton& next = window.next;
    ASSERT_NE(nullptr, next.HoverCursor());
    EXPECT_EQ(TRUE, SendMessageA(next, WM_SETCURSOR, reinterpret_cast<WPARAM>(next.Handle()),
                                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    const HCURSOR shown = next.HoverCursor();
    EXPECT_EQ(shown, GetCursor());

    EXPECT_EQ(controls::kButtonResourceFailed, next.SetHoverCursor(4711, false));
    EXPECT_EQ(nullptr, next.HoverCursor());
    EXPECT_NE(shown, GetCursor());
    EXPECT_EQ(controls::kButtonOk, next.SetHoverCursor(0, false));

    // A change of the system colours brings back the system colours.
    ASSERT_EQ(kBlue, next.StateColor(3));
    SendMessageA(next, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(GetSysColor(COLOR_BTNTEXT), next.StateColor(3));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), next.StateColor(0));
}

TEST(SkinButtonBinding, BecomesOwnerDrawnAndKeepsItsDefaultButtonRole) {
    ButtonWindow window;
    ASSERT_TRUE(window.Open([](ButtonWindow& w) {
        HWND browse = w.dialog.Item(IDC_BROWSE);
        SetWindowLongPtrA(browse, GWL_STYLE, GetWindowLongPtrA(browse, GWL_STYLE) | BS_DEFPUSHBUTTON);
    }));
    for (HWND button : {window.next.Handle(), window.browse.Handle()})
        EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(button, GWL_STYLE) & 0x1F);
    EXPECT_TRUE(window.browse.IsDefaultButton());
    EXPECT_FALSE(window.next.IsDefaultButton());
    EXPECT_TRUE(SendMessageA(window.browse, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON);
    EXPECT_TRUE(SendMessageA(window.next, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON);

    SendMessageA(window.next, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
    EXPECT_TRUE(window.next.IsDefaultButton());
    EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(window.next, GWL_STYLE) & 0x1F);
    SendMessageA(window.next, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    EXPECT_FALSE(window.next.IsDefaultButton());

    EXPECT_EQ(0, SendMessageA(window.next, BM_SETCHECK, BST_CHECKED, 0));
    EXPECT_EQ(0, SendMessageA(window.next, BM_GETCHECK, 0, 0));
}

TEST(SkinButtonPaint, CaptionIsBlueAtRestAndBlackOnePixelFurtherWhilePressed) {
    ButtonWindow window;
    ASSERT_TRUE(window.Open());
    SetFocus(window.dialog.Item(IDC_DRIVE_LIST));
    window.dialog.Settle();
    const RECT place = PlaceOf(window.next);
    const RECT inner = Inset(place, 4);

    Pixels rest(window.dialog);
    RECT restCaption{};
    EXPECT_GT(rest.Count(inner, kBlue, &restCaption), 10);
    EXPECT_EQ(0, rest.Count(inner, kBlack));
    // The parent's background shows behind the caption.
    EXPECT_GT(rest.Count(inner, kBackgroundColor), win::Width(inner) * win::Height(inner) / 2);
    // Raised border: highlight at the top left, dark shadow at the bottom right.
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), rest.At(place.left, place.top));
    EXPECT_EQ(GetSysColor(COLOR_3DDKSHADOW), rest.At(place.right - 1, place.bottom - 1));

    SendMessageA(window.next, BM_SETSTATE, TRUE, 0);
    window.dialog.Settle();
    Pixels pressed(window.dialog);
    RECT pressedCaption{};
    EXPECT_GT(pressed.Count(inner, kBlack, &pressedCaption), 10);
    EXPECT_EQ(0, pressed.Count(inner, kBlue));
    RECT movedCaption = restCaption;
    OffsetRect(&movedCaption, 1, 1);
    EXPECT_TRUE(EqualRect(&pressedCaption, &movedCaption));
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), pressed.At(place.left, place.top));

    SendMessageA(window.next, BM_SETSTATE, FALSE, 0);
    window.dialog.Settle();
    Pixels released(window.dialog);
    RECT releasedCaption{};
    EXPECT_GT(released.Count(inner, kBlue, &releasedCaption), 10);
    EXPECT_TRUE(EqualRect(&releasedCaption, &restCaption));
}

// The focus rectangle runs three pixels inside; disabling the button moves
// the focus to the next tab stop, even when another control had it.
TEST(SkinButtonFocus, FocusRectangleRunsThreePixelsInsideAndDisablingMovesTheFocusOn) {
    ButtonWindow window;
    ASSERT_TRUE(window.Open());
    const RECT ring = Inset(PlaceOf(window.next), 3);
    const RECT topRow{ring.left, ring.top, ring.right, ring.top + 1};

    SetFocus(window.dialog.Item(IDC_DRIVE_LIST));
    window.dialog.Settle();
    EXPECT_EQ(0, Pixels(window.dialog).CountOther(topRow, kBackgroundColor));

    SetFocus(window.next);
    window.dialog.Settle();
    EXPECT_GT(Pixels(window.dialog).CountOther(topRow, kBackgroundColor), 5);

    SetFocus(window.dialog.Item(IDC_DRIVE_LIST));
    ASSERT_EQ(window.dialog.Item(IDC_DRIVE_LIST), GetFocus());
    EnableWindow(window.next, FALSE);
    EXPECT_EQ(window.browse.Handle(), GetFocus());
}

// Each click of a double click is a click; a click notification gives the
// button the focus and still reaches the parent.
TEST(SkinButtonClicks, EachClickOfADoubleClickIsAClickAndTakesTheFocus) {
    ButtonWindow window;
    ASSERT_TRUE(window.Open());
    const LPARAM inside = MAKELPARAM(5, 5);
    SendMessageA(window.next, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    SendMessageA(window.next, WM_LBUTTONUP, 0, inside);
    SendMessageA(window.next, WM_LBUTTONDBLCLK, MK_LBUTTON, inside);
    SendMessageA(window.next, WM_LBUTTONUP, 0, inside);
    testing_support::PumpPending();
    EXPECT_EQ(2, window.dialog.CountCommands(IDC_NEXT, BN_CLICKED));
    EXPECT_EQ(0, window.dialog.CountCommands(IDC_NEXT, BN_DOUBLECLICKED));

    SetFocus(window.reload);
    SendMessageA(window.dialog, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), LPARAM(window.next.Handle()));
    EXPECT_EQ(window.next.Handle(), GetFocus());
    EXPECT_EQ(3, window.dialog.CountCommands(IDC_NEXT, BN_CLICKED));
}
