// The window's side of the recovery copy: the toggles, Recover, one copy step
// per tick of the copy timer, and what the copy reports shown in the window.
//
// When any ticked file could not be copied, the data folder is kept and the
// window goes back to the results with just those files ticked, so the user
// can fix the cause and press Recover again.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "workflow/app_title.h"
#include "workflow/disk_warning.h"
#include "workflow/folder_tree.h"
#include "workflow/found_item.h"
#include "workflow/main_dialog.h"
#include "workflow/main_layout.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

std::vector<int> CheckedItems(const win::ListView& list) {
    std::vector<int> items;
    const int count = list.Count();
    for (int i = 0; i < count; ++i)
        if (list.GetCheck(i)) items.push_back(i);
    return items;
}

void CheckAll(const win::ListView& list, bool checked) {
    const int count = list.Count();
    for (int i = 0; i < count; ++i) list.SetCheck(i, checked);
}

}  // namespace

void MainDialog::TogglePhotos() {
    const bool selectAll = m_photoToggle.GetText() == m_selectAllPhotosText;
    CheckAll(m_photoList, selectAll);
    SetLabelText(m_photoToggle, selectAll ? m_unselectAllPhotosText : m_selectAllPhotosText);
}

void MainDialog::ToggleFiles() {
    const bool selectAll = m_fileToggle.GetText() == m_selectAllFilesText;
    CheckAll(m_fileList, selectAll);
    SetLabelText(m_fileToggle, selectAll ? m_unselectAllFilesText : m_selectAllFilesText);
}

void MainDialog::StartCopy() {
    if (m_copyRunning) return;
    // While the last files are still being listed, the copy waits for them and
    // says so: it copies what is ticked, and every listed file goes with the data folder.
    if (m_monitor.Listing()) {
        m_copyRequested = true;
        SetLabelText(m_status, kWaitingForListingText);
        return;
    }

    std::vector<CopyEntry> photos, files;
    for (int item : CheckedItems(m_photoList))
        photos.push_back({item, *reinterpret_cast<const std::string*>(m_photoList.GetItemData(item))});
    for (int item : CheckedItems(m_fileList))
        files.push_back({item, reinterpret_cast<const FoundItem*>(m_fileList.GetItemData(item))->path});
    if (photos.empty() && files.empty()) {
        MessageBoxA(m_hwnd, "No files selected.\n\nPlease select files that you want to recover.",
                    ApplicationTitle().c_str(), MB_OK);
        return;
    }
    if (!ConfirmWritingOntoSearchedDisk(m_saveFolder.GetText(), kCopyOntoSearchedDiskQuestion)) {
        ShowSaveFolderInResults(true);  // another folder can be chosen right there
        return;
    }
    m_copy.Start(std::move(photos), std::move(files), m_saveFolder.GetText());

    m_progress.SetRange(0, m_copy.Total());
    m_progress.SetPosition(0);
    m_recover.Show(false);
    ShowSaveFolderInResults(false);
    m_progress.Show(true);
    m_progressText.Show(true);
    m_copyRunning = SetTimer(m_hwnd, kCopyTimer, kTickMs, nullptr) != 0;
}

void MainDialog::CopyStep() { m_copy.Step(); }

void MainDialog::OnCopyProgress(int position, int total) {
    char progress[64];
    std::snprintf(progress, sizeof(progress), "Recovering file %d of %d", position, total);
    SetLabelText(m_progressText, progress);
    m_progress.SetPosition(position);
}

void MainDialog::OnCopyStopped(const std::string& message, const CopyOutcome& soFar) {
    m_copyRunning = false;
    TickMessage(kCopyTimer, kTickMs, false, message, kAppCaption, MB_OK);
    ReturnToResults(soFar);
}

void MainDialog::OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) {
    KillTimer(m_hwnd, kCopyTimer);
    m_copyRunning = false;
    const bool allCopied = failureReport.empty();
    if (allCopied) {
        CleanUpAfterCopy();
    } else {
        MessageBoxA(m_hwnd, failureReport.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    }

    char question[128];
    std::snprintf(question, sizeof(question), "%d files recovered.\n\nDo you want to view recovered files?",
                  outcome.CopiedCount());
    if (MessageBoxA(m_hwnd, question, kAppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        const std::string& folder = m_copy.OutputFolder();
        SHELLEXECUTEINFOA open{};
        open.cbSize = sizeof(open);
        open.fMask = SEE_MASK_FLAG_NO_UI;
        open.lpVerb = "open";
        open.lpFile = folder.c_str();
        open.nShow = SW_SHOW;
        ShellExecuteExA(&open);
    }

    if (!allCopied) {
        // Only what could not be copied stays ticked, ready for another Recover.
        CheckAll(m_photoList, false);
        CheckAll(m_fileList, false);
        for (int item : outcome.failedPhotos) m_photoList.SetCheck(item, true);
        for (int item : outcome.failedFiles) m_fileList.SetCheck(item, true);
        ReturnToResults(outcome);
        return;
    }

    ReturnToDriveSelection();
}

// Only the found files the copy may delete go; any other file stays, with its
// folders: a file that was never listed was never offered to the user.
void MainDialog::CleanUpAfterCopy() {
    if (m_dataDir.empty() || !PathExists(m_dataDir) || !WorkFoldersArePlain()) return;
    m_copy.CleanUpFoundFiles(m_dataDir);
}

// Back to the results screen after a copy that could not finish. What was
// copied is no longer ticked, so Recover again makes no second copy of it, and
// the save folder can be changed right there.
void MainDialog::ReturnToResults(const CopyOutcome& outcome) {
    for (int item : outcome.copiedPhotos)
        m_recoveredFiles.insert(*reinterpret_cast<const std::string*>(m_photoList.GetItemData(item)));
    for (int item : outcome.copiedFiles)
        m_recoveredFiles.insert(reinterpret_cast<const FoundItem*>(m_fileList.GetItemData(item))->path);
    for (int item : outcome.copiedPhotos) m_photoList.SetCheck(item, false);
    for (int item : outcome.copiedFiles) m_fileList.SetCheck(item, false);
    m_progress.SetPosition(0);
    m_progress.Show(false);
    EnterResultsMode();
    ShowSaveFolderInResults(true);
}

// In results mode the box and Browse share the Recover row, right of Recover.
void MainDialog::ShowSaveFolderInResults(bool show) {
    if (show) {
        const SaveFolderPlacement place =
            PlaceSaveFolderBesideRecover(m_recover.RectInParent(), m_saveFolderRect, m_browseRect);
        m_saveFolder.Move(place.box, true);
        m_browse.Move(place.browse, true);
    }
    m_saveFolder.Show(show);
    m_browse.Show(show);
}

}  // namespace workflow
