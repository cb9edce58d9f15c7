// The main window's side of the recovery: Next and the work folders, Cancel
// and closing, the entries the scan monitor hands over, and the copy.
//
// When any ticked file could not be copied, the data folder is kept and the
// window goes back to the results with just those files ticked, so the user
// can fix the cause and press Recover again.
#include <windows.h>
#include <shellapi.h>

#include "settings/folders.h"
#include "settings/settings_file.h"
#include "workflow/copy_names.h"
#include "workflow/disk_warning.h"
#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"
#include "workflow/main_dialog.h"
#include "workflow/main_layout.h"
#include "workflow/scan_results.h"
#include "workflow/thumbnails.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

constexpr char kCompanyFolder[] = "Norvale";
constexpr char kProductFolder[] = "Vantreo";

std::string EngineFolder() {
    return JoinPath(JoinPath(settings::GetAppDataFolder(), kCompanyFolder), kProductFolder);
}

}  // namespace

void MainDialog::OnNext() {
    if (m_waitingForEngine) return;
    const int selected = m_driveList.FirstSelected();
    if (selected < 0) {
        MessageBoxA(m_hwnd, "Please select drive from where to recover files.", kAppCaption, MB_OK);
        return;
    }
    const std::string name = m_driveList.GetItemText(selected, 0);
    const DriveInfo* drive = nullptr;
    for (const DriveInfo& candidate : m_drives) {
        if (candidate.name == name) {
            drive = &candidate;
            break;
        }
    }
    if (!drive) {
        MessageBoxA(m_hwnd, "Error. Failed to find the disk.", kAppCaption, MB_OK);
        return;
    }

    // A worker of an earlier, cancelled scan may still be finishing; a new
    // scan starts only once it has. The wait answers messages, so clicks that
    // arrive meanwhile must find the window busy.
    m_waitingForEngine = true;
    const bool workerEnded = m_engineRun.Join(kWorkerStopTimeoutMs);
    m_waitingForEngine = false;
    if (!workerEnded) return;

    // Leftovers shown again start no engine and so show no search progress.
    m_searchedDiskBytes.reset();
    if (ShowLeftovers()) return;

    m_searchedDisk = MapVolumeToDisk(drive->name);
    if (!ConfirmWritingOntoSearchedDisk(settings::GetAppDataFolder(), kSearchOntoSearchedDiskQuestion)) return;
    const std::optional<std::string> scanDir = PrepareWorkFolders();
    if (!scanDir) return;
    m_engineRun.Start(m_hwnd, EngineInputs{EngineFolder(), *scanDir, drive->device, settings::LoadFormatList()});
    if (m_searchedDisk) m_searchedDiskBytes = PhysicalDiskSize(*m_searchedDisk);
    EnterAnalysingMode();
    ShowSearchProgressBar();
}

// Every write onto the disk being searched can overwrite a deleted file for good.
bool MainDialog::ConfirmWritingOntoSearchedDisk(const std::string& folder, const char* question) {
    if (!WritesOntoSearchedDisk(m_searchedDisk, DiskOfPath(folder))) return true;
    return MessageBoxA(m_hwnd, question, kAppCaption, MB_YESNO | MB_ICONWARNING) == IDYES;
}

// A slim bar below the Cancel row, as wide as the lists; none when the disk's size is unknown.
void MainDialog::ShowSearchProgressBar() {
    if (!m_searchedDiskBytes) return;
    RECT client{};
    GetClientRect(m_hwnd, &client);
    m_progress.Move(ScanProgressBarRect(m_recover.RectInParent(), m_fileList.RectInParent(), client), true);
    m_progress.SetRange(0, kSearchProgressSteps);
    m_progress.SetPosition(0);
    m_progress.Show(true);
}

// Files of an earlier search that ended without clean-up are shown again
// instead of a new search, and the user is told so. True when Next ends here:
// leftovers are shown, or the work folders are links and nothing may be touched.
bool MainDialog::ShowLeftovers() {
    m_dataDir = JoinPath(EngineFolder(), "data");
    if (!PathExists(m_dataDir)) return false;
    if (!WorkFoldersArePlain()) return true;
    if (!TreeHasFile(m_dataDir)) return false;
    // A rename that fails leaves that one file as it is; the others are shown.
    if (auto failed = ShiftExtensionsDown(m_dataDir)) {
        const std::string text = "Failed to rename \"" + *failed +
                                 "\".\n\nClose any program that may hold it open, then press Next again.";
        MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONERROR);
    }
    // Leftovers that can never be listed (read-only, held open) must not
    // stand in for a new scan every time.
    if (!HasListableFiles(m_dataDir)) return false;
    MessageBoxA(m_hwnd,
                "Files found by an earlier search were not recovered yet and are shown instead of a new search."
                "\n\nOnce they are recovered or the program is closed, Next searches the chosen drive.",
                kAppCaption, MB_OK | MB_ICONINFORMATION);
    EnterAnalysingMode();
    return true;
}

// The folder the engine is told to write into (it writes into that name
// followed by ".1", ".2", ...); none when the work folders cannot be used.
std::optional<std::string> MainDialog::PrepareWorkFolders() {
    const std::string engineFolder = EngineFolder();
    if (!EnsureFolder(engineFolder)) {
        MessageBoxA(m_hwnd, "Failed to initialize data", "Quillon", MB_OK);
        return std::nullopt;
    }
    const std::string dataDir = JoinPath(engineFolder, "data");
    if (!EnsureFolder(dataDir)) {
        MessageBoxA(m_hwnd, "Failed to initialize data", kAppCaption, MB_OK);
        return std::nullopt;
    }
    m_dataDir = dataDir;
    if (!WorkFoldersArePlain()) return std::nullopt;

    std::string scanDir = m_dataDir + "\\temp";
    if (PathExists(scanDir)) {
        MessageBoxA(m_hwnd, "Internal error, error code: -1008", kAppCaption, MB_OK);
        scanDir += "_1";
    }
    return scanDir;
}

// Renames and deletes in the data folder must never reach through a junction
// or symbolic link to files elsewhere, at any level below the application-data folder.
bool MainDialog::WorkFoldersArePlain() {
    const std::string company = JoinPath(settings::GetAppDataFolder(), kCompanyFolder);
    for (const std::string& folder : {company, JoinPath(company, kProductFolder), m_dataDir}) {
        if (!IsLinkPath(folder)) continue;
        const std::string text = "The folder \"" + folder +
                                 "\" is a link to another place, so nothing is renamed or deleted in it.\n\n"
                                 "Replace the link with a plain folder, then try again.";
        MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
        return false;
    }
    return true;
}

void MainDialog::CancelScan() {
    if (m_waitingForEngine) return;
    if (MessageBoxA(m_hwnd, "Brisca is currently analyzing disk, are you sure you want to cancel?", "Confirm",
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    m_engineRun.Stop();
    // The listing goes on to the end, so every file the engine wrote before it
    // stopped is listed; pictures the thumbnail workers have not reached show
    // the placeholder.
    m_monitor.StopThumbnails();
    EnterResultsMode();
}

// Found files not copied yet are deleted with the data folder when the
// window closes; while they are shown, closing asks first.
int MainDialog::UnrecoveredCount() const {
    if (!m_photoList.IsVisible() && !m_fileList.IsVisible()) return 0;
    return m_monitor.ListedCount() - static_cast<int>(m_recoveredFiles.size());
}

void MainDialog::ConfirmClose() {
    if (m_waitingForEngine) return;
    if (m_engineRun.Running()) {
        if (MessageBoxA(m_hwnd, "Brisca is currently analyzing disk, are you sure you want to exist?", "Confirm",
                        MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return;
        }
    } else if (m_copy.Running()) {
        // The copy waits while the question is up, so it cannot finish behind it.
        KillTimer(m_hwnd, kCopyTimer);
        if (MessageBoxA(m_hwnd,
                        "Files are still being recovered, are you sure you want to exit?\n\n"
                        "Files not yet copied will be lost.",
                        "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            SetTimer(m_hwnd, kCopyTimer, kTickMs, nullptr);
            return;
        }
    } else if (const int unrecovered = UnrecoveredCount(); unrecovered > 0) {
        const std::string text = std::to_string(unrecovered) +
                                 " found files have not been recovered yet. If you exit now they are deleted."
                                 "\n\nExit anyway?";
        if (MessageBoxA(m_hwnd, text.c_str(), "Confirm", MB_YESNO | MB_ICONWARNING) != IDYES) return;
    }
    m_engineRun.Stop();
    m_waitingForEngine = true;
    m_engineRun.Join(kWorkerStopTimeoutMs);
    m_waitingForEngine = false;
    m_monitor.Abandon();
    KillTimer(m_hwnd, kCopyTimer);
    CleanUpDataFolder();
    EmptyResultLists();
    End(IDCANCEL);
}

void MainDialog::CleanUpDataFolder() {
    if (m_dataDir.empty() || !PathExists(m_dataDir) || !WorkFoldersArePlain()) return;
    RemoveTree(m_dataDir, true);
}

int MainDialog::TickMessage(UINT_PTR timer, UINT periodMs, bool rearm, const std::string& text,
                            const std::string& caption, UINT type) {
    KillTimer(m_hwnd, timer);
    const int answer = MessageBoxA(m_hwnd, text.c_str(), caption.c_str(), type);
    if (rearm) SetTimer(m_hwnd, timer, periodMs, nullptr);
    return answer;
}

// Under Wine every insert into a visible list redraws its scroll bar at
// once, which costs milliseconds; with drawing off, a tick's batch is drawn
// once, and only the newest entry of each list is scrolled into view.
void MainDialog::BeginEntries() {
    m_photoList.SetRedraw(false);
    m_fileList.SetRedraw(false);
}

void MainDialog::EndEntries(bool photosAdded, bool filesAdded) {
    m_photoList.SetRedraw(true);
    m_fileList.SetRedraw(true);
    if (photosAdded) m_photoList.EnsureVisible(m_photoList.Count() - 1);
    if (filesAdded) m_fileList.EnsureVisible(m_fileList.Count() - 1);
}

void MainDialog::AddPhotoEntry(const FoundPhoto* photo, HBITMAP thumbnail) {
    AppendThumbnail(m_thumbnails, thumbnail);
    const int position = m_photoList.Count();
    // The entry's text ("Damaged" or none) comes by callback: stored, it would
    // cost the list about a kilobyte per photo.
    const int index = m_photoList.InsertItemWithCallbackText(position, position + m_removedPhotoEntries,
                                                             reinterpret_cast<LPARAM>(photo));
    m_photoList.SetCheck(index, true);
    if (m_photoList.Count() + m_removedPhotoEntries != m_thumbnails.Count()) {
        TickMessage(kListingTimer, kListingTickMs, true, "Photo items count error", ApplicationTitle(), MB_OK);
    }
}

void MainDialog::AddFileEntry(const FoundItem* item) {
    const int index = m_fileList.InsertItem(m_fileList.Count(), item->name, -1, reinterpret_cast<LPARAM>(item));
    m_fileList.SetItemText(index, 1, SizeText(item->size));
    m_fileList.SetItemText(index, 2, item->extension);
    // A piece the engine found damaged (a broken file system, an archive cut
    // short) is shown, but copied only when the user ticks it.
    m_fileList.SetCheck(index, !item->damaged);
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

void MainDialog::StartCopy() {
    if (m_copy.Running()) return;
    // While the last files are still being listed, the copy waits for them and
    // says so: it copies what is ticked, and every listed file goes with the data folder.
    if (m_monitor.Listing()) {
        m_copyRequested = true;
        SetLabelText(m_status, kWaitingForListingText);
        return;
    }

    std::vector<CopyEntry> photos, files;
    for (int item : m_photoList.CheckedItems())
        photos.push_back({item, reinterpret_cast<const FoundPhoto*>(m_photoList.GetItemData(item))->path});
    for (int item : m_fileList.CheckedItems())
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
    m_copy.Start(std::move(photos), std::move(files), m_saveFolder.GetText(), m_dataDir);

    m_progress.SetRange(0, m_copy.Total());
    m_progress.SetPosition(0);
    m_recover.Show(false);
    ShowSaveFolderInResults(false);
    m_progress.Show(true);
    m_progressText.Show(true);
    SetTimer(m_hwnd, kCopyTimer, kTickMs, nullptr);
}

void MainDialog::OnCopyProgress(int position, int total) {
    SetLabelText(m_progressText,
                 "Recovering file " + std::to_string(position) + " of " + std::to_string(total));
    m_progress.SetPosition(position);
}

void MainDialog::OnCopyStopped(const std::string& message, const CopyOutcome& soFar) {
    TickMessage(kCopyTimer, kTickMs, false, message, kAppCaption, MB_OK);
    ReturnToResults(soFar);
}

void MainDialog::OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) {
    KillTimer(m_hwnd, kCopyTimer);
    const bool allCopied = failureReport.empty();
    if (allCopied) {
        CleanUpAfterCopy();
    } else {
        MessageBoxA(m_hwnd, failureReport.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    }

    const std::string question =
        std::to_string(outcome.CopiedCount()) + " files recovered.\n\nDo you want to view recovered files?";
    if (MessageBoxA(m_hwnd, question.c_str(), kAppCaption, MB_YESNO | MB_ICONQUESTION) == IDYES) {
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
        m_photoList.SetCheckAll(false);
        m_fileList.SetCheckAll(false);
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
        m_recoveredFiles.insert(reinterpret_cast<const FoundPhoto*>(m_photoList.GetItemData(item))->path);
    for (int item : outcome.copiedFiles)
        m_recoveredFiles.insert(reinterpret_cast<const FoundItem*>(m_fileList.GetItemData(item))->path);
    for (int item : outcome.copiedPhotos) m_photoList.SetCheck(item, false);
    for (int item : outcome.copiedFiles) m_fileList.SetCheck(item, false);
    m_progress.SetPosition(0);
    m_progress.Show(false);
    EnterResultsMode();
    ShowSaveFolderInResults(true);
}

}  // namespace workflow
