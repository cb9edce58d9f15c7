// Starts an installed program, waits for its main window, closes that window
// as the user's close box would, and waits for the program to end.
//   launch_check.exe <program> <window title>
// Exit code 0 when the window came up and the program ended with exit code 0.
#include <cstdio>
#include <string>

#include "tests/support/started_program.h"

namespace {

constexpr DWORD kWindowTimeoutMs = 30000;
constexpr DWORD kExitTimeoutMs = 15000;

int Fail(const char* what) {
    std::fprintf(stderr, "launch_check: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: launch_check <program> <window title>\n");
        return 2;
    }
    const testing_support::StartedProgram program(argv[1]);
    if (!program.Started()) return Fail("the program could not be started");
    HWND window = nullptr;
    const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
    while (!(window = program.Window(argv[2]))) {
        if (program.Ended(100)) return Fail("the program ended before its window showed");
        if (GetTickCount64() > deadline) return Fail("no window with that title came up");
    }
    std::printf("launch_check: window \"%s\" is up\n", argv[2]);

    const std::optional<DWORD> exitCode = program.Close(window, kExitTimeoutMs);
    if (!exitCode) return Fail("the program did not end after its window was closed");
    if (*exitCode != 0) return Fail("the program ended with a non-zero exit code");
    std::printf("launch_check: the program ended with exit code 0\n");
    return 0;
}
