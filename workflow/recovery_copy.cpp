// Copies the ticked entries into the output folder, one per tick: photos
// first, then files, each group in list order.
//
// A copy never replaces a file of the output folder, and only files actually
// copied count as recovered. When any ticked file could not be copied, the
// data folder is kept and the window goes back to the results with just
// those files ticked, so the user can fix the cause and press Recover again.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <cstdio>

#include "workflow/app_title.h"
#include "workflow/copy_names.h"
#include "workflow/disk_warning.h"
#include "workflow/folder_tree.h"
#include "workflow/main_dialog.h"
#include "workflow/main_layout.h"
#include "workflow/scan_results.h"
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

    std::vector<int> photos = CheckedItems(m_photoList);
    std::vector<int> files = CheckedItems(m_fileList);
    if (photos.empty() && files.empty()) {
        MessageBoxA(hwnd_, "No files selected.\n\nPlease select files that you want to recover.",
                    ApplicationTitle().c_str(), MB_OK);
        return;
    }
    if (!ConfirmWritingOntoSearchedDisk(m_saveFolder.GetText(), kCopyOntoSearchedDiskQuestion)) {
        ShowSaveFolderInResults(true);  // another folder can be chosen right there
        return;
    }
    m_copy.Start(std::move(photos), std::move(files));

    m_progress.SetRange(0, m_copy.Total());
    m_progress.SetPosition(0);
    m_recover.Show(false);
    ShowSaveFolderInResults(false);
    m_progress.Show(true);
    m_progressText.Show(true);
    m_copyRunning = SetTimer(hwnd_, kCopyTimer, kTickMs, nullptr) != 0;
}

void MainDialog::CopyStep() {
    if (m_copy.Finished()) {
        KillTimer(hwnd_, kCopyTimer);
        m_copyRunning = false;
        FinishCopy();
        return;
    }
    const CopyEntry entry = *m_copy.Current();
    const std::string source = entry.photo
                                   ? *reinterpret_cast<const std::string*>(m_photoList.GetItemData(entry.item))
                                   : reinterpret_cast<const FoundItem*>(m_fileList.GetItemData(entry.item))->path;

    // A file that has gone cannot be recovered any more; it is not counted.
    if (!PathExists(source)) {
        m_copy.Skip();
        return;
    }

    const std::string folder = m_saveFolder.GetText();
    if (!PathExists(folder) && !CreateDirectoryA(folder.c_str(), nullptr)) {
        m_copyRunning = false;
        const std::string text = "Output directory \"" + folder + "\" does not exists.";
        TickMessage(kCopyTimer, kTickMs, false, text, kAppCaption, MB_OK);
        ReturnToResults();
        return;
    }

    m_copy.Record(CopyOneFile(source, folder));
    char progress[64];
    std::snprintf(progress, sizeof(progress), "Recovering file %d of %d", m_copy.Position(), m_copy.Total());
    SetLabelText(m_progressText, progress);
    m_progress.SetPosition(m_copy.Position());
}

// Copies under the file's own name, or the next free "name (n).ext"; never
// over an existing file. A destination too long for the system fails rather
// than being shortened into another name.
bool MainDialog::CopyOneFile(const std::string& source, const std::string& folder) {
    const std::string name = FileNameOf(source);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string destination = NextFreeDestination(folder, name, PathExists);
        if (destination.size() >= MAX_PATH) return false;
        if (CopyFileA(source.c_str(), destination.c_str(), TRUE)) return true;
        // Another file of that name appeared meanwhile: take the next free name.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

void MainDialog::FinishCopy() {
    const bool allCopied = !m_copy.AnyFailed();
    if (allCopied) {
        CleanUpListedFiles();
    } else {
        ReportFailedCopies();
    }

    char question[128];
    std::snprintf(question, sizeof(question), "%d files recovered.\n\nDo you want to view recovered files?",
                  m_copy.CopiedCount());
    if (MessageBoxA(hwnd_, question, kAppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
        const std::string folder = m_saveFolder.GetText();
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
        for (int item : m_copy.FailedItems(true)) m_photoList.SetCheck(item, true);
        for (int item : m_copy.FailedItems(false)) m_fileList.SetCheck(item, true);
        ReturnToResults();
        return;
    }

    ReturnToDriveSelection();
}

void MainDialog::ReportFailedCopies() {
    const size_t failed = m_copy.FailedItems(true).size() + m_copy.FailedItems(false).size();
    const std::string text = std::to_string(failed) + (failed == 1 ? " file" : " files") +
                             " could not be copied to \"" + m_saveFolder.GetText() +
                             "\".\n\nThe found files are kept and those not copied stay ticked. Free some space "
                             "or choose another folder, then press 'Recover' again.";
    MessageBoxA(hwnd_, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
}

// Back to the results screen after a copy that could not finish. What was
// copied is no longer ticked, so Recover again makes no second copy of it, and
// the save folder can be changed right there.
void MainDialog::ReturnToResults() {
    m_recoveredCount += m_copy.CopiedCount();
    for (int item : m_copy.CopiedItems(true)) m_photoList.SetCheck(item, false);
    for (int item : m_copy.CopiedItems(false)) m_fileList.SetCheck(item, false);
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
