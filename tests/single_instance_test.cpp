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

DWORD WaitForExit(const win::UniqueHandle& process, DWORD timeoutMs) {
    if (WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process.get(), &code);
    return code;
}

TEST(SingleInstance, SecondStartActivatesTheFirstAndExitsWithZero) {
    Started first = Start();
    ASSERT_TRUE(first.process.valid());
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = testing_support::WindowTitled(kTitle, first.id)) != nullptr; },
                          20000));

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(window) != FALSE; }));

    Started second = Start();
    ASSERT_TRUE(second.process.valid());
    EXPECT_EQ(WaitForExit(second.process, 20000), 0u);
    EXPECT_EQ(testing_support::WindowsTitled(kTitle, 0).size(), 1u);
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(window); }));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForExit(first.process, 20000), 0u);
    EXPECT_TRUE(testing_support::WindowsTitled(kTitle, 0).empty());
}

}  // namespace
