// The search: Next and the work folders, files an earlier search left,
// Cancel, and the end of the listing.
#include "workflow/session/recovery_session.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "settings/folders.h"
#include "settings/settings_file.h"
#include "workflow/engine/app_title.h"
#include "workflow/files/copy_names.h"
#include "workflow/engine/disk_image.h"
#include "workflow/engine/disk_warning.h"
#include "win/security_descriptor.h"
#include "workflow/engine/drive_list.h"
#include "workflow/engine/engine_run.h"
#include "workflow/session/held_work_folders.h"
#include "workflow/engine/engine_trust.h"
#include "workflow/engine/work_folder_access.h"
#include "workflow/files/extension_shift.h"
#include "workflow/files/folder_tree.h"
#include "workflow/scan/listing_rules.h"
#include "workflow/engine/scan_progress.h"
#include "workflow/session/recovery_session_copy_news.h"

namespace workflow {

namespace {

constexpr char kCompanyFolder[] = "Norvale";
constexpr char kProductFolder[] = "Vantreo";

}  // namespace

RecoverySession::RecoverySession(View& view)
    : m_view(view),
      m_ownedEngineRun(std::make_unique<EngineRun>()),
      m_engineRun(*m_ownedEngineRun),
      m_ownedHeldWorkFolders(std::make_unique<HeldWorkFolders>()),
      m_heldWorkFolders(*m_ownedHeldWorkFolders),
      m_copyReport(std::make_unique<CopyReport>(*this)),
      m_ownedCopy(std::make_unique<RecoveryCopy>(
          *m_copyReport, [this](const std::string& path) { return MayCleanUpAfterCopy(path); },
          [this] { m_view.WakeCopy(); })),
      m_copy(*m_ownedCopy),
      m_ownedCopyNews(std::make_unique<CopyNews>()),
      m_copyNews(*m_ownedCopyNews) {}

// The engine stops before the monitor and the copy go: its worker still
// tells the window of its end.
RecoverySession::~RecoverySession() {
    m_engineRun.Stop();
    m_engineRun.Join(INFINITE);
}

bool RecoverySession::Copying() const { return m_copy.Running(); }

int RecoverySession::CopyTotal() const { return m_copy.Total(); }

std::string RecoverySession::EngineFolder() {
    return JoinPath(JoinPath(settings::GetAppDataFolder(), kCompanyFolder), kProductFolder);
}

const std::vector<DriveInfo>& RecoverySession::ListDrives() {
    m_drives = workflow::ListDrives();
    m_drives.insert(m_drives.end(), m_images.begin(), m_images.end());
    m_appDataDisk = DiskOfPath(settings::GetAppDataFolder());
    return m_drives;
}

std::optional<size_t> RecoverySession::AddDiskImage(const std::string& path) {
    DiskImageCheck check = DescribeDiskImage(path);
    if (!check.image) {
        m_view.Tell(check.problem, kAppCaption, Mark::Warning);
        return std::nullopt;
    }
    // The same file opened again takes the place of its row, with its size as it is now.
    const std::string& key = check.image->Key();
    const auto sameFile = [&](const DriveInfo& drive) { return lstrcmpiA(drive.Key().c_str(), key.c_str()) == 0; };
    const auto known = std::find_if(m_images.begin(), m_images.end(), sameFile);
    if (known != m_images.end()) *known = *check.image;
    else m_images.push_back(*check.image);
    const auto row = std::find_if(m_drives.begin(), m_drives.end(), sameFile);
    if (row != m_drives.end()) {
        *row = *check.image;
        return static_cast<size_t>(row - m_drives.begin());
    }
    m_drives.push_back(*check.image);
    return m_drives.size() - 1;
}

bool RecoverySession::WaitForEngine() {
    // The wait answers messages, so clicks that arrive meanwhile must find the session busy.
    m_waitingForEngine = true;
    const bool ended = m_engineRun.Join(kEngineStopTimeoutMs);
    m_waitingForEngine = false;
    return ended;
}

void RecoverySession::Search(const std::string& driveKey) {
    if (m_waitingForEngine) return;
    // The clean-up after the last copy may still be deleting found files.
    m_copy.Stop();
    // A copy: the waits below answer messages, and Reload lists the drives anew.
    const auto found = std::find_if(m_drives.begin(), m_drives.end(),
                                    [&](const DriveInfo& drive) { return drive.Key() == driveKey; });
    if (found == m_drives.end()) {
        m_view.Tell("Error. Failed to find the disk.", kAppCaption, Mark::None);
        return;
    }
    const DriveInfo chosen = *found;
    // A worker of an earlier, cancelled scan may still be finishing; a new
    // scan starts only once it has.
    if (!WaitForEngine()) return;
    m_heldWorkFolders.Release();

    // Leftovers shown again start no engine and so show no search progress;
    // their copy is warned of by the disk of the drive chosen now, as a search's is.
    m_searchedDiskBytes.reset();
    // Nothing written beside an image can overwrite what is inside it: an
    // image has no disk to warn of.
    m_searchedDisk = chosen.IsImage() ? std::nullopt : MapVolumeToDisk(chosen.name);
    if (ShowLeftovers()) return;
    // An image that went, or was replaced, is never searched as something else.
    if (chosen.IsImage()) {
        if (std::optional<std::string> problem = DiskImageGoneOrChanged(chosen)) {
            m_view.Tell(*problem, kAppCaption, Mark::Warning);
            return;
        }
    }

    if (!ConfirmWritingOntoSearchedDisk(m_appDataDisk, kSearchOntoSearchedDiskQuestion)) return;
    const AskUser ask = [this](const std::string& question, const std::string& caption) {
        return m_view.Ask(question, caption, Mark::Question);
    };
    const TellUser tell = [this](const std::string& text) { m_view.Tell(text, kAppCaption, Mark::Warning); };
    if (!ConfirmEngine(EngineFolder(), ask, tell)) return;
    const std::optional<std::string> scanDir = PrepareWorkFolders();
    if (!scanDir) return;
    m_engineRun.Start(EngineInputs{EngineFolder(), *scanDir, chosen.device, settings::LoadFormatList()},
                      [this](const std::string& text) { m_view.TellFromEngine(text); });
    if (chosen.IsImage()) m_searchedDiskBytes = static_cast<uint64_t>(chosen.capacity);
    else if (m_searchedDisk) m_searchedDiskBytes = PhysicalDiskSize(*m_searchedDisk);
    ListFoundFiles();
}

void RecoverySession::ListFoundFiles() {
    ForgetEntries();
    m_copyRequestedTo.reset();
    m_view.GoTo(Screen::Analysing);
    m_monitor.Start([this](unsigned periodMs) { return m_view.RunTimer(SessionTimer::Listing, periodMs); },
                    m_dataDir, [this] { return m_engineRun.Running(); }, settings::GetAppDataFolder());
}

// Every write onto the disk being searched can overwrite a deleted file for good.
bool RecoverySession::ConfirmWritingOntoSearchedDisk(std::optional<uint32_t> disk, const char* question) {
    if (!WritesOntoSearchedDisk(m_searchedDisk, disk)) return true;
    return m_view.Ask(question, kAppCaption, Mark::Warning);
}

// Files of an earlier search that ended without clean-up are shown again
// instead of a new search, and the user is told so. True when Next ends here:
// leftovers are shown, or the work folders are links and nothing may be touched.
// The walk, the renames and the tests go through the handles of the data
// folder and the folders in it, never through a path that could lead elsewhere.
bool RecoverySession::ShowLeftovers() {
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
        m_view.Tell("Failed to rename \"" + *failed +
                        "\".\n\nClose any program that may hold it open, then press Next again.",
                    kAppCaption, Mark::Error);
    }
    // Leftovers that can never be listed (read-only, held open) must not
    // stand in for a new scan every time.
    if (!HasListableFiles(data, m_dataDir)) return false;
    m_view.Tell("Files found by an earlier search were not recovered yet and are shown instead of a new search."
                "\n\nOnce they are recovered or the program is closed, Next searches the chosen drive.",
                kAppCaption, Mark::Information);
    ListFoundFiles();
    return true;
}

// The folder the engine is told to write into (it writes into that name
// followed by ".1", ".2", ...); none when the work folders cannot be used.
// Each is made through the handle of the one above, so none is made, or
// reached, through a link. The data folder is made, or taken over, with a list
// that lets the user's own programs only read in it, and is held from now
// until the clean-up, so nobody can rename it or put a link in its place, nor
// make anything in it where the engine writes by path.
std::optional<std::string> RecoverySession::PrepareWorkFolders() {
    const std::string appData = settings::GetAppDataFolder();
    const std::string engineFolder = EngineFolder();
    std::string link;
    const std::optional<win::HeldFolder> engine = OpenHeldBelow(appData, engineFolder, true, &link);
    if (!engine) {
        if (!link.empty()) ReportLinkedFolder(link);
        else m_view.Tell("Failed to initialize data", "Quillon", Mark::None);
        return std::nullopt;
    }
    const std::string dataDir = JoinPath(engineFolder, "data");
    if (engine->IsLinkEntry(L"data")) {
        ReportLinkedFolder(dataDir);
        return std::nullopt;
    }
    const std::optional<win::SecurityDescriptor> access =
        win::SecurityDescriptor::FromText(SearchOutputAccess(win::CurrentUserSid()));
    std::optional<win::HeldFolder> data = access ? engine->OpenSecuredFolder(L"data", *access) : std::nullopt;
    if (!data) {
        m_view.Tell("Failed to initialize data", kAppCaption, Mark::None);
        return std::nullopt;
    }
    m_heldWorkFolders.HoldData(std::move(*data));
    m_dataDir = dataDir;

    std::string scanDir = m_dataDir + "\\temp";
    if (PathExists(scanDir)) {
        m_view.Tell("Internal error, error code: -1008", kAppCaption, Mark::None);
        scanDir += "_1";
    }
    return scanDir;
}

// Renames and deletes in the data folder must never reach through a junction
// or symbolic link to files elsewhere, at any level below the application-data folder.
bool RecoverySession::WorkFoldersArePlain() {
    std::string link;
    OpenHeldBelow(settings::GetAppDataFolder(), m_dataDir, false, &link);
    if (link.empty()) return true;
    ReportLinkedFolder(link);
    return false;
}

std::optional<win::HeldFolder> RecoverySession::OpenDataFolder() {
    std::string link;
    std::optional<win::HeldFolder> data = OpenHeldBelow(settings::GetAppDataFolder(), m_dataDir, false, &link);
    if (!link.empty()) ReportLinkedFolder(link);
    return data;
}

void RecoverySession::ReportLinkedFolder(const std::string& folder) {
    m_view.Tell("The folder \"" + folder +
                    "\" is a link to another place, so nothing is renamed or deleted in it.\n\n"
                    "Replace the link with a plain folder, then try again.",
                kAppCaption, Mark::Warning);
}

void RecoverySession::CancelSearch() {
    if (m_waitingForEngine) return;
    if (!m_view.Ask("Brisca is currently analyzing disk, are you sure you want to cancel?", "Confirm",
                    Mark::Question)) {
        return;
    }
    // The listing ended while the question was up: the window has left the
    // analysing screen already, for the results or the drives.
    if (!m_monitor.Listing()) return;
    m_engineRun.Stop();
    // The listing goes on to the end, so every file the engine wrote before it
    // stopped is listed, and every picture with its own thumbnail.
    m_monitor.SearchCancelled();
    m_view.GoTo(Screen::Results);
}

void RecoverySession::OnListingTick() {
    if (m_heldWorkFolders.Holding()) m_heldWorkFolders.HoldNewOutputFolders();
    m_monitor.OnTick();
    if (m_listingEnded) EndListing(*std::exchange(m_listingEnded, std::nullopt));
}

// The monitor animates only until Cancel, so neither the Recover prompt nor
// the note of a pending copy is overwritten.
void RecoverySession::ShowScanStatus(const std::string& text) { m_view.ShowStatus(text); }

// An engine that ended by itself has read the whole disk; one that failed or
// was cancelled has not.
void RecoverySession::ShowSearchProgress(uint64_t furthestSector) {
    if (!m_searchedDiskBytes) return;
    const bool searchedToTheEnd = !m_engineRun.Running() && !m_engineRun.Stopped() && !m_engineRun.Failed();
    m_view.ShowSearchProgress(searchedToTheEnd ? 1.0 : SearchProgress{furthestSector}.Fraction(*m_searchedDiskBytes));
}

void RecoverySession::ListingEnded(const std::vector<std::string>& unreadable) { m_listingEnded = unreadable; }

void RecoverySession::EndListing(const std::vector<std::string>& unreadable) {
    m_view.DrawEntries();
    m_stayingFiles.insert(unreadable.begin(), unreadable.end());
    std::optional<std::string> copyTo = std::exchange(m_copyRequestedTo, std::nullopt);
    if (m_photoRows.Count() == 0 && m_fileRows.Count() == 0 && unreadable.empty()) {
        // Nothing to choose from: a results screen would be a dead end, and
        // the message stands over the drives it leads back to.
        m_view.GoTo(Screen::Drives);
        m_view.Tell("No files were found.", kAppCaption, Mark::None);
        return;
    }
    m_view.GoTo(Screen::Results);
    ReportUnreadable(unreadable);
    if (copyTo) StartCopy(*copyTo);
}

void RecoverySession::ReportUnreadable(const std::vector<std::string>& unreadable) {
    if (unreadable.empty()) return;
    const size_t count = unreadable.size();
    const bool one = count == 1;
    m_view.Tell(std::to_string(count) +
                    (one ? " found file could not be read and is not listed. It stays"
                         : " found files could not be read and are not listed. They stay") +
                    " in \"" + m_dataDir + "\".\n\nClose any program that may hold " + (one ? "it" : "them") +
                    " open, or copy " + (one ? "it" : "them") + " from there yourself.",
                kAppCaption, Mark::Warning);
}

}  // namespace workflow
