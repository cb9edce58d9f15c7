#pragma once
// Measures how long a window's thread takes to answer: a thread of its own
// sends the window WM_NULL every few milliseconds and records how long each
// send took. A thread busy inside one message answers only when it next
// looks at its queue, so the longest answer is the longest stall.
#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

#include "tools/bench/stopwatch.h"

namespace bench {

struct StallSample {
    double sentAtMs;  // on the sampler's clock
    double tookMs;
};

class StallSampler {
public:
    StallSampler(HWND window, DWORD periodMs);
    StallSampler(const StallSampler&) = delete;
    StallSampler& operator=(const StallSampler&) = delete;
    ~StallSampler() { Stop(); }

    // The clock of the samples, started with the sampler.
    double NowMs() const { return m_clock.ElapsedMs(); }
    // Ends the sampling once the send in progress is answered. Called on the
    // window's thread, it answers that send itself meanwhile.
    void Stop();
    // Only after Stop.
    const std::vector<StallSample>& Samples() const { return m_samples; }

private:
    void Run(std::stop_token stop);

    HWND m_window;
    DWORD m_periodMs;
    Stopwatch m_clock;
    std::vector<StallSample> m_samples;  // the sampling thread's until it has ended
    std::atomic<bool> m_ended{false};
    std::jthread m_thread;
};

}  // namespace bench
