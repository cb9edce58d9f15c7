#include "workflow/data_folder_watcher.h"

#include <utility>

#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"

namespace workflow {

DataFolderWatcher::DataFolderWatcher(std::string dataDir, std::function<bool()> engineRunning,
                                     unsigned firstWalkDelayMs, unsigned walkIntervalMs)
    : m_dataDir(std::move(dataDir)),
      m_engineRunning(std::move(engineRunning)),
      m_firstWalkDelayMs(firstWalkDelayMs),
      m_walkIntervalMs(walkIntervalMs) {
    m_thread = std::thread([this] { Watch(); });
}

DataFolderWatcher::~DataFolderWatcher() {
    Stop();
    if (m_thread.joinable()) m_thread.join();
}

std::vector<DataFolderWatcher::Found> DataFolderWatcher::TakeFound() {
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_found, {});
}

bool DataFolderWatcher::Retry(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_lastWalkBegun) return false;
    m_taken.erase(path);
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

int DataFolderWatcher::WaitingCount() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_waiting;
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
    return !m_stopping.wait_for(guard, std::chrono::milliseconds(ms), [this] { return m_stopped; });
}

std::vector<std::string> DataFolderWatcher::Walk() {
    std::vector<std::string> walked;
    // Files out of reach of MAX_PATH are walked too, so that the last walk
    // reports them rather than leaving them unmentioned.
    ForEachFileBelow(
        m_dataDir,
        [&](const FolderEntry& file) {
            walked.push_back(file.path);
            std::lock_guard<std::mutex> guard(m_lock);
            return !m_stopped;
        },
        [&](const FolderEntry& outOfReach) { walked.push_back(outOfReach.path); });
    return walked;
}

void DataFolderWatcher::Watch() {
    if (!Wait(m_firstWalkDelayMs)) return;
    for (;;) {
        // The engine is asked before the walk: a walk that begins after it has
        // stopped sees everything it wrote, so it is the last.
        const bool lastWalk = !m_engineRunning();
        if (lastWalk) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_lastWalkBegun = true;
        }
        const std::vector<std::string> walked = Walk();
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stopped) return;
            for (const std::string& path : walked) m_progress.See(path);
        }
        // The file tests run without the lock: each opens the file. Each file
        // is handed over as soon as it passes, and Stop ends the tests within
        // one file: tens of thousands of leftovers take long to test.
        const auto stopped = [this] {
            std::lock_guard<std::mutex> guard(m_lock);
            return m_stopped;
        };
        const WalkOutcome outcome = SortOutWalk(
            walked, m_dataDir, lastWalk,
            [this](const std::string& path) {
                std::lock_guard<std::mutex> guard(m_lock);
                return m_taken.count(path) != 0;
            },
            ProbeFoundFile, SIZE_MAX, stopped,
            [&](const std::string& path) {
                std::lock_guard<std::mutex> guard(m_lock);
                if (m_stopped) return;
                m_taken.insert(path);
                m_found.push_back(Found{path, lastWalk});
            });
        {
            std::lock_guard<std::mutex> guard(m_lock);
            if (m_stopped) return;
            m_waiting = static_cast<int>(outcome.waiting);
            if (lastWalk) {
                m_unreadable = outcome.unreadable;
                m_finished = true;
                return;
            }
        }
        if (!Wait(m_walkIntervalMs)) return;
    }
}

}  // namespace workflow
