#pragma once
// Everything between Next and the end of the listing: the data folder is
// watched on a thread of its own, pictures get their thumbnails from worker
// threads, and each tick of the window's listing timer hands the window the
// entries that are ready, in the order the files were found, for at most
// about 20 ms. The monitor owns what the list entries point to.
#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "win/handles.h"
#include "workflow/data_folder_watcher.h"
#include "workflow/found_item.h"
#include "workflow/thumbnail_pool.h"

namespace workflow {

class ScanMonitor {
public:
    // What the monitor asks of the window, always on the window's thread.
    class Listener {
    public:
        // `path` and `item` stay valid until ForgetEntries; a null thumbnail takes an empty slot.
        virtual void AddPhotoEntry(const std::string* path, HBITMAP thumbnail) = 0;
        virtual void AddFileEntry(const FoundItem* item) = 0;
        virtual void ShowScanStatus(const std::string& text) = 0;
        // How far the engine has got, by the furthest file it has written.
        virtual void ShowSearchProgress(uint64_t furthestSector) = 0;
        // Every file found is listed, or among `unreadable`; the workers are gone.
        virtual void ListingEnded(const std::vector<std::string>& unreadable) = 0;

    protected:
        ~Listener() = default;
    };

    explicit ScanMonitor(Listener& listener) : listener_(listener) {}
    ScanMonitor(const ScanMonitor&) = delete;
    ScanMonitor& operator=(const ScanMonitor&) = delete;
    ~ScanMonitor() { Abandon(); }

    // Watches the data folder of a new scan; its ticks come as kListingTimer
    // to `window`. `engineRunning` is asked from the watcher's thread.
    void Start(HWND window, const std::string& dataDir, std::function<bool()> engineRunning);
    // The engine was cancelled: the thumbnail workers stop, and the listing
    // goes on to the end, pictures they never reached with the placeholder.
    void StopThumbnails();
    // Closing or a new scan: everything stops now and nothing more is listed.
    void Abandon();
    void OnTick();

    // The listing of a scan has not ended.
    bool Listing() const { return listing_; }
    bool IsListed(const std::string& path) const { return listed_.count(path) != 0; }
    // What the clean-up after a copy may delete: listed files, the previews
    // of listed photos and the engine's log.
    bool MayCleanUp(const std::string& path) const;
    int ListedCount() const { return static_cast<int>(photoPaths_.size() + foundItems_.size()); }
    // The window emptied its lists: the entries' data goes.
    void ForgetEntries();

private:
    struct Pending {
        std::string path;
        bool lastWalk;
        bool picture;
        uint64_t ticket;  // the thumbnail's, for a picture handed to the workers
    };
    void Queue(DataFolderWatcher::Found found);
    bool ListNext();
    void AddPhoto(const std::string& path, HBITMAP thumbnail);
    void AddFile(const std::string& path);
    const std::optional<win::BitmapHandle>& Placeholder();
    void EndListing();

    Listener& listener_;
    HWND window_ = nullptr;
    std::string dataDir_;
    std::function<bool()> engineRunning_;
    bool listing_ = false;
    std::unique_ptr<DataFolderWatcher> watcher_;
    std::unique_ptr<ThumbnailPool> thumbnails_;
    bool thumbnailsStopped_ = false;
    uint64_t lastTicket_ = 0;
    std::deque<Pending> pending_;
    std::optional<std::optional<win::BitmapHandle>> placeholder_;  // made once a scan, when first needed
    std::string status_;
    ULONGLONG nextAnimation_ = 0;
    uint64_t shownSector_ = 0;

    std::vector<std::unique_ptr<std::string>> photoPaths_;
    std::vector<std::unique_ptr<FoundItem>> foundItems_;
    std::unordered_set<std::string> listed_;
    std::unordered_set<std::string> listedPhotoSectors_;
};

}  // namespace workflow
