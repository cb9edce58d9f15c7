#pragma once
// Watches the engine's data folder on a thread of its own: it walks the
// folder, waits, walks again, until a walk that began after the engine had
// stopped, and hands over each new complete file in the order it was found.
// Walking tens of thousands of files and probing each new one takes longer
// than the window's thread may be kept from its messages.
// The engine fills its output folders one after another, so a walk leaves out
// each folder whose files were all handed over and that has not changed since
// (its own time): a walk costs what is new, not what was found. The last walk
// lists everything again, from the moment a walk under way sees that the
// engine has ended.
//
// Threads: the public methods on the owner's thread (the window's). Watch
// and `engineRunning` on the watcher's thread; the last walk's listing, once
// the engine has ended, on a lister thread the watcher's thread joins; the
// probes of a large walk also on ProbeAhead's helpers. Under m_lock:
// m_lastWalkBegun, m_finished, m_taken, m_settled, m_retried, m_found,
// m_unreadable, m_progress and every write of m_stopped; m_timesBefore and
// m_newestBefore are changed only by MarkSettled, under it. The watcher's
// thread alone: m_photoSectors. The destructor joins the watcher's thread
// without a bound: after Stop it returns within one file.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "workflow/files/carried_bytes.h"
#include "workflow/engine/scan_progress.h"

namespace workflow {

class DataFolderWatcher {
public:
    struct Found {
        std::string path;
        uint64_t size;  // as it was when found complete
        bool lastWalk;  // found by the walk after the engine stopped: no later walk looks again
        CarriedBytes bytes;  // a small picture's, read by its probe; none for other files
    };

    // `engineRunning` is asked on the watcher's thread before each walk and
    // while its files are probed. With
    // `top`, each walk reaches the data folder from `top` one folder at a
    // time, none of them a link.
    DataFolderWatcher(std::string dataDir, std::function<bool()> engineRunning, unsigned firstWalkDelayMs,
                      unsigned walkIntervalMs, std::string top = {});
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
    // How far the engine has got, by the names of the files seen so far.
    uint64_t FurthestSector();
    // Ends the watch without a last walk; nothing is handed over once it has
    // returned, and the thread returns within one file of its walk or probes.
    void Stop();

private:
    struct Listing;
    void Watch();
    bool Wait(unsigned ms);  // false when stopped meanwhile
    Listing Walk(bool lastWalk);
    // The files of a walk its sorting out will probe: none handed over yet,
    // neither the engine's log nor a preview, each within reach of MAX_PATH.
    std::vector<std::string> Unprobed(const Listing& listing);
    // Called with the lock held once a walk before the last has been sorted out.
    void MarkSettled(const Listing& listing, const std::vector<std::string>& waiting, uint64_t walkBegan);

    const std::string m_dataDir;
    const std::string m_top;
    const std::function<bool()> m_engineRunning;
    const unsigned m_firstWalkDelayMs, m_walkIntervalMs;

    std::mutex m_lock;
    std::condition_variable m_stopping;
    // Read without the lock by every file's probe: a lock taken by several
    // threads at once costs a round trip to the Wine server.
    std::atomic<bool> m_stopped{false};
    bool m_lastWalkBegun = false;
    bool m_finished = false;
    std::unordered_set<std::string> m_taken;
    // Folders a walk may leave out, with their own time as it was when all
    // their files had been handed over.
    std::unordered_map<std::string, uint64_t> m_settled;
    // What the walk before saw: each folder's time, and the newest time of
    // the folders in each parent.
    std::unordered_map<std::string, uint64_t> m_timesBefore;
    std::unordered_map<std::string, uint64_t> m_newestBefore;
    // Folders of files handed back by Retry during the walk under way: that
    // walk may have listed them before, so it must not mark them settled.
    std::unordered_set<std::string> m_retried;
    // Sectors of the photos met so far, for the previews in folders listed
    // later; used by the watcher's thread alone.
    std::unordered_set<std::string> m_photoSectors;
    std::vector<Found> m_found;
    std::vector<std::string> m_unreadable;
    SearchProgress m_progress;
    std::jthread m_thread;
};

}  // namespace workflow
