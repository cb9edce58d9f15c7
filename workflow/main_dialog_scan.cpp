// The window's side of a scan: the entries the scan monitor hands over, the
// search bar, the end of the listing, and the file list's sort.
#include <windows.h>
#include <commctrl.h>

#include "workflow/app_title.h"
#include "workflow/main_dialog.h"
#include "workflow/scan_results.h"
#include "workflow/thumbnails.h"
#include "workflow/timer_ids.h"

namespace workflow {

int MainDialog::TickMessage(UINT_PTR timer, UINT periodMs, bool rearm, const std::string& text,
                            const std::string& caption, UINT type) {
    KillTimer(m_hwnd, timer);
    const int answer = MessageBoxA(m_hwnd, text.c_str(), caption.c_str(), type);
    if (rearm) SetTimer(m_hwnd, timer, periodMs, nullptr);
    return answer;
}

void MainDialog::AddPhotoEntry(const std::string* path, HBITMAP thumbnail) {
    AppendThumbnail(m_thumbnails, thumbnail);
    const int position = m_photoList.Count();
    // The entry's empty text comes by callback: stored, it would cost the list
    // about a kilobyte per photo.
    const int index = m_photoList.InsertItemWithCallbackText(position, position, reinterpret_cast<LPARAM>(path));
    m_photoList.SetCheck(index, true);
    m_photoList.EnsureVisible(index);
    if (m_photoList.Count() != m_thumbnails.Count()) {
        TickMessage(kListingTimer, kListingTickMs, true, "Photo items count error", ApplicationTitle(), MB_OK);
    }
}

void MainDialog::AddFileEntry(const FoundItem* item) {
    const int index = m_fileList.InsertItem(m_fileList.Count(), item->name, -1, reinterpret_cast<LPARAM>(item));
    m_fileList.SetItemText(index, 1, SizeText(item->size));
    m_fileList.SetItemText(index, 2, item->extension);
    m_fileList.SetCheck(index, true);
    m_fileList.EnsureVisible(index);
}

// The monitor animates only until Cancel, so neither the Recover prompt nor
// the note of a pending copy is overwritten.
void MainDialog::ShowScanStatus(const std::string& text) { SetLabelText(m_status, text); }

// An engine that ended by itself has read the whole disk; one that failed or
// was cancelled has not.
void MainDialog::ShowSearchProgress(uint64_t furthestSector) {
    if (!m_searchedDiskBytes || !m_progress.IsVisible()) return;
    const bool searchedToTheEnd = !m_engineRun.Running() && !m_engineRun.Stopped() && !m_engineRun.Failed();
    const double fraction =
        searchedToTheEnd ? 1.0 : SearchProgress{furthestSector}.Fraction(*m_searchedDiskBytes);
    const int position = static_cast<int>(fraction * kSearchProgressSteps);
    if (position > m_progress.Position()) m_progress.SetPosition(position);
}

void MainDialog::ListingEnded(const std::vector<std::string>& unreadable) {
    EnterResultsMode();
    ReportUnreadable(unreadable);
    if (m_photoList.Count() == 0 && m_fileList.Count() == 0 && unreadable.empty()) {
        // Nothing to choose from: a results screen would be a dead end.
        m_copyRequested = false;
        MessageBoxA(m_hwnd, "No files were found.", kAppCaption, MB_OK);
        ReturnToDriveSelection();
        return;
    }
    if (m_copyRequested) {
        m_copyRequested = false;
        StartCopy();
    }
}

void MainDialog::ReportUnreadable(const std::vector<std::string>& unreadable) {
    if (unreadable.empty()) return;
    const size_t count = unreadable.size();
    const std::string text =
        std::to_string(count) + (count == 1 ? " found file could not be read" : " found files could not be read") +
        " and " + (count == 1 ? "is" : "are") + " not listed. They stay in \"" + m_dataDir +
        "\".\n\nClose any program that may hold them open, or copy them from there yourself.";
    MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
}

// Drive selection as the program opened it; the lists keep their (hidden)
// entries until the next scan, and the drive list its selection.
void MainDialog::ReturnToDriveSelection() {
    m_progress.SetPosition(0);
    m_saveFolder.Move(m_saveFolderRect, false);
    m_browse.Move(m_browseRect, false);
    for (win::Window* control : std::initializer_list<win::Window*>{
             &m_progress, &m_progressText, &m_status, &m_photoList, &m_recover, &m_fileToggle, &m_photoToggle,
             &m_fileList}) {
        control->Show(false);
    }
    ShowDriveControls(true);
}

void MainDialog::EmptyResultLists() {
    if (m_photoList.Exists()) m_photoList.DeleteAll();
    if (m_fileList.Exists()) m_fileList.DeleteAll();
    m_monitor.ForgetEntries();
    m_recoveredFiles.clear();
    if (m_thumbnails.Handle()) m_thumbnails.RemoveAll();
}

namespace {
struct SortRequest {
    int column;
    bool descending;
};

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM request) {
    const auto& sort = *reinterpret_cast<const SortRequest*>(request);
    return CompareFoundItems(*reinterpret_cast<const FoundItem*>(first), *reinterpret_cast<const FoundItem*>(second),
                             sort.column, sort.descending);
}
}  // namespace

void MainDialog::SortFileList(int column) {
    // The copy holds item indexes; a sort would hand them to other entries.
    if (m_copyRunning) return;
    SortRequest request{column, m_sortDescending};
    m_fileList.SortItems(CompareRows, reinterpret_cast<LPARAM>(&request));
    m_sortDescending = !m_sortDescending;
}

}  // namespace workflow
