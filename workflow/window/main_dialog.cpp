#include "workflow/window/main_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>

#include "resources/resource.h"
#include "settings/folders.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "win/icon_grid/icon_grid.h"
#include "workflow/engine/drive_list.h"
#include "workflow/window/help_viewer.h"
#include "workflow/window/main_layout.h"
#include "workflow/window/main_skin.h"
#include "workflow/window/timer_ids.h"

namespace workflow {

namespace {

struct Column {
    const char* title;
    int width;
};
constexpr Column kDriveColumns[] = {{"Drive", 80}, {"File System", 80}, {"Capacity", 120}, {"Information", 180}};
// Room beside a name in the first column, and the most that column takes.
constexpr int kDriveNameMargin = 16;
constexpr int kDriveNameWidestColumn = 320;
constexpr Column kFileColumns[] = {{"Name", 150}, {"Size", 150}, {"Extension", 150}};

}  // namespace

MainDialog::MainDialog(StartupGate startupGate)
    : controls::SkinnedDialog(IDD_MAIN), m_startupGate(std::move(startupGate)) {
    m_appIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_APP));
    // The photo list's class, named by the dialog template.
    win::RegisterIconGrid();
}

MainDialog::~MainDialog() {
    // A modeless window goes while this object can still answer its messages.
    if (Exists() && !IsModal()) DestroyWindow(m_hwnd);
}

bool MainDialog::OnInit() {
    BindControls();
    SetIcons();
    SetUpDriveList();
    StyleAndPlaceControls();
    SetUpResultLists();
    SetUpPhotoView();
    SetUpNaming();
    SetUpDiskImages();
    // Where the save-folder box and Browse go back to after the results showed them beside Recover.
    m_saveFolderRect = m_saveFolder.RectInParent();
    m_browseRect = m_browse.RectInParent();
    RunStartupGate();
    GoTo(Screen::Loading);
    return true;
}

// The controls are bound in this order (the skinned ones by subclassing),
// then the background: tiles of a plain bitmap with no shape cut out.
void MainDialog::BindControls() {
    m_photoToggle.Bind(m_hwnd, IDC_PHOTO_TOGGLE);
    m_fileToggle.Bind(m_hwnd, IDC_FILE_TOGGLE);
    m_fileList.Attach(Item(IDC_FILE_LIST));
    m_loading.Bind(m_hwnd, IDC_LOADING);
    m_settingsLink.Bind(m_hwnd, IDC_SETTINGS_LINK);
    m_helpLink.Bind(m_hwnd, IDC_HELP_LINK);
    m_openImageLink.Bind(m_hwnd, IDC_OPEN_IMAGE);
    m_status.Bind(m_hwnd, IDC_STATUS);
    m_progressText.Bind(m_hwnd, IDC_PROGRESS_TEXT);
    m_progress.Attach(Item(IDC_PROGRESS));
    m_photoList.Attach(Item(IDC_PHOTO_LIST));
    m_saveFolder.Attach(Item(IDC_SAVE_FOLDER));
    m_saveFolderLabel.Bind(m_hwnd, IDC_SAVE_FOLDER_LABEL);
    m_driveListLabel.Bind(m_hwnd, IDC_DRIVE_LIST_LABEL);
    m_next.Bind(m_hwnd, IDC_NEXT);
    m_reload.Bind(m_hwnd, IDC_RELOAD);
    m_browse.Bind(m_hwnd, IDC_BROWSE);
    m_recover.Bind(m_hwnd, IDC_RECOVER);
    m_driveList.Attach(Item(IDC_DRIVE_LIST));
    SetBackgroundBitmap(IDB_BACKGROUND, controls::kNoKeyColor);
}

void MainDialog::SetIcons() {
    SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_appIcon));
    SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_appIcon));
}

void MainDialog::SetUpDriveList() {
    m_driveList.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kDriveColumns)); ++i)
        m_driveList.InsertColumn(i, kDriveColumns[i].title, kDriveColumns[i].width);
}

void MainDialog::StyleAndPlaceControls() {
    ApplyCommandButtonLook(m_browse);
    ApplyCommandButtonLook(m_next);
    ApplyCommandButtonLook(m_reload);
    ApplyLabelLook(m_driveListLabel, kCaptionLook);
    ApplyLabelLook(m_saveFolderLabel, kCaptionLook);
    ApplyLabelLook(m_settingsLink, kHeaderLinkLook);
    ApplyLabelLook(m_helpLink, kHeaderLinkLook);
    ApplyLabelLook(m_openImageLink, kHeaderLinkLook);

    // Recover shares the place of Next; the two are never shown together.
    ApplyCommandButtonLook(m_recover);
    m_recover.Move(m_next.RectInParent(), false);
    m_recover.Show(false);

    ApplyLabelLook(m_status, kStatusLook);
    m_status.Move(StatusLineRect(m_status.RectInParent(), m_driveListLabel.RectInParent()), false);
    m_status.Show(false);

    ApplyLabelLook(m_loading, kLoadingLook);
    ApplyLabelLook(m_photoToggle, kToggleLinkLook);
    ApplyLabelLook(m_fileToggle, kToggleLinkLook);

    // The loading notice is centred by the whole window's size, frame included.
    RECT window{};
    GetWindowRect(m_hwnd, &window);
    m_loading.Move(CentredLoadingRect(SIZE{win::Width(window), win::Height(window)}, m_driveListLabel.RectInParent()),
                   false);
    m_loading.Show(false);

    // The progress bar below Next, and the two places of IDC_PROGRESS_TEXT.
    const ProgressPlacement progress =
        PlaceProgress(m_next.RectInParent(), m_saveFolder.RectInParent(), m_progress.RectInParent());
    m_progress.Move(progress.bar, false);
    m_copyProgressRect = progress.bar;
    m_progress.Show(false);
    m_progressTextRect = progress.progressText;
    m_tipsRect = progress.tips;
    ApplyLabelLook(m_progressText, kProgressTextLook);
    m_progressText.Move(m_progressTextRect, false);
    m_progressText.Show(false);
}

void MainDialog::SetUpResultLists() {
    // The thumbnails belong to this window (m_thumbnails); the list borrows them.
    m_thumbnails.Create();
    m_photoList.AddExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);
    m_photoList.SetImageList(m_thumbnails.List(), LVSIL_NORMAL);
    m_photoClicks.Bind(m_photoList.Handle());
    m_photoList.Show(false);

    m_photoToggle.Show(false);
    m_fileToggle.Show(false);

    m_fileList.AddExtendedStyle(LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    m_fileClicks.Bind(m_fileList.Handle());
    for (int i = 0; i < static_cast<int>(std::size(kFileColumns)); ++i)
        m_fileList.InsertColumn(i, kFileColumns[i].title, kFileColumns[i].width);
    m_fileList.Show(false);
}

// Nothing happens for a user without administrator rights.
void MainDialog::RunStartupGate() {
    if (!m_startupGate || m_startupGate(m_hwnd)) {
        SetTimer(m_hwnd, kStartupTimer, kStartupDelayMs, nullptr);
        return;
    }
    ShowWindow(m_hwnd, SW_HIDE);
    // The modal loop ends on the quit request; the program's exit code stays 0.
    PostQuitMessage(kStartupRefusedQuitCode);
}

bool MainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    switch (message) {
    case WM_PAINT:
        if (!IsIconic(m_hwnd)) return false;
        PaintMinimised();
        result = TRUE;
        return true;
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<INT_PTR>(m_appIcon);
        return true;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return true;
    case kOpenRequestedImagesMessage:
        OpenRequestedImages();
        return true;
    case WM_COPYDATA:
        // A dialog answers this message through DWLP_MSGRESULT.
        SetWindowLongPtrA(m_hwnd, DWLP_MSGRESULT,
                          OnOpenImageRequest(*reinterpret_cast<const COPYDATASTRUCT*>(lParam)) ? TRUE : FALSE);
        result = TRUE;
        return true;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
        if (PaintsOnSkin(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam), result)) return true;
        return controls::SkinnedDialog::OnMessage(message, wParam, lParam, result);
    default:
        return controls::SkinnedDialog::OnMessage(message, wParam, lParam, result);
    }
}

void MainDialog::PaintMinimised() {
    win::PaintScope paint(m_hwnd);
    SendMessageA(m_hwnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.dc()), 0);
    RECT rect{};
    GetClientRect(m_hwnd, &rect);
    const int x = (win::Width(rect) - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (win::Height(rect) - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.dc(), x, y, m_appIcon);
}

bool MainDialog::OnCommand(int id, int code, HWND control) {
    if (OnPhotoViewCommand(id, code) || OnNamingCommand(id, code)) return true;
    // Clicks only: static controls also report being enabled and disabled.
    if (code != BN_CLICKED) return win::Dialog::OnCommand(id, code, control);
    switch (id) {
    case IDC_BROWSE:
        OnBrowse();
        return true;
    case IDC_NEXT:
        OnNext();
        return true;
    case IDC_RELOAD:
        OnReload();
        return true;
    case IDC_RECOVER:
        if (m_screen == Screen::Analysing) m_session.CancelSearch();
        else {
            GiveCopyChoices();
            m_session.Recover(m_outputFolder);
        }
        return true;
    case IDC_HELP_LINK:
        ShowHelpFile(m_hwnd);
        return true;
    case IDC_OPEN_IMAGE:
        OnOpenImage();
        return true;
    case IDC_SETTINGS_LINK: {
        // The next scan reads "formats.ini" afresh: the dialog's outcome needs no handling here.
        settings::SettingsDialog dialog;
        dialog.DoModal(m_hwnd);
        return true;
    }
    case IDC_PHOTO_TOGGLE:
        ToggleAllPhotos();
        return true;
    case IDC_FILE_TOGGLE:
        ToggleAllFiles();
        return true;
    default:
        return controls::SkinnedDialog::OnCommand(id, code, control);
    }
}

bool MainDialog::OnNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom == m_photoList.Handle() && OnPhotoListNotify(header)) return true;
    if (header.hwndFrom == m_fileList.Handle() && OnFileListNotify(header, result)) return true;
    // Header clicks of the file list; its header control has id 0.
    if (header.code == HDN_ITEMCLICKA || header.code == HDN_ITEMCLICKW) {
        if (header.idFrom == 0 && header.hwndFrom == m_fileList.Header()) {
            SortFileList(reinterpret_cast<const NMHEADERA&>(header).iItem);
            result = 0;
            return true;
        }
    }
    return false;
}

void MainDialog::OnTimer(UINT_PTR id) {
    switch (id) {
    case kStartupTimer:
        OnStartupTimer();
        break;
    case kListingTimer:
        m_session.OnListingTick();
        break;
    case kCopyTimer:
        m_session.OnCopyTick();
        break;
    case kThumbnailTimer:
        OnThumbnailTimer();
        break;
    case kShowEntriesTimer:
        ShowNewEntries();
        break;
    default:
        break;
    }
}

void MainDialog::OnStartupTimer() {
    KillTimer(m_hwnd, kStartupTimer);
    EnumerateDrives();
    m_outputFolder = settings::LoadSaveFolder();
    m_saveFolder.SetText(m_outputFolder);
    GoTo(Screen::Drives);
    if (!m_imageAtStart.empty()) AddDiskImage(std::exchange(m_imageAtStart, {}));
}

void MainDialog::OnCancel() {
    if (m_session.Close()) End(IDCANCEL);
}

// The label repaints the window's background under it, so a shorter text leaves no trace.
void MainDialog::SetLabelText(controls::LinkLabel& label, const std::string& text) { label.SetCaption(text); }

void MainDialog::EnumerateDrives() {
    m_session.ListDrives();
    FillDriveList();
}

void MainDialog::FillDriveList() {
    m_driveList.DeleteAll();
    const std::vector<DriveInfo>& drives = m_session.Drives();
    for (size_t i = 0; i < drives.size(); ++i) {
        const DriveInfo& drive = drives[i];
        const int index = static_cast<int>(i);
        m_driveList.InsertItem(index, drive.name);
        m_driveList.SetItemText(index, 0, drive.name);
        m_driveList.SetItemText(index, 1, drive.fileSystem);
        m_driveList.SetItemText(index, 2, FormatSize(drive.capacity));
        m_driveList.SetItemText(index, 3, drive.typeText);
    }
    // A drive's name fits the first column; an image's file name may not, and
    // a name cut short does not tell two images apart.
    int nameWidth = kDriveColumns[0].width;
    for (const DriveInfo& drive : drives) {
        if (drive.IsImage())
            nameWidth = std::max(nameWidth, m_driveList.StringWidth(drive.name) + kDriveNameMargin);
    }
    m_driveList.SetColumnWidth(0, std::min(nameWidth, kDriveNameWidestColumn));
}

void MainDialog::OnReload() {
    HCURSOR previous = SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    EnumerateDrives();
    SetCursor(previous);
}

void MainDialog::OnNext() {
    if (m_session.Busy()) return;
    const int selected = m_driveList.FirstSelected();
    // The list's rows are the session's drives, in the same order.
    const std::vector<DriveInfo>& drives = m_session.Drives();
    if (selected < 0 || static_cast<size_t>(selected) >= drives.size()) {
        Tell("Please select drive from where to recover files.", kAppCaption, Mark::None);
        return;
    }
    m_session.Search(drives[selected].Key());
}

void MainDialog::OnBrowse() {
    const std::optional<std::string> chosen = settings::BrowseForSaveFolder(
        m_hwnd, [this](const std::string& folder) { return m_session.AcceptOutputFolder(folder); });
    if (!chosen) return;
    m_outputFolder = *chosen;
    m_saveFolder.SetText(m_outputFolder);
}

}  // namespace workflow
