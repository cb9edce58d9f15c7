#pragma once
// Worker threads that make the thumbnails of found pictures, so that decoding
// a large photo never holds up the window's thread. The window hands in each
// picture with a ticket and takes the finished thumbnails back by ticket, in
// the order it lists them.
//
// Workers take pictures in the order they were handed in and stop taking new
// ones while `maxWaiting` finished thumbnails wait to be taken: the one the
// window needs next is then always made or being made, and memory stays flat.
// The workers touch no window and share nothing but this object's queues,
// under its lock.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "win/handles.h"

namespace workflow {

class ThumbnailPool {
public:
    // What became of one picture: a thumbnail, or none when it cannot be decoded.
    using Thumbnail = std::optional<win::BitmapHandle>;

    // One worker per processor, at least 1 and at most 4.
    static int DefaultWorkerCount();
    static constexpr size_t kMaxWaiting = 32;

    explicit ThumbnailPool(int workers = DefaultWorkerCount(), size_t maxWaiting = kMaxWaiting);
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;
    // Stops and waits for the workers: a decode in hand is finished first.
    ~ThumbnailPool();

    void Submit(uint64_t ticket, std::string path);
    // The thumbnail of a ticket once it is made, handed over once; none while
    // it is queued or in hand, and for pictures dropped by Stop.
    std::optional<Thumbnail> Take(uint64_t ticket);
    // Queued pictures are dropped and whatever a worker finishes from now on is
    // thrown away; thumbnails finished before can still be taken.
    void Stop();
    // No worker holds a picture (and so no found file is open).
    bool Idle();
    // Waits until every worker has returned; only after Stop.
    void Join();

private:
    struct Job {
        uint64_t ticket;
        std::string path;
    };
    void Work();

    const size_t m_maxWaiting;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Job> m_queued;
    std::unordered_map<uint64_t, Thumbnail> m_finished;
    int m_inHand = 0;
    bool m_stopped = false;
    std::vector<std::thread> m_workers;
};

}  // namespace workflow
