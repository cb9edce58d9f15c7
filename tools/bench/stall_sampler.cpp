#include "tools/bench/stall_sampler.h"

namespace bench {

namespace {

// Far longer than any stall worth measuring, so each one is measured whole.
constexpr UINT kAnswerTimeoutMs = 60000;

}  // namespace

StallSampler::StallSampler(HWND window, DWORD periodMs)
    : m_window(window), m_periodMs(periodMs), m_thread([this](std::stop_token stop) { Run(stop); }) {}

void StallSampler::Stop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    // The last send may be waiting for this very thread: its messages are
    // answered until the sampler has ended, so it does not wait out its timeout.
    while (!m_ended) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_SENDMESSAGE);
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    m_thread.join();
}

void StallSampler::Run(std::stop_token stop) {
    while (!stop.stop_requested() && IsWindow(m_window)) {
        const double sentAt = m_clock.ElapsedMs();
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(m_window, WM_NULL, 0, 0, SMTO_NORMAL, kAnswerTimeoutMs, &answer);
        m_samples.push_back({sentAt, m_clock.ElapsedMs() - sentAt});
        Sleep(m_periodMs);
    }
    m_ended = true;
}

}  // namespace bench
