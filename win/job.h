#pragma once
// A job object that ends every process in it when its last handle closes:
// whoever holds it, a crash or a TerminateProcess of the holder included,
// takes the processes in it along.
#include <windows.h>

#include <string>

#include "win/handles.h"

namespace win {

class KillOnCloseJob {
public:
    // An empty object, holding no job.
    KillOnCloseJob() = default;
    // A new job; empty when none could be made or limited, and then
    // StartHidden starts processes outside any job.
    static KillOnCloseJob Create();
    KillOnCloseJob(const KillOnCloseJob&) = delete;
    KillOnCloseJob& operator=(const KillOnCloseJob&) = delete;
    KillOnCloseJob(KillOnCloseJob&&) noexcept = default;
    KillOnCloseJob& operator=(KillOnCloseJob&&) noexcept = default;

    explicit operator bool() const { return m_job.valid(); }

    // Starts `application` with "<quoted application> <parameters>" as its
    // command line, hidden, in a console of its own, as ShellExecuteEx starts a
    // program; with `environment` ("NAME=value\0...\0\0") instead of ours when
    // one is given, and in `folder` instead of our current folder when one is; it is in the job before its first
    // instruction runs, so nothing it starts escapes the job either. A process
    // the job cannot take (a job of our own that forbids nesting, on Windows 7)
    // still runs, outside it. It inherits no handle of ours (its standard
    // handles are its new console's), and the libraries it loads by name are
    // looked for in the system folder before its own folder, where the
    // platform takes that policy. None when it could not be started.
    UniqueHandle StartHidden(const std::string& application, const std::string& parameters,
                             const std::string& environment = {}, const std::string& folder = {});

private:
    UniqueHandle m_job;
};

}  // namespace win
