#include "workflow/thumbnails/thumbnail_pool.h"

#include <windows.h>

#include <algorithm>
#include <thread>

#include "win/gdiplus_session.h"

namespace workflow {

int ThumbnailPool::DefaultWorkerCount() {
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    return std::clamp(static_cast<int>(system.dwNumberOfProcessors), 1, kMaxWorkers);
}

ThumbnailPool::ThumbnailPool(int workers, size_t maxWaiting)
    : m_shared(std::make_shared<Shared>(std::max<size_t>(maxWaiting, 1))) {
    for (int i = 0; i < std::max(workers, 1); ++i) std::jthread([shared = m_shared] { Work(shared); }).detach();
}

ThumbnailPool::~ThumbnailPool() { Stop(); }

void ThumbnailPool::Submit(uint64_t ticket, std::string path) {
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        if (m_shared->stopped) return;
        m_shared->queued.push_back(Job{ticket, std::move(path), {}});
    }
    m_shared->changed.notify_one();
}

void ThumbnailPool::Submit(std::vector<Job> jobs) {
    if (jobs.empty()) return;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        if (m_shared->stopped) return;
        for (Job& job : jobs) m_shared->queued.push_back(std::move(job));
    }
    m_shared->changed.notify_all();
}

std::optional<Thumbnail> ThumbnailPool::Take(uint64_t ticket) {
    std::optional<Thumbnail> taken;
    bool wasFull = false;
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        const auto found = m_shared->finished.find(ticket);
        if (found == m_shared->finished.end()) return std::nullopt;
        taken = std::move(found->second);
        wasFull = m_shared->finished.size() >= m_shared->maxWaiting;
        m_shared->finished.erase(found);
    }
    // Room for one more: a worker waiting for it may go on. Only then: under
    // Wine each wake-up is a round trip to the Wine server, and most of the
    // time the workers wait for pictures, not for room.
    if (wasFull) m_shared->changed.notify_one();
    return taken;
}

void ThumbnailPool::GiveBack(std::vector<uint8_t> rows) {
    // Every thumbnail waiting or in hand may give its rows back: kept, they
    // are all the rows a scan ever allocates, whatever it finds.
    const size_t mostSpare = m_shared->maxWaiting + kMaxWorkers;
    std::lock_guard<std::mutex> guard(m_shared->lock);
    if (m_shared->spareRows.size() < mostSpare) m_shared->spareRows.push_back(std::move(rows));
}

void ThumbnailPool::Stop() {
    {
        std::lock_guard<std::mutex> guard(m_shared->lock);
        m_shared->stopped = true;
        m_shared->queued.clear();
    }
    m_shared->changed.notify_all();
}

bool ThumbnailPool::Idle() {
    std::lock_guard<std::mutex> guard(m_shared->lock);
    return m_shared->inHand == 0;
}

void ThumbnailPool::Work(const std::shared_ptr<Shared>& shared) {
    std::unique_lock<std::mutex> guard(shared->lock);
    for (;;) {
        shared->changed.wait(guard, [&] {
            return shared->stopped || (!shared->queued.empty() && shared->finished.size() < shared->maxWaiting);
        });
        if (shared->stopped) return;
        Job job = std::move(shared->queued.front());
        shared->queued.pop_front();
        ++shared->inHand;
        std::vector<uint8_t> spareRows;
        if (!shared->spareRows.empty()) {
            spareRows = std::move(shared->spareRows.back());
            shared->spareRows.pop_back();
        }
        // Taken under the lock, before Stop can return: GDI+ is then not shut
        // down under a decode that outlives the window.
        const win::GdiplusSession::Use drawing;
        guard.unlock();
        Thumbnail thumbnail;
        try {
            thumbnail = MakeThumbnail(job.path, std::move(spareRows), std::move(job.bytes));
        } catch (...) {
            // Out of memory: shown as a picture that cannot be decoded.
            thumbnail = Thumbnail{};
        }
        guard.lock();
        --shared->inHand;
        if (!shared->stopped) shared->finished.emplace(job.ticket, std::move(thumbnail));
    }
}

}  // namespace workflow
