// The main window's screens: the controls each one shows, hides, moves and
// labels, and the two links that check or uncheck a whole result list.
#include "workflow/window/main_dialog.h"
#include "workflow/window/main_layout.h"

namespace workflow {

void MainDialog::GoTo(Screen next) {
    const Screen previous = m_screen;
    m_screen = next;
    switch (next) {
    case Screen::Loading:
        ShowDriveControls(false);
        m_loading.Show(true);
        break;
    case Screen::Drives:
        if (previous == Screen::Loading) {
            ShowDriveControls(true);
            m_loading.Show(false);
        } else {
            ShowDrives();
        }
        break;
    case Screen::Analysing:
        ShowAnalysing();
        break;
    case Screen::Results:
        ShowResults();
        break;
    case Screen::Recovering:
        ShowRecovering();
        break;
    }
}

void MainDialog::ShowDriveControls(bool show) {
    for (win::Window* control : std::initializer_list<win::Window*>{
             &m_browse, &m_next, &m_reload, &m_driveList, &m_driveListLabel, &m_saveFolderLabel, &m_saveFolder,
             &m_openImageLink}) {
        control->Show(show);
    }
}

void MainDialog::ShowAnalysing() {
    ShowDriveControls(false);

    const RECT driveList = m_driveList.RectInParent();
    m_status.Show(true);
    const RECT status = m_status.RectInParent();
    const RECT toggle = m_photoToggle.RectInParent();
    const AnalysingPlacement place = PlaceAnalysingControls(
        driveList, status, SIZE{win::Width(toggle), win::Height(toggle)}, m_next.RectInParent().top);

    m_photoToggle.Move(place.photoToggle, true);
    m_photoList.Move(place.photoList, true);
    m_photoList.Show(true);
    m_fileToggle.Move(place.fileToggle, true);
    m_fileList.Move(place.fileList, true);
    m_fileList.Show(true);

    m_photoToggle.Show(false);
    m_fileToggle.Show(false);
    PlacePhotoViewControls();
    ShowPhotoViewControls(true);

    ShowPhotoCounts();
    m_thumbnails.Create(true);
    m_photoList.SetImageList(m_thumbnails.List(), LVSIL_NORMAL);

    m_recover.SetText(kCancelCaption);
    m_recover.Show(true);

    m_progressText.Move(m_tipsRect, true);
    SetLabelText(m_progressText, kTipsText);
    m_progressText.Show(true);
    ShowSearchProgressBar();
}

// A slim bar below the Cancel row, as wide as the lists; none when the disk's size is unknown.
void MainDialog::ShowSearchProgressBar() {
    if (!m_session.ShowsSearchProgress()) return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    m_progress.Move(ScanProgressBarRect(m_recover.RectInParent(), m_fileList.RectInParent(), client), true);
    m_progress.SetRange(0, kSearchProgressSteps);
    m_progress.SetPosition(0);
    m_progress.Show(true);
}

void MainDialog::ShowResults() {
    ShowDriveControls(false);
    // The search's bar goes; the copy finds the bar back in its own place.
    m_progress.SetPosition(0);
    m_progress.Show(false);
    m_progress.Move(m_copyProgressRect, true);
    SetLabelText(m_progressText, "");
    m_progressText.Move(m_progressTextRect, true);
    m_progressText.Show(false);

    SetLabelText(m_status, kResultsPrompt);
    m_status.Show(true);

    SetLabelText(m_photoToggle, kUnselectAllPhotosText);
    SetLabelText(m_fileToggle, kUnselectAllFilesText);
    m_photoToggleChecks = m_fileToggleChecks = false;
    m_fileToggle.Show(true);
    m_photoToggle.Show(true);
    EnableToggles();

    m_recover.SetText(kRecoverCaption);
    m_recover.Show(true);
    ShowNamingControls(true);
}

void MainDialog::ShowRecovering() {
    m_progress.SetRange(0, m_session.CopyTotal());
    m_progress.SetPosition(0);
    m_recover.Show(false);
    ShowNamingControls(false);
    ShowSaveFolderInResults(false);
    m_progress.Show(true);
    m_progressText.Show(true);
}

// Drive selection as the program opened it; the lists keep their (hidden)
// entries until the next scan, and the drive list its selection. The bar and
// the progress line go back to where the copy shows them. The drive controls
// appear from the save-folder box up to the drive list, and Next last.
void MainDialog::ShowDrives() {
    m_progress.SetPosition(0);
    m_progress.Move(m_copyProgressRect, false);
    m_progressText.Move(m_progressTextRect, false);
    m_saveFolder.Move(m_saveFolderRect, false);
    m_browse.Move(m_browseRect, false);
    for (win::Window* control : std::initializer_list<win::Window*>{
             &m_progress, &m_progressText, &m_status, &m_photoList, &m_recover, &m_fileToggle, &m_photoToggle,
             &m_fileList}) {
        control->Show(false);
    }
    ShowPhotoViewControls(false);
    ShowNamingControls(false);
    for (win::Window* control : std::initializer_list<win::Window*>{
             &m_saveFolder, &m_saveFolderLabel, &m_driveListLabel, &m_reload, &m_browse, &m_driveList,
             &m_openImageLink, &m_next}) {
        control->Show(true);
    }
}

// In results mode the box and Browse share the Recover row, right of Recover.
void MainDialog::ShowSaveFolderInResults(bool show) {
    if (show) {
        // Past the naming drop-down, which shares the row.
        RECT before = m_recover.RectInParent();
        before.right = m_nameFiles.RectInParent().right;
        const SaveFolderPlacement place = PlaceSaveFolderBesideRecover(before, m_saveFolderRect, m_browseRect);
        m_saveFolder.Move(place.box, true);
        m_browse.Move(place.browse, true);
    }
    m_saveFolder.Show(show);
    m_browse.Show(show);
}

// A link acts on the rows its list shows: with none it has nothing to act on.
void MainDialog::EnableToggles() {
    m_photoToggle.Enable(m_session.PhotoRows().Count() > 0);
    m_fileToggle.Enable(m_session.FileRows().Count() > 0);
}

void MainDialog::ToggleAllPhotos() {
    const bool checkAll = m_photoToggleChecks;
    m_photoToggleChecks = !checkAll;
    m_session.CheckAllPhotos(checkAll);
    InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    SetLabelText(m_photoToggle, checkAll ? kUnselectAllPhotosText : kSelectAllPhotosText);
}

void MainDialog::ToggleAllFiles() {
    const bool checkAll = m_fileToggleChecks;
    m_fileToggleChecks = !checkAll;
    m_session.CheckAllFiles(checkAll);
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
    SetLabelText(m_fileToggle, checkAll ? kUnselectAllFilesText : kSelectAllFilesText);
}

}  // namespace workflow
