#include <gtest/gtest.h>

#include <fstream>

#include "controls/link_label.h"
#include "tests/skin_test_window.h"
#include "tests/support/files.h"

using controls::LabelTextLayout;
using controls::LinkLabel;
using controls::PointSizeToHeight;
using testing_support::FileExists;
using skin_test::Event;
using skin_test::kBackgroundColor;
using skin_test::Pixels;
using skin_test::PlaceOf;
using skin_test::TestDialog;

namespace {

// The main window's template with one of its labels bound.
struct LabelWindow {
    LinkLabel label;
    TestDialog dialog;

    bool Open(int id, const std::function<void(LinkLabel&)>& style = {}) {
        return dialog.Open([this, id, style](TestDialog& d) {
            d.SetBackgroundBitmap(IDB_BACKGROUND, controls::kNoKeyColor);
            label.Bind(d, id);
            if (style) style(label);
        });
    }
};

void StyleAsLink(LinkLabel& label) {
    label.SetTransparentBackground(true).SetFaceName("Ariel", 0).SetPointSize(9).SetForeColor(0xFF0000);
    label.SetUnderline(true).SetLinkMode(true, true).SetHandCursor(
        LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDC_HAND_CURSOR)));
}

LOGFONTA FontOf(HFONT font) {
    LOGFONTA description{};
    GetObjectA(font, sizeof(description), &description);
    return description;
}

}  // namespace

TEST(LinkLabelFont, PointSizesBecomeNegativeHeightsAt96DpiAndTheStyleChoosesTheLayout) {
    EXPECT_EQ(-10, PointSizeToHeight(8));
    EXPECT_EQ(-12, PointSizeToHeight(9));
    EXPECT_EQ(-16, PointSizeToHeight(12));
    EXPECT_EQ(-18, PointSizeToHeight(14));
    EXPECT_EQ(-10, PointSizeToHeight(-8));

    // The style chooses the text layout.
    EXPECT_EQ(UINT(DT_LEFT | DT_WORDBREAK), LabelTextLayout(SS_LEFT, "a"));
    EXPECT_EQ(UINT(DT_CENTER | DT_WORDBREAK), LabelTextLayout(SS_CENTER, "a"));
    EXPECT_EQ(UINT(DT_RIGHT | DT_WORDBREAK), LabelTextLayout(SS_RIGHT | SS_NOTIFY, "a"));
    EXPECT_EQ(UINT(DT_LEFT), LabelTextLayout(SS_LEFTNOWORDWRAP, "a"));
    EXPECT_EQ(UINT(DT_LEFT | DT_WORDBREAK), LabelTextLayout(SS_SIMPLE, "a"));
    EXPECT_EQ(UINT(DT_CENTER | DT_VCENTER | DT_SINGLELINE), LabelTextLayout(SS_CENTER | SS_CENTERIMAGE, "Loading"));
    EXPECT_EQ(UINT(DT_CENTER), LabelTextLayout(SS_CENTER | SS_CENTERIMAGE, "Loading\r\nplease wait"));
}

TEST(LinkLabelFont, BindingRestylesToLucidaSansEightPointsOverButtonFaceAndSettersChain) {
    LabelWindow window;
    ASSERT_TRUE(window.Open(IDC_DRIVE_LIST_LABEL));
    const LOGFONTA& record = window.label.FontRecord();
    EXPECT_STREQ("Lucida Sans", record.lfFaceName);
    EXPECT_EQ(-10, record.lfHeight);
    EXPECT_EQ(-10, FontOf(window.label.Font()).lfHeight);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), window.label.ForeColor());
    EXPECT_FALSE(window.label.IsTransparent());

    // Opaque: the label fills its box with the button face instead of showing the background.
    Pixels pixels(window.dialog);
    const RECT place = PlaceOf(window.label);
    EXPECT_EQ(0, pixels.Count(place, kBackgroundColor));
    EXPECT_GT(pixels.Count(place, GetSysColor(COLOR_BTNFACE)), 0);

    // The setters change the record and the font, and chain.
    LinkLabel& label = window.label;
    EXPECT_EQ(&label, &label.SetFaceName("Ariel", 0).SetPointSize(12).SetBold(true).SetItalic(true));
    LOGFONTA font = FontOf(label.Font());
    EXPECT_STREQ("Ariel", font.lfFaceName);
    EXPECT_EQ(-16, font.lfHeight);
    EXPECT_EQ(0, font.lfWidth);
    EXPECT_EQ(FW_BOLD, font.lfWeight);
    EXPECT_TRUE(font.lfItalic);
    EXPECT_FALSE(font.lfUnderline);

    label.SetBold(false).SetUnderline(true).SetPointSize(14);
    font = FontOf(label.Font());
    EXPECT_EQ(FW_NORMAL, font.lfWeight);
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_EQ(-18, font.lfHeight);

    label.SetFaceName(std::string(40, 'x'), 0);
    EXPECT_EQ(std::string(31, 'x'), label.FontRecord().lfFaceName);
}

TEST(LinkLabelPaint, ShorterTextLeavesNoTraceOfTheLongerOne) {
    LabelWindow window;
    ASSERT_TRUE(window.Open(IDC_STATUS, [](LinkLabel& label) {
        label.SetTransparentBackground(true).SetFaceName("Ariel", 0).SetPointSize(12).SetBold(true).SetForeColor(0);
        label.SetCaption("Recovering data, please wait");
    }));
    const RECT place = PlaceOf(window.label);
    const RECT tail{place.left + 40, place.top, place.right, place.bottom};
    ASSERT_GT(Pixels(window.dialog).CountOther(tail, kBackgroundColor), 20);

    window.label.SetCaption("Ok");
    EXPECT_EQ(0, Pixels(window.dialog).CountOther(tail, kBackgroundColor));
    EXPECT_GT(Pixels(window.dialog).Count(place, RGB(0, 0, 0)), 0);

    // Texts set behind the label's back and a change of its enabled state keep its own look too.
    window.label.SetCaption("Recovering data, please wait");
    SetWindowTextA(window.label, "Ok");
    EnableWindow(window.label, FALSE);
    window.dialog.Settle();
    Pixels after(window.dialog);
    EXPECT_EQ(0, after.CountOther(tail, kBackgroundColor));
    EXPECT_EQ(0, after.Count(place, GetSysColor(COLOR_BTNFACE)));
}

TEST(LinkLabelLink, LinkModeMakesTheLabelTakeMouseInputWithAHandCursor) {
    LabelWindow window;
    ASSERT_TRUE(window.Open(IDC_SETTINGS_LINK));
    HWND label = window.label;
    SetWindowLongPtrA(label, GWL_STYLE, GetWindowLongPtrA(label, GWL_STYLE) & ~static_cast<LONG_PTR>(SS_NOTIFY));
    EXPECT_EQ(HTTRANSPARENT, SendMessageA(label, WM_NCHITTEST, 0, 0));

    StyleAsLink(window.label);
    EXPECT_TRUE(GetWindowLongPtrA(label, GWL_STYLE) & SS_NOTIFY);
    EXPECT_TRUE(GetWindowLongPtrA(label, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
    EXPECT_EQ(HTCLIENT, SendMessageA(label, WM_NCHITTEST, 0, 0));
    EXPECT_TRUE(window.label.FontRecord().lfUnderline);
    EXPECT_TRUE(window.label.NotifyMode());

    ASSERT_NE(nullptr, window.label.HandCursor());
    EXPECT_EQ(TRUE, SendMessageA(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), MAKELPARAM(HTCLIENT, 0)));
    EXPECT_EQ(window.label.HandCursor(), GetCursor());

    window.label.SetLinkMode(false, false);
    EXPECT_FALSE(GetWindowLongPtrA(label, GWL_STYLE) & SS_NOTIFY);
}

// The link's text is a script that leaves a file behind when the shell opens it.
TEST(LinkOpening, OnlyAClickOutsideNotifyModeOpensTheTextAndEitherReachesTheParent) {
    const testing_support::ScratchFolder folder("label-open");
    const auto script = [&](const std::string& name) {
        std::ofstream(folder.In(name + ".cmd")) << "@echo opened> \"" << folder.In(name + ".txt") << "\"\r\n";
        return folder.In(name + ".cmd");
    };
    LabelWindow window;
    ASSERT_TRUE(window.Open(IDC_HELP_LINK, StyleAsLink));
    window.label.SetCaption(script("notify"));
    window.dialog.events.clear();
    SendMessageA(window.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(window.label, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    const HWND label = window.label.Handle();
    EXPECT_EQ(window.dialog.events, (std::vector<Event>{{Event::Notify, IDC_HELP_LINK, controls::LABEL_CLICKED, label},
                                                        {Event::Command, IDC_HELP_LINK, 0, label}}));

    window.label.SetLinkMode(true, false);
    window.label.SetCaption(script("open"));
    window.dialog.events.clear();
    SendMessageA(window.label, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    ASSERT_EQ(1u, window.dialog.events.size());
    EXPECT_EQ(Event::Command, window.dialog.events[0].kind);
    // Had the first click opened its script, that would have ended before this one.
    EXPECT_TRUE(testing_support::PumpUntil([&] { return FileExists(folder.In("open.txt")); }, 20000));
    EXPECT_FALSE(FileExists(folder.In("notify.txt")));
}
