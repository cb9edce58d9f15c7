#pragma once
// Probes a walk's found files on helper threads ahead of the walk's sorting
// out, which takes each outcome in its own order. A probe is an open of the
// file and a look at it: under Wine each is a round trip to the Wine server,
// and one thread probing tens of thousands of files one after another spends
// most of its time waiting for the answers while the processors idle.
// Handing outcomes over takes no lock while nobody waits: under Wine a
// contended lock is a round trip of its own.
//
// Threads: the constructor, AddHelpers, Take and the destructor on the
// thread that made it (the walk's); Help on the helpers; `probe` and
// `stopped` on both. Each file's outcome is claimed by one thread through its
// `claimed` flag and published through its `done` flag, without a lock.
// m_lock guards nothing but the wait for `done` (m_waiting counts those
// waiting, so that helpers notify only then). The walk's thread alone:
// m_helpers. The destructor joins every helper: each ends within a file once
// `stopped` holds.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "workflow/files/carried_bytes.h"
#include "workflow/scan/listing_rules.h"

namespace workflow {

class ProbeAhead {
public:
    // What a probe says of a file and, for a complete one, its size and
    // perhaps its bytes.
    using Probe = std::function<FoundFileState(const std::string& path, uint64_t& size, CarriedBytes& bytes)>;

    // Starts `helpers` threads probing `paths` in their order; none once
    // `stopped` holds (asked before each file).
    ProbeAhead(std::vector<std::string> paths, Probe probe, std::function<bool()> stopped, int helpers);
    ProbeAhead(const ProbeAhead&) = delete;
    ProbeAhead& operator=(const ProbeAhead&) = delete;
    // Waits for the helpers: each ends within a file once `stopped` holds.
    ~ProbeAhead();

    // Starts helpers until `helpers` probe alongside; only from the thread
    // that made this.
    void AddHelpers(int helpers);

    // The outcome for `path`; while a helper has it in hand, the files after
    // it that nobody has taken are probed meanwhile. A path no helper has
    // taken yet, or one that was not given, is probed now.
    FoundFileState Take(const std::string& path, uint64_t& size, CarriedBytes& bytes);

private:
    struct Outcome {
        std::atomic<bool> claimed{false};
        std::atomic<bool> done{false};
        FoundFileState state = FoundFileState::Busy;
        uint64_t size = 0;
        CarriedBytes bytes;
    };
    void Help();
    // Probes the next file nobody has claimed; false when none is left or
    // the walk is stopped.
    bool ProbeNext();

    const std::vector<std::string> m_paths;
    const Probe m_probe;
    const std::function<bool()> m_stopped;
    std::unordered_map<std::string_view, size_t> m_indexOf;
    const std::unique_ptr<Outcome[]> m_outcomes;
    std::atomic<size_t> m_next{0};

    // For the rare wait on a helper still probing the file asked for.
    std::mutex m_lock;
    std::condition_variable m_done;
    std::atomic<int> m_waiting{0};

    std::vector<std::jthread> m_helpers;
};

}  // namespace workflow
