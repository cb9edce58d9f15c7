// Starts an installed program, waits for its main window, closes that window
// as the user's close box would, and waits for the program to end.
//   launch_check.exe <program> <window title>
// Exit code 0 when the window came up and the program ended with exit code 0.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

struct WindowSearch {
    DWORD process;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof(title));
    if (process == search->process && IsWindowVisible(hwnd) && std::string(title) == search->title) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

int Fail(const char* what, HANDLE process) {
    std::fprintf(stderr, "launch_check: %s\n", what);
    if (process) TerminateProcess(process, 1);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: launch_check <program> <window title>\n");
        return 2;
    }
    std::string commandLine = std::string("\"") + argv[1] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return Fail("the program could not be started", nullptr);
    CloseHandle(started.hThread);
    HANDLE process = started.hProcess;

    WindowSearch search{started.dwProcessId, argv[2], nullptr};
    const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
    while (!search.found) {
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0)
            return Fail("the program ended before its window showed", nullptr);
        if (GetTickCount64() > deadline) return Fail("no window with that title came up", process);
        EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    }
    std::printf("launch_check: window \"%s\" is up\n", argv[2]);

    PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, kExitTimeoutMs) != WAIT_OBJECT_0)
        return Fail("the program did not end after its window was closed", process);
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    if (exitCode != 0) return Fail("the program ended with a non-zero exit code", nullptr);
    std::printf("launch_check: the program ended with exit code 0\n");
    return 0;
}
