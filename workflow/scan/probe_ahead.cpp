#include "workflow/scan/probe_ahead.h"

#include <windows.h>

#include <system_error>
#include <utility>

namespace workflow {

namespace {

// A probe takes a fraction of a millisecond: the thread waiting for one gives
// its processor away this many times before it sleeps on the lock.
constexpr int kYieldsBeforeSleeping = 50;

}  // namespace

ProbeAhead::ProbeAhead(std::vector<std::string> paths, Probe probe, std::function<bool()> stopped, int helpers)
    : m_paths(std::move(paths)), m_probe(std::move(probe)), m_stopped(std::move(stopped)),
      m_outcomes(std::make_unique<Outcome[]>(m_paths.size())) {
    m_indexOf.reserve(m_paths.size());
    for (size_t i = 0; i < m_paths.size(); ++i) m_indexOf.emplace(m_paths[i], i);
    AddHelpers(helpers);
}

void ProbeAhead::AddHelpers(int helpers) {
    // A helper that cannot be started leaves its share to the others and to
    // the walk's own thread.
    try {
        while (static_cast<int>(m_helpers.size()) < helpers && !m_paths.empty())
            m_helpers.emplace_back([this] { Help(); });
    } catch (const std::system_error&) {
    }
}

ProbeAhead::~ProbeAhead() {
    m_helpers.clear();  // joins each helper
}

void ProbeAhead::Help() {
    while (ProbeNext()) {
    }
}

bool ProbeAhead::ProbeNext() {
    for (;;) {
        const size_t index = m_next.fetch_add(1);
        if (index >= m_paths.size() || (m_stopped && m_stopped())) return false;
        Outcome& outcome = m_outcomes[index];
        if (outcome.claimed.exchange(true)) continue;  // the walk's own thread got there first
        outcome.state = m_probe(m_paths[index], outcome.size, outcome.bytes);
        outcome.done.store(true);
        if (m_waiting.load() > 0) {
            const std::lock_guard<std::mutex> guard(m_lock);
            m_done.notify_all();
        }
        return true;
    }
}

FoundFileState ProbeAhead::Take(const std::string& path, uint64_t& size, CarriedBytes& bytes) {
    const auto found = m_indexOf.find(path);
    if (found == m_indexOf.end()) return m_probe(path, size, bytes);
    Outcome& outcome = m_outcomes[found->second];
    if (!outcome.claimed.exchange(true)) return m_probe(path, size, bytes);
    // A helper that claimed a file probes it to the end, stopped or not.
    // Meanwhile this thread probes the files after it rather than wait.
    while (!outcome.done.load() && ProbeNext()) {
    }
    for (int yields = 0; !outcome.done.load() && yields < kYieldsBeforeSleeping; ++yields) SwitchToThread();
    if (!outcome.done.load()) {
        std::unique_lock<std::mutex> guard(m_lock);
        ++m_waiting;
        m_done.wait(guard, [&] { return outcome.done.load(); });
        --m_waiting;
    }
    size = outcome.size;
    bytes = std::move(outcome.bytes);
    return outcome.state;
}

}  // namespace workflow
