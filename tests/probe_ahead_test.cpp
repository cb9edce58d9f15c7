// Found files probed ahead on helper threads, and the budget of the bytes
// small pictures' probes carry to their thumbnails.
#include "workflow/scan/probe_ahead.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "workflow/files/carried_bytes.h"

namespace {

using workflow::CarriedBytes;
using workflow::FoundFileState;
using workflow::ProbeAhead;

// A probe that answers by the name's first letter and counts its calls.
struct CountingProbe {
    std::mutex lock;
    std::map<std::string, int> calls;

    FoundFileState operator()(const std::string& path, uint64_t& size, CarriedBytes& bytes) {
        {
            const std::lock_guard<std::mutex> guard(lock);
            ++calls[path];
        }
        Sleep(path.size() % 3);  // helpers finish out of order
        size = path.size();
        if (path[0] == 'b') return FoundFileState::Busy;
        bytes = CarriedBytes::Reserve(size);
        return FoundFileState::Complete;
    }
};

// Every file is probed once, by a helper or by the thread asking, and each
// answer reaches the one who asks for that file, bytes included; a file that
// was not given is probed when asked for. Helpers may start with the walk or
// join it part way, once the thread asking has probed files itself.
TEST(ProbeAhead, EachFileIsProbedOnceAndItsOutcomeGoesToItsOwnAsker) {
    for (const bool joinPartWay : {false, true}) {
        SCOPED_TRACE(joinPartWay ? "helpers join part way" : "helpers from the start");
        std::vector<std::string> paths;
        for (int i = 0; i < 300; ++i) paths.push_back((i % 7 == 0 ? "busy" : "file") + std::to_string(i));
        CountingProbe counting;
        {
            const auto probe = [&](const std::string& p, uint64_t& s, CarriedBytes& b) { return counting(p, s, b); };
            ProbeAhead ahead(paths, probe, {}, joinPartWay ? 0 : 3);
            for (const std::string& path : paths) {
                if (joinPartWay && &path == &paths[100]) ahead.AddHelpers(3);
                uint64_t size = 0;
                CarriedBytes bytes;
                const FoundFileState state = ahead.Take(path, size, bytes);
                EXPECT_EQ(state, path[0] == 'b' ? FoundFileState::Busy : FoundFileState::Complete) << path;
                EXPECT_EQ(size, path.size()) << path;
                EXPECT_EQ(bytes.Bytes().size(), path[0] == 'b' ? 0u : path.size()) << path;
            }
            uint64_t size = 0;
            CarriedBytes bytes;
            EXPECT_EQ(ahead.Take("retried", size, bytes), FoundFileState::Complete);
        }
        EXPECT_EQ(counting.calls.size(), paths.size() + 1);
        for (const auto& [path, calls] : counting.calls) EXPECT_EQ(calls, 1) << path;
        // What nobody took went with the helpers' outcomes.
        EXPECT_EQ(CarriedBytes::InUse(), 0u);
    }
}

// Once stopped, the helpers start no file, and asking still answers.
TEST(ProbeAhead, StoppedHelpersProbeNothingMore) {
    std::vector<std::string> paths(200, "");
    for (size_t i = 0; i < paths.size(); ++i) paths[i] = "file" + std::to_string(i);
    CountingProbe counting;
    std::atomic<bool> stopped{true};
    ProbeAhead ahead(paths, [&](const std::string& p, uint64_t& s, CarriedBytes& b) { return counting(p, s, b); },
                     [&] { return stopped.load(); }, 3);
    uint64_t size = 0;
    CarriedBytes bytes;
    EXPECT_EQ(ahead.Take(paths[150], size, bytes), FoundFileState::Complete);
    EXPECT_EQ(counting.calls.size(), 1u);
}

// The bytes carried at once stay within the budget, and a large file is never carried.
TEST(CarriedBytes, StayWithinTheirBudget) {
    EXPECT_TRUE(CarriedBytes::Reserve(CarriedBytes::kMostPerFile + 1).empty());
    std::vector<CarriedBytes> held;
    while (held.size() <= CarriedBytes::kBudget / CarriedBytes::kMostPerFile) {
        CarriedBytes next = CarriedBytes::Reserve(CarriedBytes::kMostPerFile);
        if (next.empty()) break;
        held.push_back(std::move(next));
    }
    EXPECT_EQ(held.size(), CarriedBytes::kBudget / CarriedBytes::kMostPerFile);
    EXPECT_EQ(CarriedBytes::InUse(), CarriedBytes::kBudget);
    held.pop_back();
    EXPECT_FALSE(CarriedBytes::Reserve(CarriedBytes::kMostPerFile).empty());
    held.clear();
    EXPECT_EQ(CarriedBytes::InUse(), 0u);
}

}  // namespace
