#pragma once
// A program started from outside, as a user starts it: its main window found
// by its title, then closed as the user's close box would, and its exit code.
// Shared by the installer's launch check and the demo's check; header-only,
// as each is a program of its own.
#include <windows.h>

#include <optional>
#include <string>

#include "win/handles.h"

namespace testing_support {

class StartedProgram {
public:
    // Starts `program` with "<quoted program> <arguments>"; check Started().
    explicit StartedProgram(const std::string& program, const std::string& arguments = {}) {
        std::string commandLine = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &started))
            return;
        CloseHandle(started.hThread);
        m_process.reset(started.hProcess);
        m_id = started.dwProcessId;
    }
    // Ends a program still running when the check gives up on it.
    ~StartedProgram() {
        if (m_process && !Ended(0)) TerminateProcess(m_process.get(), 1);
    }
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    bool Started() const { return m_process.valid(); }
    HANDLE Process() const { return m_process.get(); }
    bool Ended(DWORD waitMs) const { return WaitForSingleObject(m_process.get(), waitMs) == WAIT_OBJECT_0; }

    // Its visible top-level window with this title; none while there is none.
    HWND Window(const std::string& title) const {
        Search search{m_id, title, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // Closes `window` and waits for the program to end: its exit code, none
    // when it did not end within `waitMs`.
    std::optional<DWORD> Close(HWND window, DWORD waitMs) const {
        PostMessageA(window, WM_CLOSE, 0, 0);
        if (!Ended(waitMs)) return std::nullopt;
        DWORD exitCode = 1;
        GetExitCodeProcess(m_process.get(), &exitCode);
        return exitCode;
    }

private:
    struct Search {
        DWORD process;
        const std::string& title;
        HWND found;
    };
    static BOOL CALLBACK Match(HWND hwnd, LPARAM param) {
        auto* search = reinterpret_cast<Search*>(param);
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        char title[256] = {};
        GetWindowTextA(hwnd, title, sizeof title);
        if (process != search->process || !IsWindowVisible(hwnd) || search->title != title) return TRUE;
        search->found = hwnd;
        return FALSE;
    }

    win::UniqueHandle m_process;
    DWORD m_id = 0;
};

}  // namespace testing_support
