// Closing the window and the clean-ups of the data folder. Closing deletes
// the whole folder, so it asks first whenever found files that were not
// recovered would go with it, whatever the window shows: listed files, files
// found but not listed yet, and files reported as staying.
#include <windows.h>

#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"
#include "workflow/main_dialog.h"
#include "workflow/timer_ids.h"

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

// Counted from the entries while the listed files lie in the data folder:
// listed and not copied, found and not listed yet, and those reported as
// staying. Once a copy has deleted the listed files, what is left is counted
// from the folder itself (a few leftovers at most).
MainDialog::Unrecovered MainDialog::UnrecoveredFiles() const {
    Unrecovered files;
    if (m_dataDir.empty() || !PathExists(m_dataDir)) return files;
    if (!m_listedFilesCleanedUp) {
        files.staying = static_cast<int>(m_stayingFiles.size());
        files.count = m_monitor.ListedCount() - static_cast<int>(m_recoveredFiles.size()) +
                      m_monitor.WaitingCount() + files.staying;
        return files;
    }
    for (const std::string& path : FoundFilesIn(m_dataDir)) {
        if (m_recoveredFiles.count(path)) continue;
        ++files.count;
        if (m_stayingFiles.count(path)) ++files.staying;
    }
    return files;
}

void MainDialog::ConfirmClose() {
    if (m_waitingForEngine) return;
    if (m_copy.Running()) {
        // The copy goes on while the question is up.
        if (MessageBoxA(m_hwnd,
                        "Files are still being recovered, are you sure you want to exit?\n\n"
                        "Files not yet copied will be lost.",
                        "Confirm", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    } else if (const Unrecovered files = UnrecoveredFiles(); files.count > 0) {
        const std::string text = UnrecoveredQuestion(files.count, files.staying, m_dataDir);
        if (MessageBoxA(m_hwnd, text.c_str(), "Confirm", MB_YESNO | MB_ICONWARNING) != IDYES) return;
    } else if (m_engineRun.Running()) {
        if (MessageBoxA(m_hwnd, "Brisca is currently analyzing disk, are you sure you want to exist?", "Confirm",
                        MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return;
        }
    }
    m_engineRun.Stop();
    m_waitingForEngine = true;
    m_engineRun.Join(kWorkerStopTimeoutMs);
    m_waitingForEngine = false;
    m_monitor.Abandon();
    // A copy stops at a file boundary (what is not named yet is deleted,
    // never left half written); a clean-up after a copy ends first.
    m_copy.Stop();
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
