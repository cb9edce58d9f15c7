// The main window's skin: background, command buttons and labels as the set-up leaves them.
#include <gtest/gtest.h>

#include "controls/link_label.h"
#include "controls/skin_button.h"
#include "resources/resource.h"
#include "tests/skin_test_window.h"
#include "tests/support/main_window.h"

namespace {

using controls::LinkLabel;
using controls::SkinButton;
using skin_test::kBackgroundColor;
using skin_test::Pixels;

class MainWindowSkin : public testing_support::MainWindowTest {
protected:
    LinkLabel* Label(int id) const { return dynamic_cast<LinkLabel*>(win::SubclassedWindow::FromHandle(Item(id))); }
    SkinButton* Button(int id) const { return dynamic_cast<SkinButton*>(win::SubclassedWindow::FromHandle(Item(id))); }
    void Settle() const { testing_support::Settle(Window()); }
};

TEST_F(MainWindowSkin, BackgroundIsTheBitmapInTilesOnAnOrdinaryFrameWithTheCommandButtonsOverIt) {
    OpenWindow();
    Settle();
    EXPECT_NE(nullptr, m_dialog->BackgroundBitmap());
    win::RegionHandle shape(CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(Window(), shape.get()));

    Pixels pixels(Window());
    // Corners of the client area, the last one in a second tile when the client is wider than the bitmap.
    EXPECT_EQ(kBackgroundColor, pixels.At(0, 0));
    EXPECT_EQ(kBackgroundColor, pixels.At(pixels.Width() - 1, 0));
    EXPECT_EQ(kBackgroundColor, pixels.At(pixels.Width() - 1, pixels.Height() - 1));
    EXPECT_EQ(kBackgroundColor, pixels.At(0, pixels.Height() - 1));

    // The command buttons draw a blue caption over the background.
    for (int id : {IDC_BROWSE, IDC_NEXT, IDC_RELOAD, IDC_RECOVER}) {
        SkinButton* button = Button(id);
        ASSERT_NE(nullptr, button) << id;
        EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(*button, GWL_STYLE) & 0x1F) << id;
        EXPECT_EQ(RGB(0, 0, 0), button->StateColor(controls::kActiveCaption)) << id;
        EXPECT_EQ(RGB(0, 0, 255), button->StateColor(controls::kNormalCaption)) << id;
        EXPECT_EQ(RGB(0, 0, 255), button->StateColor(controls::kFocusedCaption)) << id;
        EXPECT_EQ(controls::ShiftColor(GetSysColor(COLOR_BTNFACE), 30), button->StateColor(controls::kActiveBackground));
        EXPECT_NE(nullptr, button->HoverCursor()) << id;
    }

    for (int id : {IDC_BROWSE, IDC_NEXT, IDC_RELOAD}) {
        const RECT inner = skin_test::Inset(Rect(id), 4);
        EXPECT_GT(pixels.Count(inner, RGB(0, 0, 255)), 10) << id;
        EXPECT_GT(pixels.Count(inner, kBackgroundColor), win::Width(inner) * win::Height(inner) / 2) << id;
    }
}

TEST_F(MainWindowSkin, LabelsGetTheirFontsColoursAndLinks) {
    OpenWindow(false);
    const struct Expected {
        int id, height;
        COLORREF color;
        bool emphasised, link;
    } labels[] = {
        {IDC_DRIVE_LIST_LABEL, -12, RGB(0, 0, 0), false, false},
        {IDC_SAVE_FOLDER_LABEL, -12, RGB(0, 0, 0), false, false},
        {IDC_SETTINGS_LINK, -12, RGB(0, 0, 255), false, true},
        {IDC_OPEN_IMAGE, -12, RGB(0, 0, 255), false, true},
        {IDC_HELP_LINK, -12, RGB(0, 0, 255), false, true},
        {IDC_STATUS, -16, RGB(255, 105, 180), true, false},
        {IDC_LOADING, -18, RGB(255, 105, 255), true, false},
        {IDC_PHOTO_TOGGLE, -12, RGB(0, 0, 180), false, true},
        {IDC_FILE_TOGGLE, -12, RGB(0, 0, 180), false, true},
        {IDC_PROGRESS_TEXT, -12, RGB(0, 0, 255), false, false},
    };
    for (const Expected& expected : labels) {
        LinkLabel* label = Label(expected.id);
        ASSERT_NE(nullptr, label) << expected.id;
        const LOGFONTA& font = label->FontRecord();
        EXPECT_STREQ("Ariel", font.lfFaceName) << expected.id;
        EXPECT_EQ(expected.height, font.lfHeight) << expected.id;
        EXPECT_EQ(expected.color, label->ForeColor()) << expected.id;
        EXPECT_EQ(expected.emphasised, font.lfWeight >= FW_BOLD) << expected.id;
        EXPECT_EQ(expected.emphasised, font.lfItalic != 0) << expected.id;
        EXPECT_EQ(expected.link, font.lfUnderline != 0) << expected.id;
        EXPECT_TRUE(label->IsTransparent()) << expected.id;
        EXPECT_EQ(expected.link, label->NotifyMode()) << expected.id;
        EXPECT_EQ(expected.link, (GetWindowLongPtrA(*label, GWL_STYLE) & SS_NOTIFY) != 0) << expected.id;
        EXPECT_EQ(expected.link, label->HandCursor() != nullptr) << expected.id;
    }
    EXPECT_TRUE(GetWindowLongPtrA(Item(IDC_LOADING), GWL_STYLE) & SS_CENTERIMAGE);
}

TEST_F(MainWindowSkin, ResultsModeTextsLeaveNoTraceAndDisabledLinksKeepTheirLook) {
    OpenWindow();
    m_dialog->GoTo(workflow::Screen::Results);
    Settle();
    const RECT status = Rect(IDC_STATUS);
    const RECT tail{status.left + 60, status.top, status.right, status.bottom};
    ASSERT_GT(Pixels(Window()).CountOther(tail, kBackgroundColor), 20);  // "Press 'Recover' to recover files detected."

    SetWindowTextA(Item(IDC_STATUS), "Ok");
    Settle();
    Pixels pixels(Window());
    EXPECT_EQ(0, pixels.CountOther(tail, kBackgroundColor));

    // Both lists are empty, so both select-all links are disabled, yet drawn as links over the background.
    ASSERT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
    for (int id : {IDC_PHOTO_TOGGLE, IDC_FILE_TOGGLE}) {
        const RECT place = Rect(id);
        EXPECT_EQ(0, pixels.Count(place, GetSysColor(COLOR_BTNFACE))) << id;
        EXPECT_GT(pixels.Count(place, RGB(0, 0, 180)), 0) << id;
    }
}

}  // namespace
