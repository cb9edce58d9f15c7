#include "workflow/scan/scan_monitor.h"

#include <windows.h>

#include <algorithm>
#include <utility>

#include "workflow/files/folder_tree.h"
#include "workflow/scan/listing_rules.h"
#include "workflow/found/scan_results.h"
#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

namespace {

// A tick lists entries until this much of it is spent, so that clicks and
// repaints never wait long behind a burst of found files.
constexpr ULONGLONG kListingSliceMs = 35;

constexpr unsigned kFirstPollDelayMs = 500;  // from the start to the first walk of the data folder
constexpr unsigned kTickMs = 200;            // between walks and animation steps
constexpr unsigned kListingTickMs = 50;

// A walk after a burst of the engine hands over ten thousand files at once;
// queueing them all in one tick would hold the window's thread.
constexpr size_t kQueuedPerTick = 2000;

// The engine renames or deletes a file straight after closing it, before it
// starts the next: only the newest few listed files can still go.
constexpr size_t kRecentlyListed = 8;

}  // namespace

void ScanMonitor::Start(Timer timer, const std::string& dataDir, std::function<bool()> engineRunning,
                        const std::string& top) {
    Abandon();
    m_timer = std::move(timer);
    m_dataDir = dataDir;
    m_engineRunning = std::move(engineRunning);
    m_cancelled = false;
    m_placeholder.reset();
    m_status.clear();
    m_shownSector = 0;
    m_engineWasRunning = true;
    m_nextAnimation = 0;
    m_thumbnails = std::make_unique<ThumbnailPool>();
    m_watcher = std::make_unique<DataFolderWatcher>(m_dataDir, m_engineRunning, kFirstPollDelayMs, kTickMs, top);
    m_listing = m_timer(kListingTickMs);
}

void ScanMonitor::Abandon() {
    if (m_timer) m_timer(0);
    m_listing = false;
    m_ending = false;
    m_unreadable.clear();
    // The watcher ends at its next file; a worker finishes the picture in hand.
    m_watcher.reset();
    m_thumbnails.reset();
    m_found.clear();
    m_pending.clear();
    m_wantedPreviews.clear();
    m_newlyWanted.clear();
}

void ScanMonitor::OnTick() {
    if (!m_listing) return;
    if (m_ending) {
        EndListing();
        return;
    }
    const ULONGLONG start = GetTickCount64();
    // After Cancel the window shows its results prompt, which stays.
    if (!m_cancelled && start >= m_nextAnimation) {
        m_status = NextStatusText(m_status);
        m_listener.ShowScanStatus(m_status);
        m_nextAnimation = start + kTickMs;
    }
    // The window shows the bar full once the engine has ended by itself.
    const uint64_t sector = m_watcher->FurthestSector();
    const bool engineRunning = m_engineRunning();
    if (sector != m_shownSector || engineRunning != m_engineWasRunning) {
        m_shownSector = sector;
        m_engineWasRunning = engineRunning;
        m_listener.ShowSearchProgress(sector);
    }
    FollowRecentlyListed();
    // Asked before taking what was found: once it holds, nothing more comes.
    const bool walkedToTheEnd = m_watcher->Finished();
    for (DataFolderWatcher::Found& found : m_watcher->TakeFound()) m_found.push_back(std::move(found));
    std::vector<ThumbnailPool::Job> pictures;
    for (size_t queued = 0; queued < kQueuedPerTick && !m_found.empty(); ++queued) {
        Queue(std::move(m_found.front()), pictures);
        m_found.pop_front();
    }
    // Once the walks are over, a preview not written by now never will be.
    QueueWantedPreviews(pictures, walkedToTheEnd && m_found.empty());
    m_thumbnails->Submit(std::move(pictures));
    m_photosAdded = m_filesAdded = false;
    while (m_listing && !m_pending.empty() && GetTickCount64() - start < kListingSliceMs) {
        if (!ListNext()) break;
    }
    // Every tick ends a batch; the window draws new entries at its own pace.
    m_listener.EndEntries(m_photosAdded, m_filesAdded);
    // The listing ends with no found file open in a worker. The window turns
    // to its results in a message of its own: together with a tick's listing
    // and the watcher's end it would hold the thread too long.
    if (m_listing && walkedToTheEnd && m_found.empty() && m_pending.empty() && m_wantedPreviews.empty() &&
        m_thumbnails->Idle()) {
        m_unreadable = m_watcher->TakeUnreadable();
        m_watcher.reset();
        m_ending = true;
        m_timer(USER_TIMER_MINIMUM);
    }
}

void ScanMonitor::Queue(DataFolderWatcher::Found found, std::vector<ThumbnailPool::Job>& pictures) {
    if (IsListed(found.path) || FollowRename(found.path)) return;
    // A damaged photo's preview comes from the walk or from WantPreview, whichever is first.
    if (const auto preview = PreviewSectorOf(found.path)) {
        if (!m_shownPreviewSectors.insert(*preview).second) return;
        m_wantedPreviews.erase(*preview);
    }
    Pending pending{std::move(found.path), found.size, found.lastWalk, false, 0};
    pending.picture = IsPhotoPath(pending.path);
    if (pending.picture) {
        pending.ticket = ++m_lastTicket;
        pictures.push_back(ThumbnailPool::Job{pending.ticket, pending.path, std::move(found.bytes)});
    }
    m_pending.push_back(std::move(pending));
}

// False when the next entry is a picture whose thumbnail is not made yet: the
// entries after it wait, so the lists keep the order the files were found in.
bool ScanMonitor::ListNext() {
    std::optional<Thumbnail> thumbnail;
    if (m_pending.front().picture) {
        std::optional<Thumbnail> made = m_thumbnails->Take(m_pending.front().ticket);
        if (!made) return false;
        thumbnail = std::move(*made);
    }
    // No second look at the file: one that went since its walk is found out
    // when it is drawn or copied, or followed as the engine's delete.
    const Pending next = std::move(m_pending.front());
    m_pending.pop_front();
    if (!next.picture) {
        AddFile(next.path, next.size);
        return true;
    }
    const bool decoded = thumbnail && thumbnail->Decoded();
    Damage damage;
    damage.engineMarked = IsMarkedDamaged(next.path);
    if (thumbnail) damage.readableShare = thumbnail->readableShare;
    switch (ChoosePictureEntry(decoded, Placeholder().has_value(), next.lastWalk)) {
    case PictureEntry::Photo:
        if (!AddPhoto(next, thumbnail->Image(), damage, false, thumbnail->sha256, std::move(thumbnail->facts)))
            ListLater(next);
        // Copied into the list; the scan may have been abandoned meanwhile.
        if (m_thumbnails && !thumbnail->rows.empty()) m_thumbnails->GiveBack(std::move(thumbnail->rows));
        break;
    case PictureEntry::Placeholder:
        if (!AddPhoto(next, ThumbnailImage{&*Placeholder()}, damage, true,
                      thumbnail ? thumbnail->sha256 : std::nullopt,
                      thumbnail ? std::move(thumbnail->facts) : imaging::PictureFacts{}))
            ListLater(next);
        break;
    case PictureEntry::File:
        AddFile(next.path, next.size);
        break;
    case PictureEntry::Retry:
        ListLater(next);
        break;
    }
    return true;
}

void ScanMonitor::ListLater(const Pending& picture) {
    if (!m_watcher || !m_watcher->Retry(picture.path)) AddFile(picture.path, picture.size);
}

bool ScanMonitor::AddPhoto(const Pending& picture, const ThumbnailImage& thumbnail, const Damage& damage,
                           bool placeholder, const std::optional<imaging::Sha256Digest>& digest,
                           imaging::PictureFacts facts) {
    const std::string& path = picture.path;
    auto photo = std::make_unique<FoundPhoto>();
    photo->path = path;
    photo->fileSize = picture.size;
    photo->facts = std::move(facts);
    photo->foundIndex = static_cast<uint32_t>(m_photos.size());
    photo->damage = damage;
    photo->checked = StartsChecked(path);
    if (placeholder) photo->shows = FoundPhoto::Shows::Placeholder;
    if (digest) m_listener.PhotoContentRead(*photo, *digest);
    if (!m_listener.AddPhotoEntry(photo.get(), thumbnail)) return false;
    m_photos.push_back(std::move(photo));
    if (damage.Any()) WantPreview(path);
    RecordListed(path);
    Remember(path, m_photos.back().get(), nullptr);
    m_photosAdded = true;
    return true;
}

void ScanMonitor::AddFile(const std::string& path, uint64_t size) {
    auto item = std::make_unique<FoundItem>();
    item->name = FileNameOf(path);
    item->size = size;
    item->extension = ExtensionOf(path);
    item->path = path;
    item->damaged = IsMarkedDamaged(path);
    item->checked = StartsChecked(path);
    m_foundItems.push_back(std::move(item));
    RecordListed(path);
    Remember(path, nullptr, m_foundItems.back().get());
    m_filesAdded = true;
    m_listener.AddFileEntry(m_foundItems.back().get());
}

void ScanMonitor::RecordListed(const std::string& path) {
    m_listed.insert(path);
    if (auto sector = PhotoSectorOf(path)) m_listedPhotoSectors.insert(*sector);
}

void ScanMonitor::Remember(const std::string& path, FoundPhoto* photo, FoundItem* item) {
    if (!DamagedNameOf(path)) return;
    m_recentlyListed.push_back(Listed{path, photo, item});
    if (m_recentlyListed.size() > kRecentlyListed) m_recentlyListed.pop_front();
}

void ScanMonitor::FollowRecentlyListed() {
    for (size_t i = 0; i < m_recentlyListed.size();) {
        if (PathExists(m_recentlyListed[i].path)) {
            ++i;
            continue;
        }
        const std::string damaged = *DamagedNameOf(m_recentlyListed[i].path);
        if (PathExists(damaged) && FollowRename(damaged)) continue;
        const Listed gone = m_recentlyListed[i];
        m_recentlyListed.erase(m_recentlyListed.begin() + static_cast<ptrdiff_t>(i));
        m_listed.erase(gone.path);
        if (gone.photo) m_listener.RemovePhotoEntry(gone.photo);
        else m_listener.RemoveFileEntry(gone.item);
    }
}

bool ScanMonitor::FollowRename(const std::string& damagedPath) {
    const std::optional<std::string> before = UndamagedNameOf(damagedPath);
    if (!before) return false;
    const auto listed = std::find_if(m_recentlyListed.begin(), m_recentlyListed.end(),
                                     [&](const Listed& l) { return l.path == *before; });
    if (listed == m_recentlyListed.end() || PathExists(*before)) return false;
    const Listed renamed = *listed;
    m_recentlyListed.erase(listed);
    m_listed.erase(renamed.path);
    RecordListed(damagedPath);
    if (renamed.photo) {
        renamed.photo->path = damagedPath;
        renamed.photo->damage.engineMarked = true;
        WantPreview(damagedPath);
        m_listener.PhotoEntryChanged(renamed.photo);
    } else {
        renamed.item->path = damagedPath;
        renamed.item->name = FileNameOf(damagedPath);
        renamed.item->damaged = true;
        m_listener.FileEntryChanged(renamed.item);
    }
    return true;
}

void ScanMonitor::WantPreview(const std::string& photoPath) {
    const std::optional<std::string> sector = PhotoSectorOf(photoPath);
    if (!sector || m_shownPreviewSectors.count(*sector)) return;
    if (m_wantedPreviews.emplace(*sector, PreviewPathOf(photoPath, *sector)).second) m_newlyWanted.push_back(*sector);
}

// A preview is looked for when its photo is listed, by which time the engine
// has mostly written it, and once more after the last walk: looking for
// thousands every tick would cost the window's thread.
void ScanMonitor::QueueWantedPreviews(std::vector<ThumbnailPool::Job>& pictures, bool lastLook) {
    std::vector<std::string> sectors;
    if (lastLook) {
        for (const auto& wanted : m_wantedPreviews) sectors.push_back(wanted.first);
    } else {
        sectors = std::move(m_newlyWanted);
    }
    m_newlyWanted.clear();
    for (const std::string& sector : sectors) {
        const auto wanted = m_wantedPreviews.find(sector);
        if (wanted == m_wantedPreviews.end()) continue;
        const std::string path = wanted->second;
        uint64_t size = 0;
        const bool complete = ProbeFoundFileAndSize(path, size) == FoundFileState::Complete;
        if (complete || lastLook) m_wantedPreviews.erase(wanted);
        if (complete) Queue(DataFolderWatcher::Found{path, size, true, {}}, pictures);
    }
}

const std::optional<std::vector<uint8_t>>& ScanMonitor::Placeholder() {
    if (!m_placeholder) m_placeholder = MakePlaceholderThumbnail();
    return *m_placeholder;
}

void ScanMonitor::EndListing() {
    m_timer(0);
    m_listing = false;
    m_ending = false;
    m_thumbnails.reset();
    m_listener.ListingEnded(std::exchange(m_unreadable, {}));
}

bool ScanMonitor::MayCleanUp(const std::string& path) const {
    if (IsListed(path) || IsEngineLog(path, m_dataDir)) return true;
    const std::optional<std::string> sector = PreviewSectorOf(path);
    return sector && m_listedPhotoSectors.count(*sector) != 0;
}

void ScanMonitor::ForgetEntries() {
    m_recentlyListed.clear();
    m_photos.clear();
    m_foundItems.clear();
    m_listed.clear();
    m_listedPhotoSectors.clear();
    m_wantedPreviews.clear();
    m_newlyWanted.clear();
    m_shownPreviewSectors.clear();
}

}  // namespace workflow
