#pragma once
// One run of the carving engine, owned by the recovery session: the worker thread
// that checks the installation, launches the engine and waits for it, the
// engine's process, the lock and the running flag.
//
// Threads: Start, Stop, Stopped, Join and the destructor on the window's
// thread; Running and Failed on any thread; Work and what it calls on the
// worker. Under m_lock: m_stopRequested, m_process and m_job once the worker
// has started, and every write of m_running. The worker alone, while it runs:
// m_inputs and m_tellUser (written by Start before it starts). The window's
// thread alone: m_worker.
//
// A join cannot be bounded, but the window must not wait longer than it
// chooses for a worker held by a message box or a slow launch, and must
// answer messages until the worker has gone: its message boxes are owned by
// the window, and a thread that made windows may send to the window's thread
// while it ends. So Join waits on the worker's own thread handle (the one
// mingw-w64's threads keep for a std::jthread, signalled once the thread has
// ended) while it answers messages (MsgWaitForMultipleObjects), and joins
// only once it is signalled, which then returns at once. A worker still
// running when Join gives up stays joinable and is joined later; it is never
// detached, since it works on this object.
//
// Every handle is closed by this type alone, and only once the worker has
// returned, so no party can close one twice or use one after another closed
// it. The worker never touches the window's state: it works on a copy of the
// inputs taken when the run starts, and tells the user-interface thread of the
// engine's end only through Running().
#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "win/handles.h"
#include "win/job.h"
#include "workflow/engine/engine_trust.h"

namespace workflow {

// What the worker needs, copied before it starts.
struct EngineInputs {
    std::string engineFolder;  // as installed: photo.exe, cygwin1.dll and c\cygwin; a copy runs
    std::string scanDir;       // the folder named after /d
    std::string device;        // the engine's name of the physical disk
    std::string formats;       // the format list
};

// The engine's exit code when it cannot open the disk or image it is given.
inline constexpr DWORD kEngineCannotOpenDevice = 1;

// The message shown when the engine ends by itself with a non-zero code.
std::string EngineFailureText(DWORD exitCode);

class EngineRun {
public:
    EngineRun() = default;
    EngineRun(const EngineRun&) = delete;
    EngineRun& operator=(const EngineRun&) = delete;
    // Stops the engine and waits for the worker: it uses this object.
    ~EngineRun();

    // Marks the run as running and starts the worker; false when no thread
    // could be made (the run is then not running), and false, starting
    // nothing, while the worker of an earlier run is still alive.
    // `tellUser` shows the worker's messages, on the worker's thread; without
    // it they are shown in message boxes of their own.
    bool Start(EngineInputs inputs, std::function<void(const std::string&)> tellUser = {});
    // Ends the engine at once, or keeps it from being launched; the worker's
    // wait returns and the worker ends by itself.
    void Stop();
    // The engine is being launched or runs. Read without the lock.
    bool Running() const { return m_running.load() != 0; }
    // Stop() was called for this run: the engine did not end by itself.
    bool Stopped();
    // The engine could not be launched, or ended by itself with a failure.
    bool Failed() const { return m_failed.load(); }
    // Waits until the worker has returned, pumping messages meanwhile and
    // closing the worker's own message boxes (they are owned by the window).
    // False when a worker is still running after `boundMs`; it stays owned.
    bool Join(DWORD boundMs);

private:
    void RunWorker();
    // The worker's thread handle, owned by m_worker; signalled once it has ended.
    HANDLE WorkerHandle();
    void Work();
    bool LaunchEngine(std::optional<HeldEngineFiles>& files, std::optional<std::string>& tempFolder);
    bool CheckEngineInstall();
    std::optional<std::string> BuildEngineCommand();
    void FinishEngineRun();
    void WorkerMessage(const std::string& text);

    std::function<void(const std::string&)> m_tellUser;
    EngineInputs m_inputs;
    std::mutex m_lock;
    std::atomic<unsigned char> m_running{0};  // written under m_lock
    std::atomic<bool> m_failed{false};
    bool m_stopRequested = false;             // under m_lock
    win::UniqueHandle m_process;              // set by the worker under m_lock
    win::KillOnCloseJob m_job;                // holds the engine; set with m_process
    std::jthread m_worker;
};

}  // namespace workflow
