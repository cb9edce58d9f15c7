#include "workflow/data_folder_watcher.h"

#include <utility>

#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"

namespace workflow {

DataFolderWatcher::DataFolderWatcher(std::string dataDir, std::function<bool()> engineRunning,
                                     unsigned firstWalkDelayMs, unsigned walkIntervalMs)
    : dataDir_(std::move(dataDir)),
      engineRunning_(std::move(engineRunning)),
      firstWalkDelayMs_(firstWalkDelayMs),
      walkIntervalMs_(walkIntervalMs) {
    thread_ = std::thread([this] { Watch(); });
}

DataFolderWatcher::~DataFolderWatcher() {
    Stop();
    if (thread_.joinable()) thread_.join();
}

std::vector<DataFolderWatcher::Found> DataFolderWatcher::TakeFound() {
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(found_, {});
}

bool DataFolderWatcher::Retry(const std::string& path) {
    std::lock_guard<std::mutex> guard(lock_);
    if (lastWalkBegun_) return false;
    taken_.erase(path);
    return true;
}

bool DataFolderWatcher::Finished() {
    std::lock_guard<std::mutex> guard(lock_);
    return finished_;
}

std::vector<std::string> DataFolderWatcher::TakeUnreadable() {
    std::lock_guard<std::mutex> guard(lock_);
    return std::exchange(unreadable_, {});
}

uint64_t DataFolderWatcher::FurthestSector() {
    std::lock_guard<std::mutex> guard(lock_);
    return progress_.furthestSector;
}

void DataFolderWatcher::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
    }
    stopping_.notify_all();
}

bool DataFolderWatcher::Wait(unsigned ms) {
    std::unique_lock<std::mutex> guard(lock_);
    return !stopping_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopped_; });
}

std::vector<std::string> DataFolderWatcher::Walk() {
    std::vector<std::string> walked;
    // Files out of reach of MAX_PATH are walked too, so that the last walk
    // reports them rather than leaving them unmentioned.
    ForEachFileBelow(
        dataDir_,
        [&](const FolderEntry& file) {
            walked.push_back(file.path);
            std::lock_guard<std::mutex> guard(lock_);
            return !stopped_;
        },
        [&](const FolderEntry& outOfReach) { walked.push_back(outOfReach.path); });
    return walked;
}

void DataFolderWatcher::Watch() {
    if (!Wait(firstWalkDelayMs_)) return;
    for (;;) {
        // The engine is asked before the walk: a walk that begins after it has
        // stopped sees everything it wrote, so it is the last.
        const bool lastWalk = !engineRunning_();
        if (lastWalk) {
            std::lock_guard<std::mutex> guard(lock_);
            lastWalkBegun_ = true;
        }
        const std::vector<std::string> walked = Walk();
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopped_) return;
            for (const std::string& path : walked) progress_.See(path);
        }
        // The file tests run without the lock: each opens the file.
        const WalkOutcome outcome = SortOutWalk(
            walked, dataDir_, lastWalk,
            [this](const std::string& path) {
                std::lock_guard<std::mutex> guard(lock_);
                return taken_.count(path) != 0;
            },
            ProbeFoundFile);
        {
            std::lock_guard<std::mutex> guard(lock_);
            if (stopped_) return;
            for (const std::string& path : outcome.admitted) {
                taken_.insert(path);
                found_.push_back(Found{path, lastWalk});
            }
            if (lastWalk) {
                unreadable_ = outcome.unreadable;
                finished_ = true;
                return;
            }
        }
        if (!Wait(walkIntervalMs_)) return;
    }
}

}  // namespace workflow
