#pragma once
// One search and what comes of it, without a window: the data folder and the
// engine's run, the scan monitor and the entries it lists with their checks,
// the recovery copy, and the rules that say what may be deleted and what the
// close question says. The window drives it with plain calls and shows what
// it reports through View.
//
// Threads: every public method is called on the window's thread, and every
// View method is called there too, except WakeCopy (the copy's worker) and
// TellFromEngine (the engine's worker). The copy's worker also reads
// m_hiddenAtCopy and the monitor's listed files through MayCleanUpAfterCopy;
// neither changes while a copy or its clean-up runs (a clean-up that waits
// for the user's word reads nothing until it is told to start).
//
// The monitor and the copy report from inside OnListingTick and OnCopyTick.
// Their callbacks only record what happened: every question and message that
// follows is asked once the callback has returned, so no nested message loop
// runs inside them.
//
// The header brings in no platform header: the engine's run and the copy,
// which hold handles and threads, are held through pointers and named only
// here, so a view written against this header needs none either.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "workflow/copy/copy_choices.h"
#include "workflow/found/duplicate_index.h"
#include "workflow/found/found_item.h"
#include "workflow/found/photo_view.h"
#include "workflow/found/result_rows.h"
#include "workflow/scan/scan_monitor.h"
#include "workflow/session/screen.h"

namespace win {
class HeldFolder;
}

namespace workflow {

struct DriveInfo;
class EngineRun;
class HeldWorkFolders;
class RecoveryCopy;
struct CopyOutcome;
struct CopyEntry;
struct DestinationShort;

inline constexpr char kWaitingForListingText[] =
    "Listing the last files found; the copy starts as soon as all are listed.";

// The sign a message box shows beside its text.
enum class Mark { None, Information, Warning, Error, Question };

// The two timers a session runs on.
enum class SessionTimer { Listing, Copy };

class RecoverySession : private ScanMonitor::Listener {
public:
    class View {
    public:
        virtual void GoTo(Screen screen) = 0;
        virtual void Tell(const std::string& text, const std::string& caption, Mark mark) = 0;
        // True for Yes.
        virtual bool Ask(const std::string& text, const std::string& caption, Mark mark) = 0;
        // On the engine's worker: a message owned by the window, closed when
        // the run is joined.
        virtual void TellFromEngine(const std::string& text) = 0;
        // The timer comes back as OnListingTick or OnCopyTick every
        // `periodMs`, the first after that long; 0 stops it. False when it
        // cannot be set.
        virtual bool RunTimer(SessionTimer timer, unsigned periodMs) = 0;
        // On the copy's worker: OnCopyTick should come now, not at the next tick.
        virtual void WakeCopy() = 0;

        // False when the window cannot hold the photo's thumbnail: the photo is not listed.
        virtual bool HoldThumbnail(FoundPhoto& photo, const ThumbnailImage& thumbnail) = 0;
        // A batch of entries ended; those added may be drawn later.
        virtual void EntriesAdded(bool photos, bool files) = 0;
        // The entries added so far are drawn now.
        virtual void DrawEntries() = 0;
        virtual void PhotoRowChanged(int row) = 0;
        virtual void FileRowChanged(int row) = 0;
        virtual void PhotoRowRemoved(int row) = 0;
        virtual void FileRowRemoved(int row) = 0;
        // Checks of both lists changed.
        virtual void ChecksChanged() = 0;
        // Every entry went: so does what the window holds for them.
        virtual void EntriesForgotten() = 0;
        // The session changed the photo view, and with it the rows of both
        // lists: the window shows the choices and the rows anew.
        virtual void PhotoViewChanged() = 0;
        virtual void ShowStatus(const std::string& text) = 0;
        // How much of the disk the engine has read, from 0 to 1.
        virtual void ShowSearchProgress(double fraction) = 0;
        virtual void ShowCopyProgress(int position, int total) = 0;
        virtual void OpenFolder(const std::string& folder) = 0;
        // The results show the output folder and Browse, to choose another one.
        virtual void OfferOtherFolder() = 0;

    protected:
        ~View() = default;
    };

    explicit RecoverySession(View& view);
    ~RecoverySession();
    RecoverySession(const RecoverySession&) = delete;
    RecoverySession& operator=(const RecoverySession&) = delete;

    // %APPDATA%\Norvale\Vantreo: the engine, and the data folder below it.
    static std::string EngineFolder();

    // The drives to choose from, then the disk images added; also learns the
    // disk the engine's folder is on.
    const std::vector<DriveInfo>& ListDrives();
    const std::vector<DriveInfo>& Drives() const { return m_drives; }
    // A disk image as one more row of the drives (the row it already has
    // when it was added before); none, after telling the user why, when the
    // file cannot be searched.
    std::optional<size_t> AddDiskImage(const std::string& path);
    // Next with the row whose Key() is `driveKey` chosen: files an earlier
    // search left are shown again, or the engine is started on the drive's
    // disk or on the image.
    void Search(const std::string& driveKey);
    // The data folder as it stands is listed, on the analysing screen.
    void ListFoundFiles();
    // Cancel, once the user agrees: the engine stops, the listing goes on to the end.
    void CancelSearch();
    // Recover: the checked entries are copied into `outputFolder`; while the
    // listing goes on, once it has ended.
    void Recover(const std::string& outputFolder);
    // False, after telling the user, for a folder inside the engine's folder.
    bool AcceptOutputFolder(const std::string& folder);
    // The close box: true, with everything stopped and the data folder
    // cleaned up, when the window may go.
    bool Close();

    void OnListingTick();
    void OnCopyTick();

    // The entries in list order, with their checks.
    const ResultRows<FoundPhoto>& PhotoRows() const { return m_photoRows; }
    const ResultRows<FoundItem>& FileRows() const { return m_fileRows; }
    size_t FoundPhotoCount() const { return m_foundPhotos.size(); }
    // A click on a box or Space: the first entry flips, the others follow it.
    void CheckPhotos(const std::vector<int>& rows);
    void CheckFiles(const std::vector<int>& rows);
    void CheckAllPhotos(bool checked) { m_photoRows.SetAll(checked); }
    void CheckAllFiles(bool checked) { m_fileRows.SetAll(checked); }
    const PhotoView& GetPhotoView() const { return m_photoView; }
    // The photo rows anew, as `view` shows them.
    void SetPhotoView(const PhotoView& view);
    // False while a copy runs: it holds row indexes.
    bool SortFiles(int column);
    // How many photos found hold the photo's bytes, as far as known.
    uint32_t TimesFound(const FoundPhoto& photo) const;
    // How the next copies name files and whether they write recovered.csv.
    void SetCopyChoices(const CopyChoices& choices);

    // An engine is being waited for: Next, Cancel and Close wait too.
    bool Busy() const { return m_waitingForEngine; }
    bool Copying() const;
    int CopyTotal() const;
    // The search's progress can be shown: the searched disk's size is known.
    bool ShowsSearchProgress() const { return m_searchedDiskBytes.has_value(); }
    const std::string& DataFolder() const { return m_dataDir; }

private:
    // Found files that closing would delete unrecovered, and how many of them
    // were reported as staying.
    struct Unrecovered {
        int count = 0;
        int staying = 0;
    };
    Unrecovered UnrecoveredFiles() const;
    bool ShowLeftovers();
    std::optional<std::string> PrepareWorkFolders();
    bool WorkFoldersArePlain();
    // The data folder, reached from the application-data folder one folder at
    // a time; a folder on the way that is a link is reported.
    std::optional<win::HeldFolder> OpenDataFolder();
    void ReportLinkedFolder(const std::string& folder);
    bool ConfirmWritingOntoSearchedDisk(std::optional<uint32_t> disk, const char* question);
    // The engine of an earlier search has ended; false when it is still running.
    bool WaitForEngine();
    void ForgetEntries();
    void CleanUpDataFolder();

    void EndListing(const std::vector<std::string>& unreadable);
    void ReportUnreadable(const std::vector<std::string>& unreadable);
    void StartCopy(const std::string& outputFolder);
    CopyEntry PhotoToCopy(int row) const;
    void AskAboutDestination();
    void EndCopy();
    void ReturnToResults(const CopyOutcome& outcome);
    void EndCleanCopy(const CopyOutcome& outcome);
    void KeepOnlyHiddenPhotos();
    void RecordRecovered(const CopyOutcome& outcome);
    void AddFoundPhoto(FoundPhoto* photo);
    void OfferNextOfContent(const FoundPhoto& gone);
    void RememberHiddenPhotos();
    bool MayCleanUpAfterCopy(const std::string& path) const;

    // ScanMonitor::Listener
    bool AddPhotoEntry(FoundPhoto* photo, const ThumbnailImage& thumbnail) override;
    void PhotoContentRead(const FoundPhoto& photo, const imaging::Sha256Digest& digest) override;
    void AddFileEntry(FoundItem* item) override;
    void PhotoEntryChanged(const FoundPhoto* photo) override;
    void FileEntryChanged(const FoundItem* item) override;
    void RemovePhotoEntry(const FoundPhoto* photo) override;
    void RemoveFileEntry(const FoundItem* item) override;
    void EndEntries(bool photosAdded, bool filesAdded) override;
    void ShowScanStatus(const std::string& text) override;
    void ShowSearchProgress(uint64_t furthestSector) override;
    void ListingEnded(const std::vector<std::string>& unreadable) override;
    // What the copy reports, through CopyReport (recovery_session_copy_news.h).
    class CopyReport;
    void OnCopyProgress(int position, int total);
    void OnDestinationShort(const DestinationShort& shortOf);
    void OnCopyStopped(const std::string& message, const CopyOutcome& soFar);
    void OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport);

    View& m_view;
    std::unique_ptr<EngineRun> m_ownedEngineRun;
    EngineRun& m_engineRun;  // *m_ownedEngineRun
    std::string m_dataDir;
    std::unique_ptr<HeldWorkFolders> m_ownedHeldWorkFolders;
    HeldWorkFolders& m_heldWorkFolders;  // *m_ownedHeldWorkFolders
    std::vector<DriveInfo> m_drives;
    // Disk images the user added, kept when the drives are listed again.
    std::vector<DriveInfo> m_images;
    std::optional<uint32_t> m_searchedDisk;  // physical disk of the chosen drive; none for an image
    // Physical disk of the engine's folder, read when the drives are listed
    // rather than at each Next: finding it is slow.
    std::optional<uint32_t> m_appDataDisk;
    // How far the search has got is shown while the engine runs when the disk's size is known.
    std::optional<uint64_t> m_searchedDiskBytes;
    bool m_waitingForEngine = false;
    // The close question is up.
    bool m_closeAsked = false;
    // How long Next and Close wait for an engine told to stop.
    static constexpr unsigned kEngineStopTimeoutMs = 10000;

    // The entries in list order; the monitor owns them.
    ResultRows<FoundPhoto> m_photoRows;
    // Every photo listed, in found order; m_photoRows holds those m_photoView shows.
    std::vector<FoundPhoto*> m_foundPhotos;
    PhotoView m_photoView;
    // The listed photos whose bytes were hashed, in found order: which are copies.
    DuplicateIndex m_duplicates;
    // The digest handed over for the photo being added, until it is listed.
    std::optional<std::pair<const FoundPhoto*, imaging::Sha256Digest>> m_contentRead;
    ResultRows<FoundItem> m_fileRows;
    bool m_sortDescending = false;  // direction of the next file-list sort

    ScanMonitor m_monitor{*this};
    // Set by the monitor's last callback; the tick that called it ends the listing.
    std::optional<std::vector<std::string>> m_listingEnded;
    // Recover was pressed while the last files were still being listed.
    std::optional<std::string> m_copyRequestedTo;

    std::unique_ptr<CopyReport> m_copyReport;
    // Found files go with the data folder after a copy only once listed, and
    // with them the previews of listed photos and the engine's log.
    std::unique_ptr<RecoveryCopy> m_ownedCopy;
    RecoveryCopy& m_copy;  // *m_ownedCopy
    // What the copy reported in its last Poll, dealt with once Poll has returned.
    struct CopyNews;
    std::unique_ptr<CopyNews> m_ownedCopyNews;
    CopyNews& m_copyNews;  // *m_ownedCopyNews
    // Photos the list did not show when the copy started: never offered, so
    // not deleted after it unless the user says so. Read by the copy's
    // worker; set before it starts, emptied before its clean-up is told to start.
    std::unordered_set<std::string> m_hiddenAtCopy;
    // Found files copied since the lists were filled: what closing would not lose.
    std::unordered_set<std::string> m_recoveredFiles;
    // Found files the listing could not list, reported to the user as staying.
    std::unordered_set<std::string> m_stayingFiles;
};

}  // namespace workflow
