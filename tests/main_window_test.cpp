// The main window's layouts, driven in-process.
#include <gtest/gtest.h>

#include <algorithm>

#include <windows.h>
#include <commctrl.h>

#include "resources/resource.h"
#include "tests/support/main_window.h"
#include "win/controls/list_view.h"
#include "workflow/window/main_layout.h"

namespace {

using testing_support::MainWindowTest;
using testing_support::PumpUntil;

constexpr int kAlwaysShown[] = {IDC_HELP_LINK, IDC_SETTINGS_LINK};

std::vector<int> Sorted(std::vector<int> ids) {
    for (int id : kAlwaysShown) ids.push_back(id);
    std::sort(ids.begin(), ids.end());
    return ids;
}

// Equal rectangles, shown as numbers when they differ.
::testing::AssertionResult Same(const RECT& a, const RECT& e) {
    if (EqualRect(&a, &e)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << a.left << "," << a.top << "," << a.right << "," << a.bottom << " not "
                                         << e.left << "," << e.top << "," << e.right << "," << e.bottom;
}

// ---- Placement as plain functions of rectangles -------------------------------------------

TEST(MainLayout, LoadingNoticeIsTheLabelGrownAndCentredInTheWindowAndTheStatusLineKeepsItsWidth) {
    const struct {
        SIZE window;
        RECT label, loading;
    } rows[] = {
        {{640, 480}, {16, 60, 116, 76}, {255, 227, 385, 253}},
        {{641, 481}, {0, 0, 101, 17}, {255, 227, 386, 254}},  // halves cut toward zero
        {{100, 20}, {0, 0, 100, 20}, {-15, -5, 115, 25}},     // larger than the window
    };
    for (const auto& row : rows) EXPECT_TRUE(Same(workflow::CentredLoadingRect(row.window, row.label), row.loading));

    // The status line keeps its width, at the label's left, five pixels down.
    const struct {
        RECT status, label, placed;
    } lines[] = {
        {{100, 200, 400, 220}, {16, 60, 116, 76}, {16, 5, 316, 26}},
        {{0, 0, 0, 0}, {30, 0, 40, 0}, {30, 5, 30, 10}},
    };
    for (const auto& row : lines) EXPECT_TRUE(Same(workflow::StatusLineRect(row.status, row.label), row.placed));
}

TEST(MainLayout, ProgressBarUnderNextAsWideAsTheBoxTextAboveTipsBesideAndSaveFolderBesideRecover) {
    const RECT next{16, 420, 104, 443}, box{16, 380, 416, 400}, bar{0, 0, 10, 17};
    const workflow::ProgressPlacement p = workflow::PlaceProgress(next, box, bar);
    EXPECT_TRUE(Same(p.bar, RECT{16, 441, 416, 458}));            // bottom 15 below Next's, the bar's own height
    EXPECT_TRUE(Same(p.progressText, RECT{16, 416, 416, 436}));   // 25 to 5 pixels above the bar
    EXPECT_TRUE(Same(p.tips, RECT{109, 420, 496, 443}));          // right of Next, 80 past the box's width

    // In the results the save folder sits beside Recover, which keeps Next's place.
    const RECT browse{410, 378, 490, 401};
    const auto save = workflow::PlaceSaveFolderBesideRecover(next, {16, 380, 400, 400}, browse);
    EXPECT_TRUE(Same(save.box, RECT{114, 421, 400, 441}));      // centred on the row: 431 - 20 / 2
    EXPECT_TRUE(Same(save.browse, RECT{410, 420, 490, 443}));   // top of Recover, its own size
}

TEST(MainLayout, AnalysingListsShareTheDriveListsPlaceThreeQuartersToPhotosAndTheBarKeepsOffCancel) {
    const RECT driveList{16, 80, 616, 381}, status{16, 5, 316, 26};
    const SIZE toggle{120, 17};
    const workflow::AnalysingPlacement p = workflow::PlaceAnalysingControls(driveList, status, toggle, 420);
    EXPECT_TRUE(Same(p.photoToggle, RECT{16, 29, 136, 46}));
    // Photos from 5 below the toggle's height, for three quarters of what is left to the list's bottom, cut.
    EXPECT_TRUE(Same(p.photoList, RECT{16, 48, 616, 297}));  // (381 - 48) * 3 / 4 = 249.75
    EXPECT_TRUE(Same(p.fileToggle, RECT{16, 302, 136, 319}));
    EXPECT_TRUE(Same(p.fileList, RECT{16, 322, 616, 410}));  // down to 10 above Next

    // The scan's progress bar shrinks to the client area rather than cover Cancel.
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
    for (const auto& row : rows) EXPECT_TRUE(Same(workflow::ScanProgressBarRect(cancel, files, row.client), row.bar));
}

// ---- The live window -------------------------------------------------------------------------

class MainWindowLayout : public MainWindowTest {};

TEST_F(MainWindowLayout, OpensLoadingThenShowsDriveSelectionWithCAsLocalDisk) {
    OpenWindow(false);
    EXPECT_EQ(VisibleControls(), Sorted({IDC_LOADING}));
    EXPECT_FALSE(Visible(IDC_OPEN_IMAGE));
    EXPECT_EQ(Text(IDC_LOADING), "Loading, please wait...");
    char title[64] = {};
    GetWindowTextA(Window(), title, sizeof(title));
    EXPECT_STREQ(title, "Norvale Vantreo");

    ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }));
    EXPECT_EQ(VisibleControls(), Sorted({IDC_DRIVE_LIST, IDC_BROWSE, IDC_NEXT, IDC_RELOAD, IDC_SAVE_FOLDER,
                                         IDC_SAVE_FOLDER_LABEL, IDC_DRIVE_LIST_LABEL}));
    // Disk images are offered beside Settings and Help, on this screen alone.
    EXPECT_TRUE(Visible(IDC_OPEN_IMAGE));
    EXPECT_EQ(Text(IDC_OPEN_IMAGE), "Open disk image");
    EXPECT_EQ(Rect(IDC_OPEN_IMAGE).top, Rect(IDC_SETTINGS_LINK).top);
    EXPECT_LT(Rect(IDC_OPEN_IMAGE).right, Rect(IDC_SETTINGS_LINK).left);
    EXPECT_EQ(Text(IDC_RECOVER), "Recover");
    EXPECT_FALSE(Enabled(IDC_SAVE_FOLDER));

    // The drive list shows C: as a local disk; Reload rebuilds it without a selection.
    win::ListView list;
    list.Attach(Item(IDC_DRIVE_LIST));
    const int count = list.Count();
    ASSERT_GT(count, 0);
    const auto cell = [&](int item, int column) { return list.GetItemText(item, column); };
    int c = -1;
    for (int i = 0; i < count; ++i)
        if (cell(i, 0) == "C:") c = i;
    ASSERT_GE(c, 0);
    EXPECT_EQ(cell(c, 3), "Local Disk");
    EXPECT_FALSE(cell(c, 1).empty());
    EXPECT_NE(cell(c, 2).find("B"), std::string::npos);  // "... GB", "... MB"

    list.Select(c);
    ASSERT_EQ(list.FirstSelected(), c);
    Click(IDC_RELOAD);
    EXPECT_EQ(list.Count(), count);
    EXPECT_EQ(list.FirstSelected(), -1);
    EXPECT_EQ(cell(c, 0), "C:");
}

TEST_F(MainWindowLayout, ControlsArePlacedByTheLayoutFunctionsAndForeignTimersChangeNothing) {
    OpenWindow();
    RECT window{};
    GetWindowRect(Window(), &window);
    const RECT label = Rect(IDC_DRIVE_LIST_LABEL), next = Rect(IDC_NEXT);
    EXPECT_TRUE(Same(Rect(IDC_LOADING),
                     workflow::CentredLoadingRect({window.right - window.left, window.bottom - window.top}, label)));
    EXPECT_TRUE(Same(Rect(IDC_STATUS), workflow::StatusLineRect(Rect(IDC_STATUS), label)));
    EXPECT_TRUE(Same(Rect(IDC_RECOVER), next));  // Recover shares Next's place
    const workflow::ProgressPlacement progress =
        workflow::PlaceProgress(next, Rect(IDC_SAVE_FOLDER), Rect(IDC_PROGRESS));
    EXPECT_TRUE(Same(Rect(IDC_PROGRESS), progress.bar));
    EXPECT_TRUE(Same(Rect(IDC_PROGRESS_TEXT), progress.progressText));

    const RECT driveList = Rect(IDC_DRIVE_LIST), toggle = Rect(IDC_PHOTO_TOGGLE);
    m_dialog->ListFoundFiles();
    const workflow::AnalysingPlacement lists = workflow::PlaceAnalysingControls(
        driveList, Rect(IDC_STATUS), {toggle.right - toggle.left, toggle.bottom - toggle.top}, next.top);
    EXPECT_TRUE(Same(Rect(IDC_PHOTO_TOGGLE), lists.photoToggle));
    EXPECT_TRUE(Same(Rect(IDC_PHOTO_LIST), lists.photoList));
    EXPECT_TRUE(Same(Rect(IDC_FILE_TOGGLE), lists.fileToggle));
    EXPECT_TRUE(Same(Rect(IDC_FILE_LIST), lists.fileList));
    EXPECT_TRUE(Same(Rect(IDC_PROGRESS_TEXT), progress.tips));

    // Ticks of foreign timers change nothing.
    m_dialog->GoTo(workflow::Screen::Results);
    const auto before = VisibleControls();
    const std::string status = Text(IDC_STATUS);
    for (UINT_PTR id : {1, 1024, 1029, 4000}) SendMessageA(Window(), WM_TIMER, id, 0);
    EXPECT_EQ(VisibleControls(), before);
    EXPECT_EQ(Text(IDC_STATUS), status);
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// Ids of the main window's controls in the order they are shown.
HWND g_window = nullptr;
std::vector<int> g_shown;
LRESULT CALLBACK RecordShown(int code, WPARAM wParam, LPARAM lParam) {
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    const bool shown = code == HC_ACTION && sent.message == WM_SHOWWINDOW && sent.wParam;
    if (shown && GetAncestor(sent.hwnd, GA_PARENT) == g_window) g_shown.push_back(GetDlgCtrlID(sent.hwnd));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// With no data folder the first walk ends the scan, and with nothing found the
// window goes back to the drives rather than to empty results, before it says
// so. Here that happens while the question of Cancel is open, whose Yes then
// changes nothing.
TEST_F(MainWindowLayout, AnalysingModeShowsTheListsThenNothingFoundLeadsBackToTheDrivesOneScreenAtATime) {
    OpenWindow();
    m_dialog->ListFoundFiles();
    EXPECT_EQ(VisibleControls(),
              Sorted({IDC_STATUS, IDC_PHOTO_LIST, IDC_FILE_LIST, IDC_RECOVER, IDC_PROGRESS_TEXT}));
    EXPECT_FALSE(Visible(IDC_OPEN_IMAGE));
    EXPECT_EQ(Text(IDC_RECOVER), "Cancel");
    EXPECT_EQ(Text(IDC_PROGRESS_TEXT), "<- Tips: click \"Cancel\" to stop analyzing and recover detected files.");
    EXPECT_EQ(Text(IDC_STATUS), "Recovering data, please wait");

    std::vector<std::vector<int>> behind;
    m_boxes.OnCatch([&] { behind.push_back(VisibleControls()); });
    g_window = Window();
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordShown, nullptr, GetCurrentThreadId());
    m_boxes.QueueAnswer(IDYES, [&] { return m_boxes.Boxes().size() == 2; });
    // Posted: the question's own loop runs while the test waits.
    PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDC_RECOVER, BN_CLICKED), 0);
    ASSERT_TRUE(PumpUntil([&] { return m_boxes.Boxes().size() == 2; }, 3000));
    testing_support::PumpPending();
    UnhookWindowsHookEx(hook);
    m_boxes.OnCatch({});
    ASSERT_EQ(m_boxes.Texts(), (std::vector<std::string>{
                                   "Brisca is currently analyzing disk, are you sure you want to cancel?",
                                   "No files were found."}));
    EXPECT_EQ(m_boxes.Boxes()[1].caption, "Vantreo");
    const auto drives = Sorted({IDC_BROWSE, IDC_DRIVE_LIST, IDC_SAVE_FOLDER, IDC_NEXT, IDC_SAVE_FOLDER_LABEL,
                                IDC_DRIVE_LIST_LABEL, IDC_RELOAD});
    EXPECT_EQ(behind[1], drives);
    EXPECT_EQ(VisibleControls(), drives);
    EXPECT_TRUE(Visible(IDC_OPEN_IMAGE));
    EXPECT_EQ(g_shown, (std::vector<int>{IDC_SAVE_FOLDER, IDC_SAVE_FOLDER_LABEL, IDC_DRIVE_LIST_LABEL, IDC_RELOAD,
                                         IDC_BROWSE, IDC_DRIVE_LIST, IDC_OPEN_IMAGE, IDC_NEXT}));
}

// A minimised window answers with its icon.
TEST_F(MainWindowLayout, HasItsIconAndEnterDoesNotCloseTheWindowAndCloseWithoutScanAsksNothing) {
    OpenWindow();
    const auto icon = reinterpret_cast<HICON>(SendMessageA(Window(), WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Window(), WM_GETICON, ICON_SMALL, 0)), icon);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(Window(), WM_QUERYDRAGICON, 0, 0)), icon);
    SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    testing_support::PumpPending();
    EXPECT_TRUE(IsWindow(Window()));
    CloseWindow();
    EXPECT_FALSE(IsWindow(Window()));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

}  // namespace
