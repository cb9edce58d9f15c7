#pragma once
// Everything between Next and the end of the listing: the data folder is
// watched on a thread of its own, pictures get their thumbnails from worker
// threads, and each tick of the window's listing timer hands the window the
// entries that are ready, in the order the files were found, for at most
// about 20 ms. The monitor owns what the list entries point to.
//
// Threads: every method on the window's thread, and no lock of its own. The
// watcher's thread and the thumbnail workers hand over only through the
// calls of DataFolderWatcher and ThumbnailPool; `engineRunning` is asked on
// the watcher's thread.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "workflow/scan/data_folder_watcher.h"
#include "workflow/scan/sharded_string_set.h"
#include "workflow/found/found_item.h"
#include "workflow/thumbnails/thumbnail_pool.h"
#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

class ScanMonitor {
public:
    // What the monitor asks of the window, always on the window's thread.
    class Listener {
    public:
        // Entries come in batches, one a tick: Add..., End.
        // `photo` and `item` stay valid until ForgetEntries; the window keeps
        // their check states in them. `thumbnail` is what the photo shows (its
        // own, or the placeholder when `photo->shows` says so), only for the
        // call; an empty one shows an empty square. False when the window cannot
        // hold the thumbnail: the photo is not listed, and is tried again.
        virtual bool AddPhotoEntry(FoundPhoto* photo, const ThumbnailImage& thumbnail) = 0;
        // Right before AddPhotoEntry, for a photo whose thumbnail worker read
        // it whole: the digest of its bytes.
        virtual void PhotoContentRead(const FoundPhoto& /*photo*/, const imaging::Sha256Digest& /*digest*/) {}
        virtual void AddFileEntry(FoundItem* item) = 0;
        // A listed file was renamed by the engine once its checks failed: the
        // entry's record now holds the new path and the damage mark.
        virtual void PhotoEntryChanged(const FoundPhoto* photo) = 0;
        virtual void FileEntryChanged(const FoundItem* item) = 0;
        // A listed file the engine deleted again: its entry goes (the record
        // stays valid until ForgetEntries).
        virtual void RemovePhotoEntry(const FoundPhoto* photo) = 0;
        virtual void RemoveFileEntry(const FoundItem* item) = 0;
        // Each tick ends with this; the window may leave drawing the new
        // entries for later.
        virtual void EndEntries(bool photosAdded, bool filesAdded) = 0;
        virtual void ShowScanStatus(const std::string& text) = 0;
        // How far the engine has got, by the furthest file it has written.
        virtual void ShowSearchProgress(uint64_t furthestSector) = 0;
        // Every file found is listed, or among `unreadable`; the workers are gone.
        virtual void ListingEnded(const std::vector<std::string>& unreadable) = 0;

    protected:
        ~Listener() = default;
    };

    explicit ScanMonitor(Listener& listener) : m_listener(listener) {}
    ScanMonitor(const ScanMonitor&) = delete;
    ScanMonitor& operator=(const ScanMonitor&) = delete;
    ~ScanMonitor() { Abandon(); }

    // Sets the listing's timer to call OnTick every `periodMs`, the first
    // after that long; 0 stops it. False when it cannot be set.
    using Timer = std::function<bool(unsigned periodMs)>;
    // Watches the data folder of a new scan, ticking on `timer`.
    // `engineRunning` is asked from the watcher's thread. With `top`, the data
    // folder is reached from there, one folder at a time.
    void Start(Timer timer, const std::string& dataDir, std::function<bool()> engineRunning,
               const std::string& top = {});
    // The engine was cancelled: the listing goes on to the end, every picture
    // with its own thumbnail, and the status line is the window's again.
    void SearchCancelled() { m_cancelled = true; }
    // Closing or a new scan: everything stops now and nothing more is listed.
    void Abandon();
    void OnTick();

    // The listing of a scan has not ended.
    bool Listing() const { return m_listing; }
    bool IsListed(const std::string& path) const { return m_listed.count(path) != 0; }
    // What the clean-up after a copy may delete: listed files, the previews
    // of listed photos and the engine's log.
    bool MayCleanUp(const std::string& path) const;
    // The sectors of photos listed as damaged whose previews are listed as
    // photos of their own.
    const std::unordered_set<std::string>& ShownPreviewSectors() const { return m_shownPreviewSectors; }
    // The window emptied its lists: the entries' data goes.
    void ForgetEntries();

private:
    struct Pending {
        std::string path;
        uint64_t size;  // as the watcher's walk saw it
        bool lastWalk;
        bool picture;
        uint64_t ticket;  // the thumbnail's, for a picture
    };
    // A picture's thumbnail is asked for in `pictures`.
    void Queue(DataFolderWatcher::Found found, std::vector<ThumbnailPool::Job>& pictures);
    bool ListNext();
    // False when the window declined the photo.
    bool AddPhoto(const Pending& picture, const ThumbnailImage& thumbnail, const Damage& damage, bool placeholder,
                  const std::optional<imaging::Sha256Digest>& digest,
                  imaging::PictureFacts facts);
    // A picture not listed now: a later walk hands it over again, and once
    // none will, it is listed as a file rather than lost.
    void ListLater(const Pending& picture);
    void AddFile(const std::string& path, uint64_t size);
    // A listed photo takes its preview with it, whichever list it went to.
    void RecordListed(const std::string& path);
    // The engine renames a file whose checks failed from "f..." to "b..." and
    // deletes others just after closing them, so a file listed a moment
    // earlier may have gone: its entry follows the rename or goes.
    void Remember(const std::string& path, FoundPhoto* photo, FoundItem* item);
    void FollowRecentlyListed();
    // False when `damagedPath` is no rename of a listed file.
    bool FollowRename(const std::string& damagedPath);
    // A photo listed as damaged: its preview, which the engine writes beside
    // it, is listed too, as soon as it is there and complete.
    void WantPreview(const std::string& photoPath);
    void QueueWantedPreviews(std::vector<ThumbnailPool::Job>& pictures, bool lastLook);
    const std::optional<std::vector<uint8_t>>& Placeholder();
    void EndListing();

    Listener& m_listener;
    Timer m_timer;
    std::string m_dataDir;
    std::function<bool()> m_engineRunning;
    bool m_listing = false;
    // Everything is listed; the next tick tells the window.
    bool m_ending = false;
    std::vector<std::string> m_unreadable;
    std::unique_ptr<DataFolderWatcher> m_watcher;
    std::unique_ptr<ThumbnailPool> m_thumbnails;
    bool m_cancelled = false;
    uint64_t m_lastTicket = 0;
    // Handed over by the watcher, not queued yet.
    std::deque<DataFolderWatcher::Found> m_found;
    std::deque<Pending> m_pending;
    // Entries added in the current batch, for the window to scroll to the newest.
    bool m_photosAdded = false;
    bool m_filesAdded = false;
    std::optional<std::optional<std::vector<uint8_t>>> m_placeholder;  // made once a scan, when first needed
    std::string m_status;
    uint64_t m_nextAnimation = 0;
    uint64_t m_shownSector = 0;
    bool m_engineWasRunning = true;

    std::vector<std::unique_ptr<FoundPhoto>> m_photos;
    std::vector<std::unique_ptr<FoundItem>> m_foundItems;
    struct Listed {
        std::string path;
        FoundPhoto* photo;  // one of the two
        FoundItem* item;
    };
    // The last few files listed under the engine's "f" names, newest last.
    std::deque<Listed> m_recentlyListed;
    // Hundreds of thousands on a whole disk, filled on the window's thread:
    // sharded, so that no growth of one stops that thread for long.
    ShardedStringSet m_listed;
    ShardedStringSet m_listedPhotoSectors;
    // Previews of damaged photos not queued yet, by the photo's sector.
    std::unordered_map<std::string, std::string> m_wantedPreviews;
    std::vector<std::string> m_newlyWanted;  // since the last tick
    std::unordered_set<std::string> m_shownPreviewSectors;
};

}  // namespace workflow
