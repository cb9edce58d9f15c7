#include "workflow/scan_monitor.h"

#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"
#include "workflow/scan_results.h"
#include "workflow/thumbnails.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

// A tick lists entries until this much of it is spent, so that clicks and
// repaints never wait long behind a burst of found files.
constexpr ULONGLONG kListingSliceMs = 20;

uint64_t FileSizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

}  // namespace

void ScanMonitor::Start(HWND window, const std::string& dataDir, std::function<bool()> engineRunning) {
    Abandon();
    window_ = window;
    dataDir_ = dataDir;
    engineRunning_ = std::move(engineRunning);
    thumbnailsStopped_ = false;
    placeholder_.reset();
    status_.clear();
    shownSector_ = 0;
    nextAnimation_ = 0;
    thumbnails_ = std::make_unique<ThumbnailPool>();
    watcher_ = std::make_unique<DataFolderWatcher>(dataDir_, engineRunning_, kFirstPollDelayMs, kTickMs);
    listing_ = SetTimer(window_, kListingTimer, kListingTickMs, nullptr) != 0;
}

void ScanMonitor::StopThumbnails() {
    thumbnailsStopped_ = true;
    if (thumbnails_) thumbnails_->Stop();
}

void ScanMonitor::Abandon() {
    if (window_) KillTimer(window_, kListingTimer);
    listing_ = false;
    // The watcher ends at its next file; a worker finishes the picture in hand.
    watcher_.reset();
    thumbnails_.reset();
    pending_.clear();
}

void ScanMonitor::OnTick() {
    if (!listing_) return;
    const ULONGLONG start = GetTickCount64();
    // After Cancel the window shows its results prompt, which stays.
    if (!thumbnailsStopped_ && start >= nextAnimation_) {
        status_ = NextStatusText(status_);
        listener_.ShowScanStatus(status_);
        nextAnimation_ = start + kTickMs;
    }
    if (const uint64_t sector = watcher_->FurthestSector(); sector != shownSector_) {
        shownSector_ = sector;
        listener_.ShowSearchProgress(sector);
    }
    // Asked before taking what was found: once it holds, nothing more comes.
    const bool walkedToTheEnd = watcher_->Finished();
    for (DataFolderWatcher::Found& found : watcher_->TakeFound()) Queue(std::move(found));
    while (listing_ && !pending_.empty() && GetTickCount64() - start < kListingSliceMs) {
        if (!ListNext()) break;
    }
    // A worker still decoding a dropped picture holds its file open.
    if (listing_ && walkedToTheEnd && pending_.empty() && thumbnails_->Idle()) EndListing();
}

void ScanMonitor::Queue(DataFolderWatcher::Found found) {
    Pending pending{std::move(found.path), found.lastWalk, false, 0};
    pending.picture = IsPhotoPath(pending.path);
    if (pending.picture && !thumbnailsStopped_) {
        pending.ticket = ++lastTicket_;
        thumbnails_->Submit(pending.ticket, pending.path);
    }
    pending_.push_back(std::move(pending));
}

// False when the next entry is a picture whose thumbnail is not made yet: the
// entries after it wait, so the lists keep the order the files were found in.
bool ScanMonitor::ListNext() {
    std::optional<ThumbnailPool::Thumbnail> thumbnail;
    if (pending_.front().picture) {
        if (pending_.front().ticket) thumbnail = thumbnails_->Take(pending_.front().ticket);
        // Once the workers are stopped, a picture one of them dropped in hand
        // is still open there until it finishes: looked at again before
        // then, it would seem held by someone else.
        if (!thumbnail && (!thumbnailsStopped_ || !thumbnails_->Idle())) return false;
    }
    // Taken out first: a message box raised while the entry is added runs a
    // nested message loop, in which the window may abandon the scan.
    const Pending next = std::move(pending_.front());
    pending_.pop_front();
    if (!PathExists(next.path)) return true;
    if (!next.picture) {
        AddFile(next.path);
        return true;
    }
    const bool decoded = thumbnail && thumbnail->has_value();
    switch (ChoosePictureEntry(decoded, Placeholder().has_value(), next.lastWalk)) {
    case PictureEntry::Photo:
        AddPhoto(next.path, (*thumbnail)->get());
        break;
    case PictureEntry::Placeholder:
        AddPhoto(next.path, Placeholder()->get());
        break;
    case PictureEntry::File:
        AddFile(next.path);
        break;
    case PictureEntry::Retry:
        if (!watcher_->Retry(next.path)) AddFile(next.path);
        break;
    }
    return true;
}

void ScanMonitor::AddPhoto(const std::string& path, HBITMAP thumbnail) {
    photoPaths_.push_back(std::make_unique<std::string>(path));
    listed_.insert(path);
    if (auto sector = PhotoSectorOf(path)) listedPhotoSectors_.insert(*sector);
    listener_.AddPhotoEntry(photoPaths_.back().get(), thumbnail);
}

void ScanMonitor::AddFile(const std::string& path) {
    auto item = std::make_unique<FoundItem>();
    item->name = FileNameOf(path);
    item->size = FileSizeOf(path);
    item->extension = ExtensionOf(path);
    item->path = path;
    foundItems_.push_back(std::move(item));
    listed_.insert(path);
    listener_.AddFileEntry(foundItems_.back().get());
}

const std::optional<win::BitmapHandle>& ScanMonitor::Placeholder() {
    if (!placeholder_) placeholder_ = MakePlaceholderThumbnail();
    return *placeholder_;
}

void ScanMonitor::EndListing() {
    KillTimer(window_, kListingTimer);
    listing_ = false;
    const std::vector<std::string> unreadable = watcher_->TakeUnreadable();
    watcher_.reset();
    thumbnails_.reset();
    listener_.ListingEnded(unreadable);
}

bool ScanMonitor::MayCleanUp(const std::string& path) const {
    if (IsListed(path) || IsEngineLog(path, dataDir_)) return true;
    const std::optional<std::string> sector = PreviewSectorOf(path);
    return sector && listedPhotoSectors_.count(*sector) != 0;
}

void ScanMonitor::ForgetEntries() {
    photoPaths_.clear();
    foundItems_.clear();
    listed_.clear();
    listedPhotoSectors_.clear();
}

}  // namespace workflow
