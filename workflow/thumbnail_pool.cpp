#include "workflow/thumbnail_pool.h"

#include <windows.h>

#include <algorithm>

#include "workflow/thumbnails.h"

namespace workflow {

int ThumbnailPool::DefaultWorkerCount() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return std::clamp(static_cast<int>(system.dwNumberOfProcessors), 1, 4);
}

ThumbnailPool::ThumbnailPool(int workers, size_t maxWaiting) : m_maxWaiting(std::max<size_t>(maxWaiting, 1)) {
    for (int i = 0; i < std::max(workers, 1); ++i) m_workers.emplace_back([this] { Work(); });
}

ThumbnailPool::~ThumbnailPool() {
    Stop();
    Join();
}

void ThumbnailPool::Submit(uint64_t ticket, std::string path) {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_stopped) return;
        m_queued.push_back(Job{ticket, std::move(path)});
    }
    m_changed.notify_one();
}

std::optional<ThumbnailPool::Thumbnail> ThumbnailPool::Take(uint64_t ticket) {
    std::optional<Thumbnail> taken;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto found = m_finished.find(ticket);
        if (found == m_finished.end()) return std::nullopt;
        taken = std::move(found->second);
        m_finished.erase(found);
    }
    // Room for one more: a waiting worker may go on.
    m_changed.notify_one();
    return taken;
}

void ThumbnailPool::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopped = true;
        m_queued.clear();
    }
    m_changed.notify_all();
}

bool ThumbnailPool::Idle() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_inHand == 0;
}

void ThumbnailPool::Join() {
    for (std::thread& worker : m_workers)
        if (worker.joinable()) worker.join();
    m_workers.clear();
}

void ThumbnailPool::Work() {
    std::unique_lock<std::mutex> guard(m_lock);
    for (;;) {
        m_changed.wait(guard, [this] { return m_stopped || (!m_queued.empty() && m_finished.size() < m_maxWaiting); });
        if (m_stopped) return;
        Job job = std::move(m_queued.front());
        m_queued.pop_front();
        ++m_inHand;
        guard.unlock();
        Thumbnail thumbnail;
        try {
            thumbnail = MakeThumbnail(job.path);
        } catch (...) {
            // Out of memory for a huge picture: shown as one that cannot be decoded.
            thumbnail.reset();
        }
        guard.lock();
        --m_inHand;
        if (!m_stopped) m_finished.emplace(job.ticket, std::move(thumbnail));
    }
}

}  // namespace workflow
