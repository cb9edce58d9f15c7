// Black-box: the real vantreo.exe started as separate processes.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/pump.h"
#include "win/handles.h"

namespace {

using testing_support::PumpUntil;
using testing_support::WindowsPath;

constexpr char kTitle[] = "Norvale Vantreo";

struct Started {
    win::UniqueHandle process;
    DWORD id = 0;
};

Started Start() {
    std::string exe = WindowsPath(VANTREO_EXE_DIR "/vantreo.exe");
    std::string commandLine = "\"" + exe + "\"";
    STARTUPINFOA startup{sizeof(startup)};
    PROCESS_INFORMATION info{};
    Started started;
    if (CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        started.process.reset(info.hProcess);
        started.id = info.dwProcessId;
    }
    return started;
}

int CountWindowsTitled(const char* title) {
    struct Count {
        const char* title;
        int n;
    } count{title, 0};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto* c = reinterpret_cast<Count*>(data);
            char text[128] = {};
            GetWindowTextA(hwnd, text, sizeof(text));
            if (std::string(text) == c->title && IsWindowVisible(hwnd)) ++c->n;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count.n;
}

HWND WindowOfProcess(DWORD processId) {
    HWND found = nullptr;
    PumpUntil(
        [&] {
            HWND hwnd = FindWindowA(nullptr, kTitle);
            DWORD owner = 0;
            if (hwnd) GetWindowThreadProcessId(hwnd, &owner);
            if (hwnd && owner == processId && IsWindowVisible(hwnd)) found = hwnd;
            return found != nullptr;
        },
        20000);
    return found;
}

DWORD WaitForExit(const win::UniqueHandle& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

TEST(SingleInstance, SecondStartActivatesTheFirstAndExitsWithZero) {
    Started first = Start();
    ASSERT_TRUE(first.process.valid());
    HWND window = WindowOfProcess(first.id);
    ASSERT_NE(window, nullptr);

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }));

    Started second = Start();
    ASSERT_TRUE(second.process.valid());
    EXPECT_EQ(WaitForExit(second.process, 20000), 0u);
    EXPECT_EQ(CountWindowsTitled(kTitle), 1);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); }));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(first.process, 20000), 0u);
    EXPECT_EQ(CountWindowsTitled(kTitle), 0);
}

}  // namespace
