// The recovery copy as a session runs it: Recover, the output folder, the
// copy's progress and its end. The copy runs on its own thread; the session
// looks at it on a timer and never waits for it.
//
// When any checked file could not be copied, the data folder is kept and the
// results come back with just those files checked, so the user can fix the
// cause and press Recover again. When all were copied, pictures hidden as
// small go with the other found files only if the user says so; otherwise
// they stay, shown, for another Recover.
#include <algorithm>
#include <variant>

#include "workflow/engine/app_title.h"
#include "workflow/copy/copy_destination.h"
#include "workflow/engine/disk_warning.h"
#include "workflow/files/folder_tree.h"
#include "workflow/found/scan_results.h"
#include "workflow/session/recovery_session.h"
#include "workflow/session/held_work_folders.h"
#include "workflow/session/recovery_session_copy_news.h"

namespace workflow {

namespace {

// The copy's progress is shown at most this often; its end comes at most this late.
constexpr unsigned kCopyPollMs = 100;

}  // namespace

// The engine's folder is emptied after a copy and on closing: copies made
// into it would go with it.
bool RecoverySession::AcceptOutputFolder(const std::string& folder) {
    const std::string engineFolder = EngineFolder();
    if (!IsSameOrInside(folder, engineFolder)) return true;
    m_view.Tell("The folder \"" + folder + "\" lies inside \"" + engineFolder +
                    "\", the program's working folder, which is emptied after a copy and on exit.\n\n"
                    "Please choose another folder to save recovered files.",
                kAppCaption, Mark::Warning);
    return false;
}

// While the last files are still being listed, the copy waits for them and
// says so: it copies what is checked, and every listed file goes with the data folder.
void RecoverySession::Recover(const std::string& outputFolder) {
    if (m_copy.Running()) return;
    if (m_monitor.Listing()) {
        m_copyRequestedTo = outputFolder;
        m_view.ShowStatus(kWaitingForListingText);
        return;
    }
    StartCopy(outputFolder);
}

void RecoverySession::StartCopy(const std::string& outputFolder) {
    if (m_photoRows.CheckedCount() == 0 && m_fileRows.CheckedCount() == 0) {
        m_view.Tell("No files selected.\n\nPlease select files that you want to recover.", ApplicationTitle(),
                    Mark::None);
        return;
    }
    if (!AcceptOutputFolder(outputFolder) ||
        !ConfirmWritingOntoSearchedDisk(DiskOfPath(outputFolder), kCopyOntoSearchedDiskQuestion)) {
        m_view.OfferOtherFolder();  // another folder can be chosen right there
        return;
    }
    std::variant<CopyDestination, std::string> destination = OpenCopyDestination(outputFolder);
    if (const std::string* refusal = std::get_if<std::string>(&destination)) {
        m_view.Tell(*refusal, kAppCaption, Mark::Warning);
        m_view.OfferOtherFolder();
        return;
    }
    // The clean-up after the last copy may still read which photos were hidden.
    m_copy.Stop();
    std::vector<CopyEntry> photos, files;
    for (int row : m_photoRows.CheckedIndexes()) photos.push_back(PhotoToCopy(row));
    for (int row : m_fileRows.CheckedIndexes()) {
        const FoundItem& item = *m_fileRows.At(row);
        CopyEntry entry{row, item.path, item.size};
        entry.naming.foundName = item.name;
        entry.naming.extension = item.extension;
        entry.naming.damaged = item.damaged;
        entry.damage.engineMarked = item.damaged;
        files.push_back(std::move(entry));
    }
    RememberHiddenPhotos();
    // The engine has ended; the clean-up deletes the data folder itself.
    m_heldWorkFolders.Release();
    const bool cleanUp = !m_dataDir.empty() && PathExists(m_dataDir) && WorkFoldersArePlain();
    m_copyNews = {};
    // Nothing found goes before the user has said whether the hidden pictures go too.
    m_copy.Start(std::move(photos), std::move(files), std::move(std::get<CopyDestination>(destination)), m_dataDir,
                 cleanUp, !m_hiddenAtCopy.empty());
    m_view.GoTo(Screen::Recovering);
    m_view.RunTimer(SessionTimer::Copy, kCopyPollMs);
}

void RecoverySession::SetCopyChoices(const CopyChoices& choices) { m_copy.SetChoices(choices); }

// What the photo's name and its line in the record are made of.
CopyEntry RecoverySession::PhotoToCopy(int row) const {
    const FoundPhoto& photo = *m_photoRows.At(row);
    CopyEntry entry{row, photo.path, photo.fileSize ? std::optional<uint64_t>(photo.fileSize) : std::nullopt};
    NameFacts& naming = entry.naming;
    naming.foundName = FileNameOf(photo.path);
    naming.extension = ExtensionOf(photo.path);
    naming.photo = true;
    naming.taken = photo.facts.taken;
    naming.camera = photo.facts.camera;
    naming.damaged = photo.damage.Any();
    entry.width = photo.facts.width;
    entry.height = photo.facts.height;
    entry.damage = photo.damage;
    entry.timesFound = TimesFound(photo);
    if (photo.content != FoundPhoto::kNoContent) entry.sha256 = m_duplicates.DigestOf(photo.content);
    return entry;
}

void RecoverySession::OnCopyTick() {
    if (m_closeAsked) return;
    m_copy.Poll();
    if (m_copyNews.destinationShort) AskAboutDestination();
    else if (m_copyNews.ended) EndCopy();
}

void RecoverySession::OnCopyProgress(int position, int total) { m_view.ShowCopyProgress(position, total); }

void RecoverySession::OnDestinationShort(const DestinationShort& shortOf) { m_copyNews.destinationShort = shortOf; }

void RecoverySession::OnCopyStopped(const std::string& message, const CopyOutcome& soFar) {
    m_copyNews.ended = soFar;
    m_copyNews.finished = false;
    m_copyNews.message = message;
}

void RecoverySession::OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) {
    m_copyNews.ended = outcome;
    m_copyNews.finished = true;
    m_copyNews.message = failureReport;
}

// Nothing is written until the user has answered: the copy waits. When
// nothing fits, the copy goes on to copy nothing and returns to the results.
void RecoverySession::AskAboutDestination() {
    const DestinationShort shortOf = *std::exchange(m_copyNews, {}).destinationShort;
    m_view.RunTimer(SessionTimer::Copy, 0);
    if (!shortOf.tooLarge.empty()) m_view.Tell(shortOf.tooLarge, kAppCaption, Mark::Warning);
    if (!shortOf.room.empty() && !shortOf.fitsAny) m_view.Tell(shortOf.room, kAppCaption, Mark::Warning);
    if (!shortOf.room.empty() && shortOf.fitsAny && !m_view.Ask(shortOf.room, kAppCaption, Mark::Warning)) {
        m_copy.Stop();
        ReturnToResults({});
        return;
    }
    if (!m_copy.Running()) return;  // the window was closed meanwhile
    m_copy.Continue();
    m_view.RunTimer(SessionTimer::Copy, kCopyPollMs);
}

void RecoverySession::EndCopy() {
    const CopyNews news = std::exchange(m_copyNews, {});
    const CopyOutcome& outcome = *news.ended;
    m_view.RunTimer(SessionTimer::Copy, 0);
    RecordRecovered(outcome);
    if (!news.finished) {
        // A disk that filled up says so; a stop the user asked for does not.
        if (!news.message.empty()) m_view.Tell(news.message, kAppCaption, Mark::Warning);
        ReturnToResults(outcome);
        return;
    }
    // The files left out were named before the copy, and the failed ones are
    // named now: with nothing copied, there is nothing to view.
    if (!news.message.empty()) m_view.Tell(news.message, kAppCaption, Mark::Warning);
    // Every ticked file had gone from the working folder before its turn.
    if (outcome.CopiedCount() == 0 && outcome.FailedCount() == 0 && outcome.LeftOutCount() == 0)
        m_view.Tell("Nothing was recovered: the ticked files are no longer in the working folder.", kAppCaption,
                    Mark::Warning);
    if (outcome.CopiedCount() > 0 &&
        m_view.Ask(RecoveredQuestion(outcome.CopiedCount(), outcome.SameCount()), kAppCaption, Mark::Question))
        m_view.OpenFolder(m_copy.OutputFolder());
    if (outcome.FailedCount() == 0 && outcome.LeftOutCount() == 0) {
        EndCleanCopy(outcome);
        return;
    }
    // Only what was not copied stays checked, ready for another Recover.
    m_photoRows.SetAll(false);
    m_fileRows.SetAll(false);
    for (const std::vector<int>* rows : {&outcome.failedPhotos, &outcome.leftOutPhotos})
        for (int row : *rows) m_photoRows.SetChecked(row, true);
    for (const std::vector<int>* rows : {&outcome.failedFiles, &outcome.leftOutFiles})
        for (int row : *rows) m_fileRows.SetChecked(row, true);
    ReturnToResults(outcome);
}

// Every checked entry was copied. The found files go, and with them the
// hidden pictures if the user says so; kept, they are shown for another
// Recover. Either way nothing listed is left behind to stand in for the
// next search.
void RecoverySession::EndCleanCopy(const CopyOutcome& outcome) {
    if (!outcome.cleansUp || m_hiddenAtCopy.empty()) {
        m_view.GoTo(Screen::Drives);
        return;
    }
    if (m_view.Ask(HiddenPicturesQuestion(m_hiddenAtCopy.size()), kAppCaption, Mark::Question)) {
        m_hiddenAtCopy.clear();
        m_copy.CleanUp();
        m_view.GoTo(Screen::Drives);
        return;
    }
    m_copy.CleanUp();
    KeepOnlyHiddenPhotos();
    m_view.GoTo(Screen::Results);
    m_view.OfferOtherFolder();
}

// The clean-up deletes every other listed file: only the hidden pictures are
// left to list, shown now, as they were checked.
void RecoverySession::KeepOnlyHiddenPhotos() {
    std::erase_if(m_foundPhotos, [&](const FoundPhoto* photo) { return !m_hiddenAtCopy.count(photo->path); });
    m_fileRows.Clear();
    m_photoView.hideSmall = false;
    m_photoView.hideCopies = false;
    m_photoRows.Assign(Arrange(m_foundPhotos, m_photoView));
    m_view.PhotoViewChanged();
}

// Back to the results after a copy that could not finish. What was copied is
// no longer checked, so Recover again makes no second copy of it, and the
// output folder can be changed right there.
void RecoverySession::ReturnToResults(const CopyOutcome& outcome) {
    for (const std::vector<int>* rows : {&outcome.copiedPhotos, &outcome.samePhotos})
        for (int row : *rows) m_photoRows.SetChecked(row, false);
    for (const std::vector<int>* rows : {&outcome.copiedFiles, &outcome.sameFiles})
        for (int row : *rows) m_fileRows.SetChecked(row, false);
    m_view.ChecksChanged();
    m_view.GoTo(Screen::Results);
    m_view.OfferOtherFolder();
}

// What closing would no longer lose.
void RecoverySession::RecordRecovered(const CopyOutcome& outcome) {
    for (const std::vector<int>* rows : {&outcome.copiedPhotos, &outcome.samePhotos})
        for (int row : *rows) m_recoveredFiles.insert(m_photoRows.At(row)->path);
    for (const std::vector<int>* rows : {&outcome.copiedFiles, &outcome.sameFiles})
        for (int row : *rows) m_recoveredFiles.insert(m_fileRows.At(row)->path);
}

}  // namespace workflow
