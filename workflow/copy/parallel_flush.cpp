#include "workflow/copy/parallel_flush.h"

namespace workflow {

ParallelFlush::ParallelFlush(int threads) {
    for (int i = 0; i < threads; ++i) m_threads.emplace_back([this] { Run(); });
}

ParallelFlush::~ParallelFlush() {
    {
        std::lock_guard lock(m_lock);
        m_queue.clear();
        m_closing = true;
    }
    m_queued.notify_all();
    m_threads.clear();  // each joins once its flush under way has returned
}

uint64_t ParallelFlush::Begin(HANDLE file) {
    std::lock_guard lock(m_lock);
    const uint64_t ticket = m_nextTicket++;
    m_queue.emplace_back(ticket, file);
    m_queued.notify_one();
    return ticket;
}

bool ParallelFlush::IsDone(uint64_t ticket) const {
    std::lock_guard lock(m_lock);
    return m_results.count(ticket) != 0;
}

DWORD ParallelFlush::Wait(uint64_t ticket) {
    std::unique_lock lock(m_lock);
    m_done.wait(lock, [&] { return m_results.count(ticket) != 0; });
    const DWORD result = m_results[ticket];
    m_results.erase(ticket);
    return result;
}

void ParallelFlush::Run() {
    std::unique_lock lock(m_lock);
    for (;;) {
        m_queued.wait(lock, [&] { return m_closing || !m_queue.empty(); });
        if (m_queue.empty()) return;
        const auto [ticket, file] = m_queue.front();
        m_queue.pop_front();
        lock.unlock();
        const DWORD result = FlushFileBuffers(file) ? ERROR_SUCCESS : GetLastError();
        lock.lock();
        m_results[ticket] = result;
        m_done.notify_all();
    }
}

}  // namespace workflow
