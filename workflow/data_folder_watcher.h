#pragma once
// Watches the engine's data folder on a thread of its own: it walks the whole
// folder, waits, walks again, until a walk that began after the engine had
// stopped, and hands over each new complete file in the order it was found.
// Walking tens of thousands of files and testing each new one takes longer
// than the window's thread may be kept from its messages.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "workflow/scan_progress.h"

namespace workflow {

class DataFolderWatcher {
public:
    struct Found {
        std::string path;
        bool lastWalk;  // found by the walk after the engine stopped: no later walk looks again
    };

    // `engineRunning` is asked on the watcher's thread before each walk.
    DataFolderWatcher(std::string dataDir, std::function<bool()> engineRunning, unsigned firstWalkDelayMs,
                      unsigned walkIntervalMs);
    DataFolderWatcher(const DataFolderWatcher&) = delete;
    DataFolderWatcher& operator=(const DataFolderWatcher&) = delete;
    // Stops and waits for the thread.
    ~DataFolderWatcher();

    // Files handed over since the last call, in the order found.
    std::vector<Found> TakeFound();
    // A handed-over file that was not listed after all: a later walk looks at
    // it again. False once the last walk has begun: the caller lists it now.
    bool Retry(const std::string& path);
    // The last walk is over; what it found has been handed over or is waiting in TakeFound.
    bool Finished();
    // Files the last walk could not read, handed over once.
    std::vector<std::string> TakeUnreadable();
    // Found files the latest walk met that are not handed over yet (the
    // engine still writes them).
    int WaitingCount();
    // How far the engine has got, by the names of the files seen so far.
    uint64_t FurthestSector();
    // Ends the watch without a last walk; nothing is handed over once it has
    // returned, and the thread returns within one file of its walk or tests.
    void Stop();

private:
    void Watch();
    bool Wait(unsigned ms);  // false when stopped meanwhile
    std::vector<std::string> Walk();

    const std::string m_dataDir;
    const std::function<bool()> m_engineRunning;
    const unsigned m_firstWalkDelayMs, m_walkIntervalMs;

    std::mutex m_lock;
    std::condition_variable m_stopping;
    bool m_stopped = false;
    bool m_lastWalkBegun = false;
    bool m_finished = false;
    std::unordered_set<std::string> m_taken;
    std::vector<Found> m_found;
    std::vector<std::string> m_unreadable;
    int m_waiting = 0;
    SearchProgress m_progress;
    std::thread m_thread;
};

}  // namespace workflow
