// The main window's side of the search: Next and the work folders, Cancel,
// and the entries the scan monitor hands over until the listing ends.
#include <windows.h>

#include <algorithm>

#include "settings/folders.h"
#include "settings/settings_file.h"
#include "workflow/copy_names.h"
#include "workflow/disk_warning.h"
#include "workflow/engine_trust.h"
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

}  // namespace

std::string MainDialog::EngineFolder() {
    return JoinPath(JoinPath(settings::GetAppDataFolder(), kCompanyFolder), kProductFolder);
}

void MainDialog::OnNext() {
    if (m_waitingForEngine) return;
    // The clean-up after the last copy may still be deleting found files.
    m_copy.Stop();
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

    // Leftovers shown again start no engine and so show no search progress;
    // their copy is warned of by the disk of the drive chosen now, as a search's is.
    m_searchedDiskBytes.reset();
    m_searchedDisk = MapVolumeToDisk(drive->name);
    if (ShowLeftovers()) return;

    if (!ConfirmWritingOntoSearchedDisk(m_appDataDisk, kSearchOntoSearchedDiskQuestion)) return;
    if (!ConfirmEngine(m_hwnd, EngineFolder())) return;
    const std::optional<std::string> scanDir = PrepareWorkFolders();
    if (!scanDir) return;
    m_engineRun.Start(m_hwnd, EngineInputs{EngineFolder(), *scanDir, drive->device, settings::LoadFormatList()});
    if (m_searchedDisk) m_searchedDiskBytes = PhysicalDiskSize(*m_searchedDisk);
    EnterAnalysingMode();
    ShowSearchProgressBar();
}

// Every write onto the disk being searched can overwrite a deleted file for good.
bool MainDialog::ConfirmWritingOntoSearchedDisk(const std::string& folder, const char* question) {
    return ConfirmWritingOntoSearchedDisk(DiskOfPath(folder), question);
}

bool MainDialog::ConfirmWritingOntoSearchedDisk(std::optional<uint32_t> disk, const char* question) {
    if (!WritesOntoSearchedDisk(m_searchedDisk, disk)) return true;
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
// The walk, the renames and the tests go through the handles of the data
// folder and the folders in it, never through a path that could lead elsewhere.
bool MainDialog::ShowLeftovers() {
    m_dataDir = JoinPath(EngineFolder(), "data");
    std::string link;
    std::optional<win::HeldFolder> opened = OpenHeldBelow(settings::GetAppDataFolder(), m_dataDir, false, &link);
    if (!link.empty()) {
        ReportLinkedFolder(link);
        return true;
    }
    if (!opened) return false;
    const auto data = std::make_shared<const win::HeldFolder>(std::move(*opened));
    if (!TreeHasFile(data, m_dataDir)) return false;
    // A rename that fails leaves that one file as it is; the others are shown.
    if (auto failed = ShiftExtensionsDown(*data, m_dataDir)) {
        const std::string text = "Failed to rename \"" + *failed +
                                 "\".\n\nClose any program that may hold it open, then press Next again.";
        MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONERROR);
    }
    // Leftovers that can never be listed (read-only, held open) must not
    // stand in for a new scan every time.
    if (!HasListableFiles(data, m_dataDir)) return false;
    MessageBoxA(m_hwnd,
                "Files found by an earlier search were not recovered yet and are shown instead of a new search."
                "\n\nOnce they are recovered or the program is closed, Next searches the chosen drive.",
                kAppCaption, MB_OK | MB_ICONINFORMATION);
    EnterAnalysingMode();
    return true;
}

// The folder the engine is told to write into (it writes into that name
// followed by ".1", ".2", ...); none when the work folders cannot be used.
// Each is made through the handle of the one above, so none is made, or
// reached, through a link.
std::optional<std::string> MainDialog::PrepareWorkFolders() {
    const std::string appData = settings::GetAppDataFolder();
    const std::string engineFolder = EngineFolder();
    std::string link;
    if (!OpenHeldBelow(appData, engineFolder, true, &link)) {
        if (!link.empty()) ReportLinkedFolder(link);
        else MessageBoxA(m_hwnd, "Failed to initialize data", "Quillon", MB_OK);
        return std::nullopt;
    }
    const std::string dataDir = JoinPath(engineFolder, "data");
    if (!OpenHeldBelow(appData, dataDir, true, &link)) {
        if (!link.empty()) ReportLinkedFolder(link);
        else MessageBoxA(m_hwnd, "Failed to initialize data", kAppCaption, MB_OK);
        return std::nullopt;
    }
    m_dataDir = dataDir;

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
    std::string link;
    OpenHeldBelow(settings::GetAppDataFolder(), m_dataDir, false, &link);
    if (link.empty()) return true;
    ReportLinkedFolder(link);
    return false;
}

std::optional<win::HeldFolder> MainDialog::OpenDataFolder() {
    std::string link;
    std::optional<win::HeldFolder> data = OpenHeldBelow(settings::GetAppDataFolder(), m_dataDir, false, &link);
    if (!link.empty()) ReportLinkedFolder(link);
    return data;
}

void MainDialog::ReportLinkedFolder(const std::string& folder) {
    const std::string text = "The folder \"" + folder +
                             "\" is a link to another place, so nothing is renamed or deleted in it.\n\n"
                             "Replace the link with a plain folder, then try again.";
    MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
}

void MainDialog::CancelScan() {
    if (m_waitingForEngine) return;
    if (MessageBoxA(m_hwnd, "Brisca is currently analyzing disk, are you sure you want to cancel?", "Confirm",
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    // The listing ended while the question was up: the window has left the
    // analysing screen already, for the results or the drives.
    if (!m_monitor.Listing()) return;
    m_engineRun.Stop();
    // The listing goes on to the end, so every file the engine wrote before it
    // stopped is listed, and every picture with its own thumbnail.
    m_monitor.SearchCancelled();
    EnterResultsMode();
}

int MainDialog::TickMessage(UINT_PTR timer, UINT periodMs, bool rearm, const std::string& text,
                            const std::string& caption, UINT type) {
    KillTimer(m_hwnd, timer);
    const int answer = MessageBoxA(m_hwnd, text.c_str(), caption.c_str(), type);
    if (rearm) SetTimer(m_hwnd, timer, periodMs, nullptr);
    return answer;
}

void MainDialog::EndEntries(bool photosAdded, bool filesAdded) {
    m_newPhotos = m_newPhotos || photosAdded;
    m_newFiles = m_newFiles || filesAdded;
    if (!m_newPhotos && !m_newFiles) return;
    if (m_showTimerArmed) return;
    // Drawing comes as a message of its own, so that a tick's listing and a
    // drawing of the lists never hold the window's thread together. While
    // the engine writes files, nearly every tick lists some: drawn after each,
    // the lists' drawing took more of the window's thread than the listing.
    const ULONGLONG sinceShown = GetTickCount64() - m_entriesShownAt;
    const UINT delay = sinceShown < kEntriesShownEveryMs ? static_cast<UINT>(kEntriesShownEveryMs - sinceShown) : 0;
    SetTimer(m_hwnd, kShowEntriesTimer, std::max<UINT>(delay, USER_TIMER_MINIMUM), nullptr);
    m_showTimerArmed = true;
}

void MainDialog::ShowNewEntries() {
    KillTimer(m_hwnd, kShowEntriesTimer);
    m_showTimerArmed = false;
    SetRowCounts();
    ShowPhotoCounts();
    // In another order new photos take their places among the others, and
    // the list stays where the user is looking.
    if (m_newPhotos && m_photoView.order == PhotoOrder::Found) m_photoList.EnsureVisible(m_photoRows.Count() - 1);
    if (m_newFiles) m_fileList.EnsureVisible(m_fileRows.Count() - 1);
    m_newPhotos = m_newFiles = false;
    m_entriesShownAt = GetTickCount64();
}

// The monitor animates only until Cancel, so neither the Recover prompt nor
// the note of a pending copy is overwritten.
void MainDialog::ShowScanStatus(const std::string& text) { SetLabelText(m_status, text); }

// An engine that ended by itself has read the whole disk; one that failed or
// was cancelled has not.
void MainDialog::ShowSearchProgress(uint64_t furthestSector) {
    if (!m_searchedDiskBytes || m_screen != Screen::Analysing) return;
    const bool searchedToTheEnd = !m_engineRun.Running() && !m_engineRun.Stopped() && !m_engineRun.Failed();
    const double fraction =
        searchedToTheEnd ? 1.0 : SearchProgress{furthestSector}.Fraction(*m_searchedDiskBytes);
    const int position = static_cast<int>(fraction * kSearchProgressSteps);
    if (position > m_progress.Position()) m_progress.SetPosition(position);
}

void MainDialog::ListingEnded(const std::vector<std::string>& unreadable) {
    ShowNewEntries();
    m_stayingFiles.insert(unreadable.begin(), unreadable.end());
    if (m_photoRows.Count() == 0 && m_fileRows.Count() == 0 && unreadable.empty()) {
        // Nothing to choose from: a results screen would be a dead end, and
        // the message stands over the drives it leads back to.
        m_copyRequested = false;
        ReturnToDriveSelection();
        MessageBoxA(m_hwnd, "No files were found.", kAppCaption, MB_OK);
        return;
    }
    EnterResultsMode();
    ReportUnreadable(unreadable);
    if (m_copyRequested) {
        m_copyRequested = false;
        StartCopy();
    }
}

void MainDialog::ReportUnreadable(const std::vector<std::string>& unreadable) {
    if (unreadable.empty()) return;
    const size_t count = unreadable.size();
    const bool one = count == 1;
    const std::string text = std::to_string(count) + (one ? " found file could not be read and is not listed. It stays"
                                                          : " found files could not be read and are not listed. They stay") +
                             " in \"" + m_dataDir + "\".\n\nClose any program that may hold " + (one ? "it" : "them") +
                             " open, or copy " + (one ? "it" : "them") + " from there yourself.";
    MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
}

}  // namespace workflow
