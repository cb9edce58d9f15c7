#include "win/job.h"

#include <cstdint>
#include <vector>

namespace win {

namespace {

// Image-load mitigations of Windows 10, which the platform's headers leave
// out: the system folder searched before the program's own, and no image
// loaded from a remote share or one marked low integrity.
constexpr uint64_t kPreferSystem32 = uint64_t{1} << 60;
constexpr uint64_t kNoRemoteImages = uint64_t{1} << 52;
constexpr uint64_t kNoLowLabelImages = uint64_t{1} << 56;

// The attribute list that asks for those mitigations; empty when the platform
// cannot make one (older Windows, Wine), and the process starts without it.
class ImageLoadPolicy {
public:
    ImageLoadPolicy() {
        SIZE_T size = 0;
        InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
        if (size == 0) return;
        m_buffer.resize(size / sizeof(uint64_t) + 1);
        auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
        if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
            m_buffer.clear();
            return;
        }
        if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_MITIGATION_POLICY, &m_policy, sizeof m_policy,
                                       nullptr, nullptr)) {
            DeleteProcThreadAttributeList(list);
            m_buffer.clear();
        }
    }
    ~ImageLoadPolicy() {
        if (!m_buffer.empty()) DeleteProcThreadAttributeList(List());
    }
    ImageLoadPolicy(const ImageLoadPolicy&) = delete;
    ImageLoadPolicy& operator=(const ImageLoadPolicy&) = delete;

    LPPROC_THREAD_ATTRIBUTE_LIST List() {
        return m_buffer.empty() ? nullptr : reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(m_buffer.data());
    }

private:
    uint64_t m_policy = kPreferSystem32 | kNoRemoteImages | kNoLowLabelImages;
    std::vector<uint64_t> m_buffer;
};

}  // namespace

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
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
    startup.StartupInfo.wShowWindow = SW_HIDE;
    ImageLoadPolicy policy;
    startup.lpAttributeList = policy.List();
    PROCESS_INFORMATION started{};
    const auto start = [&](bool withPolicy) {
        std::string line = commandLine;
        startup.StartupInfo.cb = withPolicy ? sizeof startup : sizeof startup.StartupInfo;
        return CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, FALSE,
                              CREATE_SUSPENDED | CREATE_NEW_CONSOLE | (withPolicy ? EXTENDED_STARTUPINFO_PRESENT : 0),
                              environment.empty() ? nullptr : const_cast<char*>(environment.data()),
                              folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &started) != FALSE;
    };
    // A platform that takes the list but refuses the policy at the start
    // (Windows before 10) starts the process without it.
    if (!(policy.List() && start(true)) && !start(false)) return UniqueHandle();
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
