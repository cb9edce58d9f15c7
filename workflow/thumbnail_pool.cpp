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

ThumbnailPool::ThumbnailPool(int workers, size_t maxWaiting) : maxWaiting_(std::max<size_t>(maxWaiting, 1)) {
    for (int i = 0; i < std::max(workers, 1); ++i) workers_.emplace_back([this] { Work(); });
}

ThumbnailPool::~ThumbnailPool() {
    Stop();
    Join();
}

void ThumbnailPool::Submit(uint64_t ticket, std::string path) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (stopped_) return;
        queued_.push_back(Job{ticket, std::move(path)});
    }
    changed_.notify_one();
}

std::optional<ThumbnailPool::Thumbnail> ThumbnailPool::Take(uint64_t ticket) {
    std::optional<Thumbnail> taken;
    {
        std::lock_guard<std::mutex> guard(lock_);
        const auto found = finished_.find(ticket);
        if (found == finished_.end()) return std::nullopt;
        taken = std::move(found->second);
        finished_.erase(found);
    }
    // Room for one more: a waiting worker may go on.
    changed_.notify_one();
    return taken;
}

void ThumbnailPool::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopped_ = true;
        queued_.clear();
    }
    changed_.notify_all();
}

bool ThumbnailPool::Idle() {
    std::lock_guard<std::mutex> guard(lock_);
    return inHand_ == 0;
}

void ThumbnailPool::Join() {
    for (std::thread& worker : workers_)
        if (worker.joinable()) worker.join();
    workers_.clear();
}

void ThumbnailPool::Work() {
    std::unique_lock<std::mutex> guard(lock_);
    for (;;) {
        changed_.wait(guard, [this] { return stopped_ || (!queued_.empty() && finished_.size() < maxWaiting_); });
        if (stopped_) return;
        Job job = std::move(queued_.front());
        queued_.pop_front();
        ++inHand_;
        guard.unlock();
        Thumbnail thumbnail;
        try {
            thumbnail = MakeThumbnail(job.path);
        } catch (...) {
            // Out of memory for a huge picture: shown as one that cannot be decoded.
            thumbnail.reset();
        }
        guard.lock();
        --inHand_;
        if (!stopped_) finished_.emplace(job.ticket, std::move(thumbnail));
    }
}

}  // namespace workflow
