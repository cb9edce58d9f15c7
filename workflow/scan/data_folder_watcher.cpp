#include "workflow/scan/data_folder_watcher.h"

#include <windows.h>

#include <algorithm>
#include <system_error>
#include <thread>
#include <utility>

#include "workflow/files/folder_tree.h"
#include "workflow/scan/listing_rules.h"
#include "workflow/scan/probe_ahead.h"
#include "workflow/found/scan_results.h"

namespace workflow {

namespace {

// A folder's time moves when an entry is added, renamed or removed, but some
// file systems keep it coarsely (FAT to 2 s): a change within the same tick as
// the time a listing showed would leave the time where it was. Only a time
// further than that before the walk began is trusted to move on the next change.
constexpr uint64_t kCoarsestFolderTime = 3 * 10'000'000;  // in FILETIME units of 100 ns

// 0 when it cannot be read: such a folder is never taken as settled.
uint64_t OwnLastWrite(const std::string& folder) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(folder.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
}

uint64_t Now() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }

// A found picture is read by its probe, when small, for its thumbnail. The
// file is opened through the folder the walk held, never by its path again:
// a link put in place of a folder since would lead the open elsewhere.
FoundFileState Probe(const FolderEntry* file, uint64_t& size, CarriedBytes& bytes) {
    if (!file) return FoundFileState::Unopenable;
    return ProbeHeldFoundFile(*file, size, IsPhotoPath(file->path) ? &bytes : nullptr);
}

// A walk with this many files to probe has them probed by helper threads as
// well, the walk's own thread probing too; for a few, starting the threads
// would cost more than it saves. More would leave the window's thread too
// small a share of two processors.
// Only once the engine has ended: while it runs, every helper's round trips
// to the Wine server take a processor from the engine, whose pace is the
// scan's, and they probe no faster: the Wine server answers one request at
// a time.
constexpr size_t kProbedAheadFrom = 64;
constexpr int kProbeHelpers = 2;

}  // namespace

// What one walk listed: the files, and each folder it listed with its time.
struct DataFolderWatcher::Listing {
    std::vector<FolderEntry> files;
    std::vector<std::pair<std::string, uint64_t>> folders;
    // A folder holding folders is listed by every walk, so that the times of
    // the folders inside are seen: a change below leaves its own time alone.
    std::unordered_set<std::string> holdingFolders;
};

DataFolderWatcher::DataFolderWatcher(std::string dataDir, std::function<bool()> engineRunning,
                                     unsigned firstWalkDelayMs, unsigned walkIntervalMs, std::string top)
    : m_dataDir(std::move(dataDir)),
      m_top(std::move(top)),
      m_engineRunning(std::move(engineRunning)),
      m_firstWalkDelayMs(firstWalkDelayMs),
      m_walkIntervalMs(walkIntervalMs) {
    m_thread = std::jthread([this] { Watch(); });
}

DataFolderWatcher::~DataFolderWatcher() {
    Stop();
    m_thread.join();
}

std::vector<DataFolderWatcher::Found> DataFolderWatcher::TakeFound() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_found, {});
}

bool DataFolderWatcher::Retry(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_lastWalkBegun) return false;
    m_taken.erase(path);
    m_settled.erase(FolderOf(path));
    m_retried.insert(FolderOf(path));
    return true;
}

bool DataFolderWatcher::Finished() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_finished;
}

std::vector<std::string> DataFolderWatcher::TakeUnreadable() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_unreadable, {});
}

uint64_t DataFolderWatcher::FurthestSector() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_progress.furthestSector;
}

void DataFolderWatcher::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopped = true;
    }
    m_stopping.notify_all();
}

bool DataFolderWatcher::Wait(unsigned ms) {
    std::unique_lock<std::mutex> guard(m_lock);
    return !m_stopping.wait_for(guard, std::chrono::milliseconds(ms), [this] { return m_stopped.load(); });
}

DataFolderWatcher::Listing DataFolderWatcher::Walk(bool lastWalk) {
    Listing listing;
    // Files out of reach of MAX_PATH are walked too, so that the last walk
    // reports them rather than leaving them unmentioned.
    std::optional<win::HeldFolder> root =
        m_top.empty() ? win::HeldFolder::Open(m_dataDir) : OpenHeldBelow(m_top, m_dataDir);
    if (!root) return listing;
    ForEachFileBelow(
        std::make_shared<const win::HeldFolder>(std::move(*root)), m_dataDir,
        [&](const FolderEntry& file) {
            listing.files.push_back(file);
            return !m_stopped;
        },
        [&](const FolderEntry& outOfReach) { listing.files.push_back(outOfReach); },
        [&](const FolderEntry& folder) {
            listing.holdingFolders.insert(FolderOf(folder.path));
            // The folder's own time, read before its entries: the copy in its
            // parent's listing can lag behind on NTFS.
            const uint64_t lastWrite = OwnLastWrite(folder.path);
            if (!lastWalk) {
                std::lock_guard<std::mutex> guard(m_lock);
                const auto settled = m_settled.find(folder.path);
                if (settled != m_settled.end() && settled->second == lastWrite) return false;
            }
            listing.folders.emplace_back(folder.path, lastWrite);
            return true;
        });
    return listing;
}

std::vector<std::string> DataFolderWatcher::Unprobed(const Listing& listing) {
    std::vector<std::string> paths;
    for (const FolderEntry& file : listing.files) {
        const std::string& path = file.path;
        if (path.size() >= MAX_PATH || IsEngineLog(path, m_dataDir) || PreviewSectorOf(path)) continue;
        // The lock is taken for each file, as the sorting out does: held over
        // the last walk's every file, it would hold up the window's thread.
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_taken.count(path)) paths.push_back(path);
    }
    return paths;
}

// A folder's time is trusted to move on its next change once it is well
// before the walk, or once the engine has moved on: the walk before saw the
// same time here and a later one on a folder beside it. The engine writes in
// one folder at a time and never goes back, so this walk listed the folder
// after its last change. At thousands of files a second the engine leaves a
// folder long before its time is 3 s old, and every walk till then would list
// the folder again.
void DataFolderWatcher::MarkSettled(const Listing& listing, const std::vector<std::string>& waiting,
                                    uint64_t walkBegan) {
    std::unordered_set<std::string> unsettled;
    for (const std::string& path : waiting) unsettled.insert(FolderOf(path));
    std::unordered_map<std::string, uint64_t> times, newest;
    for (const auto& [folder, lastWrite] : listing.folders) {
        times[folder] = lastWrite;
        uint64_t& newestBeside = newest[FolderOf(folder)];
        newestBeside = std::max(newestBeside, lastWrite);
    }
    for (const auto& [folder, lastWrite] : listing.folders) {
        const auto before = m_timesBefore.find(folder);
        const auto newestBefore = m_newestBefore.find(FolderOf(folder));
        const bool movedOn = before != m_timesBefore.end() && before->second == lastWrite &&
                             newestBefore != m_newestBefore.end() && newestBefore->second > lastWrite;
        const bool settled = !unsettled.count(folder) && !listing.holdingFolders.count(folder) &&
                             !m_retried.count(folder) && lastWrite != 0 &&
                             (lastWrite + kCoarsestFolderTime < walkBegan || movedOn);
        if (settled)
            m_settled[folder] = lastWrite;
        else
            m_settled.erase(folder);
    }
    m_timesBefore = std::move(times);
    m_newestBefore = std::move(newest);
    m_retried.clear();
}

void DataFolderWatcher::Watch() {
    if (!Wait(m_firstWalkDelayMs)) return;
    // The last walk's listing, begun as soon as a walk under way sees the
    // engine has ended: listing every file takes a good part of a second,
    // which then passes while that walk probes the rest of its files. The
    // lister comes after what it fills: whichever way this thread returns, it
    // has ended first.
    Listing lastListing;
    std::jthread lastLister;
    const auto listLastAhead = [&] {
        if (lastLister.joinable()) return;
        {
            // From here on no walk after the last looks at a file handed back.
            std::lock_guard<std::mutex> guard(m_lock);
            m_lastWalkBegun = true;
        }
        try {
            lastLister = std::jthread([&] { lastListing = Walk(true); });
        } catch (const std::system_error&) {
            // The last walk lists for itself.
        }
    };
    for (;;) {
        // The engine is asked before the walk: a walk that begins after it has
        // stopped sees everything it wrote, so it is the last.
        const bool lastWalk = !m_engineRunning();
        if (lastWalk) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lastWalkBegun = true;
        }
        const uint64_t walkBegan = Now();
        Listing listing;
        if (lastWalk && lastLister.joinable()) {
            lastLister.join();
            listing = std::move(lastListing);
        } else {
            listing = Walk(lastWalk);
        }
        // Worked out without the lock: the last walk lists every file, and the
        // window's thread takes the lock each tick.
        SearchProgress seen;
        for (const FolderEntry& file : listing.files) seen.See(file.path);
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stopped) return;
            m_progress.furthestSector = std::max(m_progress.furthestSector, seen.furthestSector);
        }
        // The last walk lists everything, so its own photos are all it needs:
        // a photo the engine has deleted since no longer hides its preview.
        if (lastWalk) m_photoSectors.clear();
        // The probes run without the lock: each opens the file. Each file is
        // handed over as soon as it passes, and Stop ends the probes within
        // one file: tens of thousands of leftovers take long to probe.
        const auto stopped = [this] { return m_stopped.load(); };
        uint64_t probedSize = 0;
        CarriedBytes probedBytes;
        std::vector<std::string> unprobed = Unprobed(listing);
        const bool fewToProbe = unprobed.size() < kProbedAheadFrom;
        // Read-only while the probes run, by the helpers too.
        std::unordered_map<std::string, const FolderEntry*> walked;
        for (const FolderEntry& file : listing.files) walked.emplace(file.path, &file);
        const auto probe = [&walked](const std::string& path, uint64_t& size, CarriedBytes& bytes) {
            const auto file = walked.find(path);
            return Probe(file == walked.end() ? nullptr : file->second, size, bytes);
        };
        ProbeAhead ahead(std::move(unprobed), probe, stopped, fewToProbe || !lastWalk ? 0 : kProbeHelpers);
        const WalkOutcome outcome = SortOutWalk(
            listing.files, m_dataDir, lastWalk, m_photoSectors,
            [this](const FolderEntry& file) {
                std::lock_guard<std::mutex> guard(m_lock);
                return m_taken.count(file.path) != 0;
            },
            // A file is admitted straight after the probe that found it
            // complete; its size comes from that probe's open handle.
            [&](const std::string& path) {
                probedBytes.Release();
                if (!lastWalk && !m_engineRunning()) {
                    if (!fewToProbe) ahead.AddHelpers(kProbeHelpers);
                    listLastAhead();
                }
                return ahead.Take(path, probedSize, probedBytes);
            },
            SIZE_MAX, stopped,
            [&](const FolderEntry& file) {
                std::lock_guard<std::mutex> guard(m_lock);
                if (m_stopped) return;
                m_taken.insert(file.path);
                m_found.push_back(Found{file.path, probedSize, lastWalk, std::move(probedBytes)});
            });
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stopped) return;
            if (lastWalk) {
                m_unreadable = outcome.unreadable;
                m_finished = true;
                return;
            }
            MarkSettled(listing, outcome.waiting, walkBegan);
        }
        for (const FolderEntry& file : listing.files)
            if (auto sector = IntactPhotoSectorOf(file.path)) m_photoSectors.insert(std::move(*sector));
        // Once the engine has ended nothing more comes: the last walk need not wait.
        if (m_engineRunning() ? !Wait(m_walkIntervalMs) : m_stopped.load()) return;
    }
}

}  // namespace workflow
