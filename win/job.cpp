#include "win/job.h"

namespace win {

KillOnCloseJob KillOnCloseJob::Create() {
    KillOnCloseJob job;
    job.m_job.reset(CreateJobObjectA(nullptr, nullptr));
    if (!job.m_job) return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job.m_job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits))
        job.m_job.reset();
    return job;
}

UniqueHandle KillOnCloseJob::StartHidden(const std::string& application, const std::string& parameters,
                                         const std::string& environment, const std::string& folder) {
    std::string commandLine = "\"" + application + "\"";
    if (!parameters.empty()) commandLine += " " + parameters;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_SUSPENDED | CREATE_NEW_CONSOLE,
                        environment.empty() ? nullptr : const_cast<char*>(environment.data()),
                        folder.empty() ? nullptr : folder.c_str(), &startup, &started))
        return UniqueHandle();
    UniqueHandle process(started.hProcess), thread(started.hThread);
    if (m_job) AssignProcessToJobObject(m_job.get(), process.get());
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        // A process that never runs would be waited for forever.
        TerminateProcess(process.get(), 1);
        return UniqueHandle();
    }
    return process;
}

}  // namespace win
