// The recovery copy as the window runs it: Recover, the output folder, the
// copy's progress and its end. The copy runs on its own thread; the window
// looks at it on a timer and never waits for it.
//
// When any ticked file could not be copied, the data folder is kept and the
// window goes back to the results with just those files ticked, so the user
// can fix the cause and press Recover again.
#include <windows.h>
#include <shellapi.h>

#include <variant>

#include "settings/settings_file.h"
#include "workflow/copy_destination.h"
#include "workflow/disk_warning.h"
#include "workflow/folder_tree.h"
#include "workflow/main_dialog.h"
#include "workflow/timer_ids.h"

namespace workflow {

// The engine's folder is emptied after a copy and on closing: copies made
// into it would go with it.
bool MainDialog::AcceptOutputFolder(const std::string& folder) {
    const std::string engineFolder = EngineFolder();
    if (!IsSameOrInside(folder, engineFolder)) return true;
    const std::string text = "The folder \"" + folder + "\" lies inside \"" + engineFolder +
                             "\", the program's working folder, which is emptied after a copy and on exit.\n\n"
                             "Please choose another folder to save recovered files.";
    MessageBoxA(m_hwnd, text.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    return false;
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

    if (m_photoRows.CheckedCount() == 0 && m_fileRows.CheckedCount() == 0) {
        MessageBoxA(m_hwnd, "No files selected.\n\nPlease select files that you want to recover.",
                    ApplicationTitle().c_str(), MB_OK);
        return;
    }
    if (!AcceptOutputFolder(m_saveFolder.GetText()) ||
        !ConfirmWritingOntoSearchedDisk(m_saveFolder.GetText(), kCopyOntoSearchedDiskQuestion)) {
        ShowSaveFolderInResults(true);  // another folder can be chosen right there
        return;
    }
    std::variant<CopyDestination, std::string> destination = OpenCopyDestination(m_saveFolder.GetText());
    if (const std::string* refusal = std::get_if<std::string>(&destination)) {
        MessageBoxA(m_hwnd, refusal->c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
        ShowSaveFolderInResults(true);
        return;
    }
    std::vector<CopyEntry> photos, files;
    for (int row : m_photoRows.CheckedIndexes()) {
        const FoundPhoto& photo = *m_photoRows.At(row);
        photos.push_back({row, photo.path, photo.fileSize ? std::optional<uint64_t>(photo.fileSize) : std::nullopt});
    }
    for (int row : m_fileRows.CheckedIndexes()) {
        const FoundItem& item = *m_fileRows.At(row);
        files.push_back({row, item.path, item.size});
    }
    RememberHiddenPhotos();
    const bool cleanUp = !m_dataDir.empty() && PathExists(m_dataDir) && WorkFoldersArePlain();
    m_copy.Start(std::move(photos), std::move(files), std::move(std::get<CopyDestination>(destination)), m_dataDir,
                 cleanUp);

    m_screen = Screen::Recovering;
    m_progress.SetRange(0, m_copy.Total());
    m_progress.SetPosition(0);
    m_recover.Show(false);
    ShowSaveFolderInResults(false);
    m_progress.Show(true);
    m_progressText.Show(true);
    SetTimer(m_hwnd, kCopyTimer, kCopyPollMs, nullptr);
}

void MainDialog::OnCopyProgress(int position, int total) {
    SetLabelText(m_progressText,
                 "Recovering file " + std::to_string(position) + " of " + std::to_string(total));
    m_progress.SetPosition(position);
}

// The copy's end, or its question, is looked at as soon as it comes, not at
// the next tick: a tick of the copy's timer is posted.
void MainDialog::LookAtCopySoon() { PostMessageA(m_hwnd, WM_TIMER, kCopyTimer, 0); }

// Nothing is written until the user has answered: the copy waits.
void MainDialog::OnDestinationShort(const std::string& tooLarge, const std::string& roomQuestion) {
    KillTimer(m_hwnd, kCopyTimer);
    if (!tooLarge.empty()) MessageBoxA(m_hwnd, tooLarge.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    if (!roomQuestion.empty() &&
        MessageBoxA(m_hwnd, roomQuestion.c_str(), kAppCaption, MB_YESNO | MB_ICONWARNING) != IDYES) {
        m_copy.Stop();
        ReturnToResults({});
        return;
    }
    if (!m_copy.Running()) return;  // the window was closed meanwhile
    m_copy.Continue();
    SetTimer(m_hwnd, kCopyTimer, kCopyPollMs, nullptr);
}

void MainDialog::OnCopyStopped(const std::string& message, const CopyOutcome& soFar) {
    KillTimer(m_hwnd, kCopyTimer);
    RecordRecovered(soFar);
    if (!message.empty()) MessageBoxA(m_hwnd, message.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);
    ReturnToResults(soFar);
}

void MainDialog::OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) {
    KillTimer(m_hwnd, kCopyTimer);
    RecordRecovered(outcome);
    const bool allCopied = failureReport.empty();
    if (!allCopied) MessageBoxA(m_hwnd, failureReport.c_str(), kAppCaption, MB_OK | MB_ICONWARNING);

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
        m_photoRows.SetAll(false);
        m_fileRows.SetAll(false);
        for (int row : outcome.failedPhotos) m_photoRows.SetChecked(row, true);
        for (int row : outcome.failedFiles) m_fileRows.SetChecked(row, true);
        ReturnToResults(outcome);
        return;
    }

    ReturnToDriveSelection();
}

// Back to the results screen after a copy that could not finish. What was
// copied is no longer ticked, so Recover again makes no second copy of it, and
// the save folder can be changed right there.
void MainDialog::ReturnToResults(const CopyOutcome& outcome) {
    for (int row : outcome.copiedPhotos) m_photoRows.SetChecked(row, false);
    for (int row : outcome.copiedFiles) m_fileRows.SetChecked(row, false);
    InvalidateRect(m_photoList.Handle(), nullptr, FALSE);
    InvalidateRect(m_fileList.Handle(), nullptr, FALSE);
    m_progress.SetPosition(0);
    m_progress.Show(false);
    EnterResultsMode();
    ShowSaveFolderInResults(true);
}

// What closing would no longer lose.
void MainDialog::RecordRecovered(const CopyOutcome& outcome) {
    for (int row : outcome.copiedPhotos) m_recoveredFiles.insert(m_photoRows.At(row)->path);
    for (int row : outcome.copiedFiles) m_recoveredFiles.insert(m_fileRows.At(row)->path);
}

}  // namespace workflow
