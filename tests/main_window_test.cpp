// The main window's layouts, driven in-process.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "tests/support/main_window.h"
#include "tests/support/window_picture.h"
#include "workflow/main_layout.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::PumpFor;
using testing_support::PumpUntil;

constexpr int kAlwaysShown[] = {IDC_HELP_LINK, IDC_SETTINGS_LINK};

std::vector<int> Sorted(std::vector<int> ids) {
    for (int id : kAlwaysShown) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

class MainWindowLayout : public MainWindowTest {};

TEST_F(MainWindowLayout, OpensLoadingThenShowsDriveSelection) {
    OpenWindow(false);
    testing_support::SnapshotIfAsked(Window(), "loading");
    EXPECT_EQ(VisibleControls(), Sorted({IDC_LOADING}));
    EXPECT_EQ(Text(IDC_LOADING), "Loading, please wait...");
    char title[64] = {};
    GetWindowTextA(Window(), title, sizeof(title));
    EXPECT_STREQ(title, "Norvale Vantreo");

    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }));
    testing_support::SnapshotIfAsked(Window(), "drive-selection");
    EXPECT_EQ(VisibleControls(), Sorted({IDC_DRIVE_LIST, IDC_BROWSE, IDC_NEXT, IDC_RELOAD, IDC_SAVE_FOLDER,
                                         IDC_SAVE_FOLDER_LABEL, IDC_DRIVE_LIST_LABEL}));
    EXPECT_EQ(Text(IDC_RECOVER), "Recover");
    EXPECT_FALSE(Enabled(IDC_SAVE_FOLDER));
}

TEST_F(MainWindowLayout, LoadingNoticeIsCentredByTheWholeWindow) {
    OpenWindow(false);
    RECT window{};
    GetWindowRect(Window(), &window);
    const RECT label = Rect(IDC_DRIVE_LIST_LABEL);
    const RECT loading = Rect(IDC_LOADING);
    EXPECT_EQ(Width(loading), Width(label) + 30);
    EXPECT_EQ(Height(loading), Height(label) + 10);
    EXPECT_EQ(loading.left, (Width(window) - Width(loading)) / 2);
    EXPECT_EQ(loading.top, (Height(window) - Height(loading)) / 2);
}

TEST_F(MainWindowLayout, RecoverSharesNextsPlaceAndProgressSitsBelowIt) {
    OpenWindow();
    const RECT next = Rect(IDC_NEXT);
    const RECT recover = Rect(IDC_RECOVER);
    EXPECT_TRUE(EqualRect(&next, &recover));

    const RECT bar = Rect(IDC_PROGRESS);
    const RECT box = Rect(IDC_SAVE_FOLDER);
    EXPECT_EQ(bar.left, next.left);
    EXPECT_EQ(Width(bar), Width(box));
    EXPECT_EQ(bar.bottom, next.bottom + 15);

    // Hidden label 1012 waits at the progress-text place.
    const RECT text = Rect(IDC_PROGRESS_TEXT);
    const RECT expected{next.left, bar.top - 25, next.left + Width(box), bar.top - 5};
    EXPECT_TRUE(EqualRect(&text, &expected));

    const RECT status = Rect(IDC_STATUS);
    const RECT driveLabel = Rect(IDC_DRIVE_LIST_LABEL);
    EXPECT_EQ(status.left, driveLabel.left);
    EXPECT_EQ(status.top, 5);
    EXPECT_EQ(Height(status), Height(driveLabel) + 5);
}

TEST_F(MainWindowLayout, AnalysingModePlacesTheListsByTheRules) {
    OpenWindow();
    const RECT driveList = Rect(IDC_DRIVE_LIST);
    const RECT next = Rect(IDC_NEXT);
    const SIZE toggle{Width(Rect(IDC_PHOTO_TOGGLE)), Height(Rect(IDC_PHOTO_TOGGLE))};
    dialog_->EnterAnalysingMode();

    EXPECT_EQ(VisibleControls(),
              Sorted({IDC_STATUS, IDC_PHOTO_LIST, IDC_FILE_LIST, IDC_RECOVER, IDC_PROGRESS_TEXT}));
    EXPECT_EQ(Text(IDC_RECOVER), "Cancel");
    EXPECT_EQ(Text(IDC_PROGRESS_TEXT), "<- Tips: click \"Cancel\" to stop analyzing and recover detected files.");
    EXPECT_EQ(Text(IDC_STATUS), "Recovering data, please wait");

    const RECT status = Rect(IDC_STATUS);
    const RECT photoToggle = Rect(IDC_PHOTO_TOGGLE);
    EXPECT_EQ(photoToggle.left, driveList.left);
    EXPECT_EQ(photoToggle.top, status.bottom + 3);
    EXPECT_EQ(Width(photoToggle), toggle.cx);

    const RECT photos = Rect(IDC_PHOTO_LIST);
    const int photoTop = status.bottom + toggle.cy + 5;
    EXPECT_EQ(photos.top, photoTop);
    EXPECT_EQ(photos.left, driveList.left);
    EXPECT_EQ(Width(photos), Width(driveList));
    EXPECT_EQ(Height(photos), (driveList.bottom - photoTop) * 3 / 4);

    const RECT fileToggle = Rect(IDC_FILE_TOGGLE);
    EXPECT_EQ(fileToggle.top, photos.bottom + 5);
    EXPECT_EQ(fileToggle.left, photos.left);

    const RECT files = Rect(IDC_FILE_LIST);
    EXPECT_EQ(files.top, photos.bottom + toggle.cy + 8);
    EXPECT_EQ(files.bottom, next.top - 10);
    EXPECT_EQ(files.left, photos.left);
    EXPECT_EQ(Width(files), Width(photos));

    const RECT tips = Rect(IDC_PROGRESS_TEXT);
    const RECT box = Rect(IDC_SAVE_FOLDER);
    const RECT expectedTips{next.right + 5, next.top, next.left + Width(box) + 80, next.bottom};
    EXPECT_TRUE(EqualRect(&tips, &expectedTips));
}

TEST(ScanProgressBarLayout, ShrinksToTheClientAreaRatherThanCoverCancel) {
    const RECT cancel{16, 432, 104, 455};
    const RECT files{16, 300, 809, 422};
    const struct {
        RECT client, bar;
    } rows[] = {
        {{0, 0, 821, 499}, {16, 461, 809, 469}},
        {{0, 0, 821, 465}, {16, 461, 809, 465}},  // too short for the whole bar
        {{0, 0, 821, 455}, {16, 455, 809, 455}},  // no room below Cancel: an empty bar
        {{0, 0, 500, 499}, {16, 461, 500, 469}},  // narrower than the list
    };
    for (const auto& row : rows) {
        const RECT bar = workflow::ScanProgressBarRect(cancel, files, row.client);
        EXPECT_TRUE(EqualRect(&bar, &row.bar))
            << row.client.right << "x" << row.client.bottom << ": " << bar.left << "," << bar.top << ","
            << bar.right << "," << bar.bottom;
    }
}

TEST_F(MainWindowLayout, ResultsModeWithEmptyListsDisablesBothToggles) {
    OpenWindow();
    dialog_->EnterAnalysingMode();
    dialog_->EnterResultsMode();
    EXPECT_EQ(VisibleControls(), Sorted({IDC_STATUS, IDC_PHOTO_LIST, IDC_FILE_LIST, IDC_RECOVER, IDC_PHOTO_TOGGLE,
                                         IDC_FILE_TOGGLE}));
    EXPECT_EQ(Text(IDC_RECOVER), "Recover");
    EXPECT_EQ(Text(IDC_STATUS), "Press 'Recover' to recover files detected.");
    EXPECT_EQ(Text(IDC_PHOTO_TOGGLE), "Unselect All Photos");
    EXPECT_EQ(Text(IDC_FILE_TOGGLE), "Unselect All Files");
    EXPECT_FALSE(Enabled(IDC_PHOTO_TOGGLE));
    EXPECT_FALSE(Enabled(IDC_FILE_TOGGLE));
    EXPECT_EQ(Text(IDC_PROGRESS_TEXT), "");
}

TEST_F(MainWindowLayout, ScanWithNoDataFolderEndsInResultsOnItsFirstPoll) {
    OpenWindow();
    dialog_->EnterAnalysingMode();
    ASSERT_TRUE(PumpUntil([&] { return Text(IDC_RECOVER) == "Recover"; }, 3000));
    EXPECT_TRUE(Visible(IDC_PHOTO_TOGGLE));
}

TEST_F(MainWindowLayout, TicksOfForeignTimersChangeNothing) {
    OpenWindow();
    dialog_->EnterAnalysingMode();
    dialog_->EnterResultsMode();
    const auto before = VisibleControls();
    const std::string status = Text(IDC_STATUS);
    for (UINT_PTR id : {1, 1024, 1029, 4000}) SendMessageA(Window(), WM_TIMER, id, 0);
    EXPECT_EQ(VisibleControls(), before);
    EXPECT_EQ(Text(IDC_STATUS), status);
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(MainWindowLayout, MinimisedWindowAnswersWithItsIcon) {
    OpenWindow();
    const auto icon = reinterpret_cast<HICON>(SendMessageA(Window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Window(), WM_GETICON, ICON_SMALL, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Window(), WM_QUERYDRAGICON, 0, 0)), icon);
}

TEST_F(MainWindowLayout, CloseWithoutScanAsksNothingAndEnds) {
    OpenWindow();
    CloseWindow();
    EXPECT_FALSE(IsWindow(Window()));
    EXPECT_TRUE(boxes_.Boxes().empty());
}

TEST_F(MainWindowLayout, EnterDoesNotCloseTheWindow) {
    OpenWindow();
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PumpFor(50);
    EXPECT_TRUE(IsWindow(Window()));
}

}  // namespace

namespace {

TEST_F(MainWindowLayout, DriveListShowsCAsLocalDiskAndReloadRebuildsItWithoutSelection) {
    OpenWindow();
    HWND list = Item(IDC_DRIVE_LIST);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    ASSERT_GT(count, 0);
    auto cell = [&](int item, int column) {
        char text[256] = {};
        LVITEMA request{};
        request.iSubItem = column;
        request.pszText = text;
        request.cchTextMax = sizeof(text);
        SendMessageA(list, LVM_GETITEMTEXTA, item, reinterpret_cast<LPARAM>(&request));
        return std::string(text);
    };
    int c = -1;
    for (int i = 0; i < count; ++i)
        if (cell(i, 0) == "C:") c = i;
    ASSERT_GE(c, 0);
    EXPECT_EQ(cell(c, 3), "Local Disk");
    EXPECT_FALSE(cell(c, 1).empty());
    EXPECT_NE(cell(c, 2).find("B"), std::string::npos);  // "... GB", "... MB"

    ListView_SetItemState(list, c, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), c);
    Click(IDC_RELOAD);
    EXPECT_EQ(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0), count);
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), -1);
    EXPECT_EQ(cell(c, 0), "C:");
}

}  // namespace
