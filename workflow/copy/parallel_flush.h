#pragma once
// Flushes files on a few threads at once. A disk takes flushes that come
// together in one go (the file system commits them together), where flushes
// one after another each wait for the disk on their own.
//
// Threads: Begin, IsDone, Wait and the destructor on one owning thread (a
// copy's worker); Run on the flushing threads. Under m_lock: m_closing,
// m_queue, m_results and m_nextTicket. The owning thread alone: m_threads.
// The destructor joins the flushing threads without a bound: a flush under
// way cannot be cut short, and its handle must stay open until it returns.
#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <utility>
#include <vector>

namespace workflow {

class ParallelFlush {
public:
    explicit ParallelFlush(int threads);
    // Flushes not begun yet are dropped; those under way are waited for, so
    // every handle given may be closed once this object is gone.
    ~ParallelFlush();
    ParallelFlush(const ParallelFlush&) = delete;
    ParallelFlush& operator=(const ParallelFlush&) = delete;

    // Queues a flush of `file`, whose handle must stay open until Wait for the
    // ticket has returned or this object is gone.
    uint64_t Begin(HANDLE file);
    bool IsDone(uint64_t ticket) const;
    // Waits for the flush: ERROR_SUCCESS, or why it failed.
    DWORD Wait(uint64_t ticket);

private:
    void Run();

    mutable std::mutex m_lock;
    std::condition_variable m_queued;
    std::condition_variable m_done;
    bool m_closing = false;
    std::deque<std::pair<uint64_t, HANDLE>> m_queue;
    std::unordered_map<uint64_t, DWORD> m_results;
    uint64_t m_nextTicket = 0;
    std::vector<std::jthread> m_threads;
};

}  // namespace workflow
