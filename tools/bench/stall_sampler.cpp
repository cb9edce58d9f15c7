#include "tools/bench/stall_sampler.h"

namespace bench {

namespace {

// Far longer than any stall worth measuring, so each one is measured whole.
constexpr UINT kAnswerTimeoutMs = 60000;

}  // namespace

StallSampler::StallSampler(HWND window, DWORD periodMs)
    : window_(window), periodMs_(periodMs), thread_([this](std::stop_token stop) { Run(stop); }) {}

void StallSampler::Stop() {
    if (!thread_.joinable()) return;
    thread_.request_stop();
    thread_.join();
}

void StallSampler::Run(std::stop_token stop) {
    while (!stop.stop_requested() && IsWindow(window_)) {
        const double sentAt = clock_.ElapsedMs();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(window_, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer);
        samples_.push_back({sentAt, clock_.ElapsedMs() - sentAt});
        Sleep(periodMs_);
    }
}

}  // namespace bench
