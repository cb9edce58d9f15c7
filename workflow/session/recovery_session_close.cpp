// Closing and the clean-ups of the data folder. Closing deletes the whole
// folder, so it asks first whenever found files that were not recovered would
// go with it, whatever the window shows: listed files, files found but not
// listed yet, and files reported as staying.
#include <windows.h>

#include "workflow/copy/recovery_copy.h"
#include "workflow/engine/engine_run.h"
#include "workflow/files/folder_tree.h"
#include "workflow/scan/listing_rules.h"
#include "workflow/session/recovery_session.h"
#include "workflow/session/held_work_folders.h"

namespace workflow {

namespace {

// Those that could not be listed are named with the folder they are in, so
// the user can still copy them from there.
std::string UnrecoveredQuestion(int count, int staying, const std::string& folder) {
    std::string text = count == 1 ? std::string("1 found file has not been recovered yet. If you exit now it is deleted.")
                                  : std::to_string(count) +
                                        " found files have not been recovered yet. If you exit now they are deleted.";
    if (staying > 0) {
        const bool one = staying == 1;
        text += "\n\n" + (staying == count ? std::string(one ? "It" : "They") : std::to_string(staying) + " of them") +
                " could not be listed; " + (one ? "it is" : "they are") + " in \"" + folder + "\".";
    }
    return text + "\n\nExit anyway?";
}

}  // namespace

// Counted from what lies in the data folder when the question is asked, so a
// file counts whether it is listed, waiting for its thumbnail, walked and not
// looked at yet or not walked at all; only what was copied does not.
RecoverySession::Unrecovered RecoverySession::UnrecoveredFiles() const {
    Unrecovered files;
    if (m_dataDir.empty() || !PathExists(m_dataDir)) return files;
    std::unordered_set<std::string> copying;
    if (m_copy.Running()) {
        const CopyOutcome soFar = m_copy.SoFar();
        for (int row : soFar.copiedPhotos) copying.insert(m_photoRows.At(row)->path);
        for (int row : soFar.copiedFiles) copying.insert(m_fileRows.At(row)->path);
    }
    for (const std::string& path : FoundFilesIn(m_dataDir, m_monitor.ShownPreviewSectors())) {
        if (m_recoveredFiles.count(path) || copying.count(path)) continue;
        ++files.count;
        if (m_stayingFiles.count(path)) ++files.staying;
    }
    return files;
}

// One question in every mode: found files that would go unrecovered are
// counted; with none, a search under way is still asked about.
bool RecoverySession::Close() {
    if (m_waitingForEngine || m_closeAsked) return false;
    // A copy that ends while the question is up says so once it is answered:
    // on Yes nothing more is said of it.
    m_closeAsked = true;
    bool close = true;
    if (const Unrecovered files = UnrecoveredFiles(); files.count > 0) {
        close = m_view.Ask(UnrecoveredQuestion(files.count, files.staying, m_dataDir), "Confirm", Mark::Warning);
    } else if (m_engineRun.Running()) {
        close = m_view.Ask("Brisca is currently analyzing disk, are you sure you want to exist?", "Confirm",
                           Mark::Question);
    }
    m_closeAsked = false;
    if (!close) return false;
    m_engineRun.Stop();
    WaitForEngine();
    m_monitor.Abandon();
    // A copy stops at a file boundary (what is not named yet is deleted,
    // never left half written); a clean-up after a copy ends first.
    m_copy.Stop();
    m_view.RunTimer(SessionTimer::Copy, 0);
    CleanUpDataFolder();
    ForgetEntries();
    return true;
}

void RecoverySession::CleanUpDataFolder() {
    m_heldWorkFolders.Release();
    if (m_dataDir.empty()) return;
    if (std::optional<win::HeldFolder> data = OpenDataFolder()) RemoveTree(*data, m_dataDir, true);
}

void RecoverySession::ForgetEntries() {
    m_photoRows.Clear();
    m_foundPhotos.clear();
    m_duplicates = DuplicateIndex();
    m_contentRead.reset();
    m_fileRows.Clear();
    m_view.EntriesForgotten();
    m_monitor.ForgetEntries();
    m_recoveredFiles.clear();
    m_stayingFiles.clear();
}

}  // namespace workflow
