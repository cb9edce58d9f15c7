#include "workflow/engine/engine_run.h"

#include <pthread.h>
#include <shlwapi.h>

#include <system_error>

#include "win/message_pump.h"
#include "workflow/engine/app_title.h"
#include "workflow/files/copy_names.h"
#include "workflow/engine/engine_command.h"
#include "workflow/engine/engine_copy.h"
#include "workflow/engine/engine_environment.h"
#include "workflow/files/folder_tree.h"

namespace workflow {

namespace {

constexpr char kEngineFile[] = "photo.exe";
constexpr char kRuntimeFile[] = "cygwin1.dll";
constexpr char kLoadFailed[] = "Failed to load engine, error code ";
constexpr char kReinstallAdvice[] = ". Installation may be corrupted, please try to re-install Vantreo";

// Closes the visible message boxes of one thread.
void CloseMessageBoxesOf(DWORD threadId) {
    EnumThreadWindows(
        threadId,
        [](HWND window, LPARAM) -> BOOL {
            char className[16] = {};
            GetClassNameA(window, className, sizeof(className));
            if (std::string(className) == "#32770" && IsWindowVisible(window)) PostMessageA(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
}

}  // namespace

std::string EngineFailureText(DWORD exitCode) {
    // The engine ends with 1 when it cannot open what it was told to search.
    if (exitCode == kEngineCannotOpenDevice) {
        return "Recovery engine failed, error code: 1\n\nThe engine could not open the drive or disk image to "
               "search it. Check that it is still connected and readable, then start the scan again; a drive the "
               "engine cannot open may still be searched through a disk image of it (Open disk image).";
    }
    return "Recovery engine failed, error code: " + std::to_string(exitCode) +
           "\n\nCheck that the drive is still connected and readable, then start the scan again.";
}

EngineRun::~EngineRun() {
    Stop();
    Join(INFINITE);
}

bool EngineRun::Start(EngineInputs inputs, std::function<void(const std::string&)> tellUser) {
    // The worker works on this object: a second one would share its inputs and
    // handles with the first.
    if (m_worker.joinable() && WaitForSingleObject(WorkerHandle(), 0) == WAIT_TIMEOUT) return false;
    // An earlier worker has ended: its join returns at once, and nobody else
    // can reach its handles.
    if (m_worker.joinable()) m_worker.join();
    m_process.reset();
    m_job = {};
    m_tellUser = std::move(tellUser);
    m_inputs = std::move(inputs);
    {
        const std::lock_guard lock(m_lock);
        m_stopRequested = false;
        m_failed = false;
        m_running = 1;
    }
    try {
        m_worker = std::jthread([this] { RunWorker(); });
        return true;
    } catch (const std::system_error&) {
        const std::lock_guard lock(m_lock);
        m_running = 0;
        return false;
    }
}

void EngineRun::Stop() {
    const std::lock_guard lock(m_lock);
    m_stopRequested = true;
    m_running = 0;
    if (m_process) TerminateProcess(m_process.get(), 0);
}

bool EngineRun::Stopped() {
    const std::lock_guard lock(m_lock);
    return m_stopRequested;
}

bool EngineRun::Join(DWORD boundMs) {
    if (!m_worker.joinable()) return true;
    HANDLE worker = WorkerHandle();
    const DWORD workerId = GetThreadId(worker);
    const ULONGLONG start = GetTickCount64();
    while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT) {
        if (boundMs != INFINITE && GetTickCount64() - start >= boundMs) return false;
        CloseMessageBoxesOf(workerId);
        MsgWaitForMultipleObjects(1, &worker, FALSE, 50, QS_ALLINPUT);
        win::PumpPending();
    }
    // The worker has ended: the join returns at once, and nobody else can
    // reach these any more. The engine has ended, so closing
    // the job ends at most what it left behind.
    m_worker.join();
    m_process.reset();
    m_job = {};
    return true;
}

HANDLE EngineRun::WorkerHandle() { return static_cast<HANDLE>(pthread_gethandle(m_worker.native_handle())); }

// No exception leaves the thread: it would end the program.
void EngineRun::RunWorker() {
    try {
        Work();
    } catch (...) {
        FinishEngineRun();
    }
}

void EngineRun::Work() {
    // The engine's files stay held until the engine has ended: the runtime is
    // loaded only after the engine's first instruction, and nobody may put
    // another one in its place meanwhile.
    std::optional<HeldEngineFiles> files;
    std::optional<std::string> tempFolder;
    const bool launched = LaunchEngine(files, tempFolder);
    const auto removeTemp = [&] {
        if (tempFolder) RemoveTree(*tempFolder, true);
    };
    if (!launched) {
        removeTemp();
        m_failed = true;
        WorkerMessage(std::string(kLoadFailed) + "-1009" + kReinstallAdvice);
        FinishEngineRun();
        return;
    }
    HANDLE process = nullptr;
    {
        const std::lock_guard lock(m_lock);
        process = m_process.get();
    }
    if (!process) {  // stopped before it was launched
        removeTemp();
        FinishEngineRun();
        return;
    }
    // m_process is closed only after this thread has returned.
    WaitForSingleObject(process, INFINITE);
    files.reset();
    removeTemp();

    bool stopped = false;
    {
        const std::lock_guard lock(m_lock);
        stopped = m_stopRequested;
    }
    DWORD exitCode = 0;
    // An engine that ends by itself with a failure must not look like a disk with nothing on it.
    if (!stopped && GetExitCodeProcess(process, &exitCode) && exitCode != 0) {
        m_failed = true;
        WorkerMessage(EngineFailureText(exitCode));
    }
    FinishEngineRun();
}

bool EngineRun::LaunchEngine(std::optional<HeldEngineFiles>& files, std::optional<std::string>& tempFolder) {
    if (!CheckEngineInstall()) return false;
    const std::optional<std::string> parameters = BuildEngineCommand();
    if (!parameters) return false;
    {
        // Stopped before the launch: nothing to start, and nothing to terminate
        // while it is still starting.
        const std::lock_guard lock(m_lock);
        if (m_stopRequested) return true;
    }
    // The copy that runs is checked through the handles that keep its files
    // as they are until the engine has ended: what was confirmed is what runs.
    // Never the user's own folder, not even when the copy is missing.
    EngineFilesProblem problem;
    const std::optional<EngineDigest> confirmed = ConfirmedEngineDigest();
    if (confirmed) files = HoldEngineCopy(*confirmed, &problem);
    if (!files) {
        WorkerMessage(problem.kind == EngineFilesProblem::Kind::InUse
                          ? EngineInUseText(problem.path)
                          : "The copy of the recovery engine in \"" + EngineCopyFolder() +
                                "\" does not hold the files that were confirmed, so the engine was not started."
                                "\n\nPress Next again to copy the engine anew.");
        return false;
    }
    const std::string copyFolder = EngineCopyFolder();
    const std::string workFolder = EngineWorkFolder();
    if (!EnsureFolder(workFolder)) return false;
    tempFolder = MakeAdministratorsOnlyFolder();
    if (!tempFolder) return false;
    const std::string environment = EngineEnvironmentBlock(SystemVariables(), WindowsFolder(), copyFolder, *tempFolder);

    // The job ends the engine with this program, however the program ends:
    // an engine left running would go on writing into the data folder.
    win::KillOnCloseJob job = win::KillOnCloseJob::Create();
    win::UniqueHandle process = job.StartHidden(JoinPath(copyFolder, kEngineFile), *parameters, environment, workFolder);
    if (!process) return false;

    const std::lock_guard lock(m_lock);
    m_job = std::move(job);
    m_process = std::move(process);
    // Stopped while the engine was being started: end it now.
    if (m_stopRequested) TerminateProcess(m_process.get(), 0);
    return true;
}

// The engine as the user installed it; the copy that runs was made from it.
bool EngineRun::CheckEngineInstall() {
    const std::string& folder = m_inputs.engineFolder;
    if (!EnsureFolder(folder)) {
        WorkerMessage(std::string(kLoadFailed) + "-1007");
        return false;
    }
    const struct {
        std::string path;
        const char* code;
    } required[] = {{JoinPath(folder, kEngineFile), "-1003"},
                    {JoinPath(folder, kRuntimeFile), "-1004"},
                    {JoinPath(JoinPath(folder, "c"), "cygwin"), "-1005"}};
    for (const auto& entry : required) {
        if (!PathExists(entry.path)) {
            WorkerMessage(kLoadFailed + std::string(entry.code) + kReinstallAdvice);
            return false;
        }
    }
    return true;
}

std::optional<std::string> EngineRun::BuildEngineCommand() {
    std::optional<std::string> command = workflow::BuildEngineCommand(m_inputs.scanDir, m_inputs.device, m_inputs.formats);
    if (command) return command;
    if (!FileOptionPart(m_inputs.formats)) {
        WorkerMessage(
            "No file formats enabled.\n\nPlease go to 'Settings' to enable the type of file you wish to recover.");
    } else {
        WorkerMessage("The recovery engine cannot be told to search \"" + m_inputs.device +
                      "\".\n\nMove the disk image to a folder whose path holds no quotes and does not end in a "
                      "backslash, then open it again.");
    }
    return command;
}

void EngineRun::FinishEngineRun() {
    const std::lock_guard lock(m_lock);
    m_running = 0;
}

void EngineRun::WorkerMessage(const std::string& text) {
    if (m_tellUser) m_tellUser(text);
    else MessageBoxA(nullptr, text.c_str(), kAppCaption, MB_OK);
}

}  // namespace workflow
