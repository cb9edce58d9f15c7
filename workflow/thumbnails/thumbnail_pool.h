#pragma once
// Worker threads that make the thumbnails of found pictures, so that decoding
// a large photo never holds up the window's thread. The window hands in each
// picture with a ticket and takes the finished thumbnails back by ticket, in
// the order it lists them.
//
// Workers take pictures in the order they were handed in and stop taking new
// ones while `maxWaiting` finished thumbnails wait to be taken: the one the
// window needs next is then always made or being made, and memory stays flat.
// The workers touch no window and share nothing but the pool's queues, under
// its lock. Nobody waits for a worker: once the pool is gone, a worker still
// decoding finishes in the background, throws its thumbnail away and ends.
//
// Threads: every public method on the owner's thread (the window's, or a
// thumbnail cache's); Work on the workers. Under Shared::lock: every member
// of Shared but maxWaiting, which never changes. A worker alone: the job and
// the spare rows it has taken. The workers are detached when they start, on
// purpose: a decode cannot be cut short, and the window must not wait for
// one to close; each worker holds Shared and a GdiplusSession::Use, so what
// it touches outlives the pool.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "workflow/files/carried_bytes.h"
#include "workflow/thumbnails/thumbnails.h"

namespace workflow {

class ThumbnailPool {
public:
    // One worker per processor, at least 1 and at most kMaxWorkers.
    static constexpr int kMaxWorkers = 4;
    static int DefaultWorkerCount();
    // The window takes finished thumbnails once a listing tick (50 ms): the
    // workers must be able to run ahead by more than a tick's worth of small
    // pictures, or they idle between ticks. 12 KB each.
    static constexpr size_t kMaxWaiting = 512;

    explicit ThumbnailPool(int workers = DefaultWorkerCount(), size_t maxWaiting = kMaxWaiting);
    ThumbnailPool(const ThumbnailPool&) = delete;
    ThumbnailPool& operator=(const ThumbnailPool&) = delete;
    // Stops the workers without waiting for them.
    ~ThumbnailPool();

    struct Job {
        uint64_t ticket;
        std::string path;
        CarriedBytes bytes;  // the picture's, when its probe read them
    };
    void Submit(uint64_t ticket, std::string path);
    // Many at once, under one lock: thousands of files can be found in a walk.
    void Submit(std::vector<Job> jobs);
    // The thumbnail of a ticket once it is made, handed over once; none while
    // it is queued or in hand, and for pictures dropped by Stop.
    std::optional<Thumbnail> Take(uint64_t ticket);
    // The rows of a thumbnail taken and copied: a worker writes the next
    // one into their memory. Freeing on the window's thread what workers
    // allocated, tens of thousands of times, fragments the heap.
    void GiveBack(std::vector<uint8_t> rows);
    // Queued pictures are dropped and whatever a worker finishes from now on is
    // thrown away; thumbnails finished before can still be taken.
    void Stop();
    // No worker holds a picture.
    bool Idle();

private:
    // What the pool and its workers share; the last of them frees it.
    struct Shared {
        explicit Shared(size_t maxWaiting) : maxWaiting(maxWaiting) {}
        const size_t maxWaiting;
        std::mutex lock;
        std::condition_variable changed;
        std::deque<Job> queued;
        std::unordered_map<uint64_t, Thumbnail> finished;
        std::vector<std::vector<uint8_t>> spareRows;
        int inHand = 0;
        bool stopped = false;
    };
    static void Work(const std::shared_ptr<Shared>& shared);

    std::shared_ptr<Shared> m_shared;
};

}  // namespace workflow
