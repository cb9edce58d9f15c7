// Starting and stopping a scan: Next, Cancel and the close request.
#include <windows.h>
#include <shlwapi.h>

#include "settings/folders.h"
#include "settings/settings_file.h"
#include "workflow/copy_names.h"
#include "workflow/disk_warning.h"
#include "workflow/main_layout.h"
#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"
#include "workflow/main_dialog.h"
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

    m_device = drive->device;
    m_searchedDisk = MapVolumeToDisk(drive->name);
    if (!ConfirmWritingOntoSearchedDisk(settings::GetAppDataFolder(), kSearchOntoSearchedDiskQuestion)) return;
    if (!PrepareWorkFolders()) return;
    m_engineRun.Start(m_hwnd, EngineInputs{EngineFolder(), m_scanDir, m_device, settings::LoadFormatList()});
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

bool MainDialog::PrepareWorkFolders() {
    const std::string engineFolder = EngineFolder();
    if (!EnsureFolder(engineFolder)) {
        MessageBoxA(m_hwnd, "Failed to initialize data", "Quillon", MB_OK);
        return false;
    }
    const std::string dataDir = JoinPath(engineFolder, "data");
    if (!EnsureFolder(dataDir)) {
        MessageBoxA(m_hwnd, "Failed to initialize data", kAppCaption, MB_OK);
        return false;
    }
    m_dataDir = dataDir;
    if (!WorkFoldersArePlain()) return false;

    m_scanDir = m_dataDir + "\\temp";
    if (PathExists(m_scanDir)) {
        MessageBoxA(m_hwnd, "Internal error, error code: -1008", kAppCaption, MB_OK);
        m_scanDir += "_1";
    }
    return true;
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
    } else if (m_copyRunning) {
        // The copy waits while the question is up, so it cannot finish behind it.
        KillTimer(m_hwnd, kCopyTimer);
        if (MessageBoxA(m_hwnd,
                        "Files are still being recovered, are you sure you want to exit?\n\n"
                        "Files not yet copied will be lost.",
                        "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES) {
            SetTimer(m_hwnd, kCopyTimer, kTickMs, nullptr);
            return;
        }
        m_copyRunning = false;
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

}  // namespace workflow
