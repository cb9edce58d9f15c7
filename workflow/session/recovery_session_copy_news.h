#pragma once
// What the recovery copy tells a session, for the session's own files: the
// copy's report turned into calls of the session, and what it reported in
// its last Poll, dealt with once Poll has returned.
#include <optional>
#include <string>

#include "workflow/copy/recovery_copy.h"
#include "workflow/session/recovery_session.h"

namespace workflow {

struct RecoverySession::CopyNews {
    std::optional<DestinationShort> destinationShort;
    std::optional<CopyOutcome> ended;
    bool finished = false;
    std::string message;  // the stop's message, or the report of what failed
};

class RecoverySession::CopyReport final : public RecoveryCopy::Report {
public:
    explicit CopyReport(RecoverySession& session) : m_session(session) {}
    void OnCopyProgress(int position, int total) override { m_session.OnCopyProgress(position, total); }
    void OnDestinationShort(const DestinationShort& shortOf) override { m_session.OnDestinationShort(shortOf); }
    void OnCopyStopped(const std::string& message, const CopyOutcome& soFar) override {
        m_session.OnCopyStopped(message, soFar);
    }
    void OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) override {
        m_session.OnCopyFinished(outcome, failureReport);
    }

private:
    RecoverySession& m_session;
};

}  // namespace workflow
