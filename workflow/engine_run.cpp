// One scan: from Next to the end (or stop) of the carving engine.
//
// Threads: the worker launches the engine and waits for its process; the
// user-interface thread learns of the end only through m_engineRunning.
// The two handles are exchanged under m_stateLock by whoever releases them,
// so each is closed exactly once. The worker is never killed: stopping a scan
// terminates the engine, which wakes the worker's wait, and the worker
// returns by itself.
#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "resources/resource.h"
#include "settings/folders.h"
#include "settings/settings_file.h"
#include "workflow/copy_names.h"
#include "workflow/engine_command.h"
#include "workflow/folder_tree.h"
#include "workflow/main_dialog.h"
#include "workflow/timer_ids.h"

namespace workflow {

namespace {

constexpr char kEngineSubfolder[] = "Norvale\\Vantreo";
constexpr char kEngineFile[] = "photo.exe";
constexpr char kRuntimeFile[] = "cygwin1.dll";

std::string EngineFolder() { return JoinPath(settings::GetAppDataFolder(), kEngineSubfolder); }

// Creates a folder; an existing one counts as success.
bool EnsureFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool PathExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

}  // namespace

void MainDialog::OnNext() {
    const int selected = m_driveList.FirstSelected();
    if (selected < 0) {
        MessageBoxA(hwnd_, "Please select drive from where to recover files.", kAppCaption, MB_OK);
        return;
    }
    const std::string name = m_driveList.GetItemText(selected, 0);
    const DriveInfo* drive = nullptr;
    for (const DriveInfo& candidate : m_drives) {
        if (candidate.name == name) {
            drive = &candidate;
            break;
        }
    }
    if (!drive) {
        MessageBoxA(hwnd_, "Error. Failed to find the disk.", kAppCaption, MB_OK);
        return;
    }
    m_device = drive->device;

    // A worker of an earlier, cancelled scan may still be finishing; a new
    // scan starts only once it has.
    WaitForWorker();
    {
        win::LockScope lock(m_stateLock);
        if (m_workerThread != INVALID_HANDLE_VALUE) return;
    }

    if (!PrepareWorkFolders()) return;

    {
        win::LockScope lock(m_stateLock);
        m_engineRunning = 1;
    }
    HANDLE worker = CreateThread(nullptr, 0, EngineWorker, this, 0, nullptr);
    {
        win::LockScope lock(m_stateLock);
        m_workerThread = worker ? worker : INVALID_HANDLE_VALUE;
        if (!worker) m_engineRunning = 0;
    }
    EnterAnalysingMode();
}

bool MainDialog::PrepareWorkFolders() {
    const std::string engineFolder = EngineFolder();
    if (!EnsureFolder(engineFolder)) {
        MessageBoxA(hwnd_, "Failed to initialize data", "Quillon", MB_OK);
        return false;
    }
    const std::string dataDir = JoinPath(engineFolder, "data");
    if (!EnsureFolder(dataDir)) {
        MessageBoxA(hwnd_, "Failed to initialize data", kAppCaption, MB_OK);
        return false;
    }
    m_dataDir = dataDir;

    if (PathExists(m_dataDir) && TreeHasFile(m_dataDir)) {
        // Results of an earlier run that ended without clean-up: show them again.
        if (auto failed = ShiftExtensionsDown(m_dataDir)) {
            const std::string text = "Failed to rename \"" + *failed + "\".";
            MessageBoxA(hwnd_, text.c_str(), kAppCaption, MB_OK | MB_ICONERROR);
            return false;
        }
        EnterAnalysingMode();
        return false;
    }

    m_scanDir = m_dataDir + "\\temp";
    if (PathExists(m_scanDir)) {
        MessageBoxA(hwnd_, "Internal error, error code: -1008", kAppCaption, MB_OK);
        m_scanDir += "_1";
    }
    return true;
}

DWORD WINAPI MainDialog::EngineWorker(LPVOID parameter) {
    auto* self = static_cast<MainDialog*>(parameter);
    try {
        if (!self->LaunchEngine()) {
            self->WorkerMessage(
                "Failed to load engine, error code -1009. Installation may be corrupted, please try to re-install "
                "Vantreo");
            self->FinishEngineRun(true);
            return 0;
        }
        HANDLE process = INVALID_HANDLE_VALUE;
        {
            win::LockScope lock(self->m_stateLock);
            process = self->m_engineProcess;
        }
        // Only the worker closes the process handle, so it stays valid for this wait.
        WaitForSingleObject(process, INFINITE);
        self->FinishEngineRun(true);
    } catch (...) {
        self->FinishEngineRun(true);
    }
    return 0;
}

int MainDialog::WorkerMessage(const char* text, const char* caption) {
    return MessageBoxA(hwnd_, text, caption, MB_OK);
}

bool MainDialog::LaunchEngine() {
    std::string enginePath;
    if (!CheckEngineInstall(enginePath)) {
        FinishEngineRun(false);
        return false;
    }
    const std::optional<std::string> parameters = BuildEngineCommand();
    if (!parameters) {
        FinishEngineRun(false);
        return false;
    }

    SHELLEXECUTEINFOA launch{};
    launch.cbSize = sizeof(launch);
    launch.fMask = SEE_MASK_NOCLOSEPROCESS;
    launch.lpFile = enginePath.c_str();
    launch.lpParameters = parameters->c_str();
    launch.nShow = SW_HIDE;
    if (!ShellExecuteExA(&launch) || !launch.hProcess) {
        FinishEngineRun(false);
        return false;
    }

    win::LockScope lock(m_stateLock);
    m_engineProcess = launch.hProcess;
    // Cancelled while the engine was being started: stop it at once.
    if (!m_engineRunning) TerminateProcess(m_engineProcess, 0);
    return true;
}

bool MainDialog::CheckEngineInstall(std::string& enginePath) {
    const std::string engineFolder = EngineFolder();
    if (!EnsureFolder(engineFolder)) {
        WorkerMessage("Failed to load engine, error code -1007");
        return false;
    }
    enginePath = JoinPath(engineFolder, kEngineFile);
    if (!PathExists(enginePath)) {
        WorkerMessage(
            "Failed to load engine, error code -1003. Installation may be corrupted, please try to re-install "
            "Vantreo");
        return false;
    }
    if (!PathExists(JoinPath(engineFolder, kRuntimeFile))) {
        WorkerMessage(
            "Failed to load engine, error code -1004. Installation may be corrupted, please try to re-install "
            "Vantreo");
        return false;
    }
    if (!PathExists(JoinPath(JoinPath(engineFolder, "c"), "cygwin"))) {
        WorkerMessage(
            "Failed to load engine, error code -1005. Installation may be corrupted, please try to re-install "
            "Vantreo");
        return false;
    }
    return true;
}

std::optional<std::string> MainDialog::BuildEngineCommand() {
    std::optional<std::string> command =
        workflow::BuildEngineCommand(m_scanDir, m_device, settings::LoadFormatList());
    if (!command) {
        WorkerMessage(
            "No file formats enabled.\n\nPlease go to 'Settings' to enable the type of file you wish to recover.");
    }
    return command;
}

void MainDialog::FinishEngineRun(bool closeHandles) {
    HANDLE process = INVALID_HANDLE_VALUE;
    HANDLE thread = INVALID_HANDLE_VALUE;
    {
        win::LockScope lock(m_stateLock);
        m_engineRunning = 0;
        if (closeHandles) {
            process = m_engineProcess;
            thread = m_workerThread;
            m_engineProcess = INVALID_HANDLE_VALUE;
            m_workerThread = INVALID_HANDLE_VALUE;
        }
    }
    win::UniqueHandle closeProcess(process);
    win::UniqueHandle closeThread(thread);
}

// Ends the engine at once; the worker's wait returns and the worker releases the handles.
void MainDialog::StopEngine() {
    win::LockScope lock(m_stateLock);
    m_engineRunning = 0;
    if (m_engineProcess != INVALID_HANDLE_VALUE) TerminateProcess(m_engineProcess, 0);
}

// Waits until a worker still running has returned, at most `boundMs`. Its
// own message boxes are closed so that it can return; messages are pumped
// meanwhile, since those boxes are owned by this window. A worker that is
// still running afterwards keeps its handle, and releases it when it ends.
void MainDialog::WaitForWorker(DWORD boundMs) {
    HANDLE worker = INVALID_HANDLE_VALUE;
    {
        // Taken over: the worker will not close this handle while it is waited on.
        win::LockScope lock(m_stateLock);
        worker = m_workerThread;
        m_workerThread = INVALID_HANDLE_VALUE;
    }
    if (worker == INVALID_HANDLE_VALUE) return;
    const DWORD workerId = GetThreadId(worker);
    const ULONGLONG start = GetTickCount64();
    while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT) {
        if (boundMs != INFINITE && GetTickCount64() - start >= boundMs) {
            win::LockScope lock(m_stateLock);
            m_workerThread = worker;
            return;
        }
        EnumThreadWindows(
            workerId,
            [](HWND window, LPARAM) -> BOOL {
                char className[16] = {};
                GetClassNameA(window, className, sizeof(className));
                if (std::string(className) == "#32770" && IsWindowVisible(window))
                    PostMessageA(window, WM_CLOSE, 0, 0);
                return TRUE;
            },
            0);
        MsgWaitForMultipleObjects(1, &worker, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    CloseHandle(worker);
}

void MainDialog::CancelScan() {
    if (MessageBoxA(hwnd_, "Brisca is currently analyzing disk, are you sure you want to cancel?", "Confirm",
                    MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    StopEngine();
    // A pass in progress ends where it is; an armed poll still runs once and lists
    // what the engine wrote before it stopped.
    KillTimer(hwnd_, kPassTimer);
    m_passRunning = false;
    EnterResultsMode();
}

void MainDialog::ConfirmClose() {
    if (m_engineRunning) {
        if (MessageBoxA(hwnd_, "Brisca is currently analyzing disk, are you sure you want to exist?", "Confirm",
                        MB_YESNO | MB_ICONQUESTION) != IDYES) {
            return;
        }
    }
    StopEngine();
    WaitForWorker();
    KillTimer(hwnd_, kPollTimer);
    KillTimer(hwnd_, kPassTimer);
    KillTimer(hwnd_, kCopyTimer);
    CleanUpDataFolder();
    EmptyResultLists();
    End(IDCANCEL);
}

void MainDialog::CleanUpDataFolder() {
    if (!m_dataDir.empty() && PathExists(m_dataDir)) RemoveTree(m_dataDir, true);
}

}  // namespace workflow
