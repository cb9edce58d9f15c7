// Closing the main window with 20,000 found files left in the data folder:
// from the Yes of the close question until the window is gone (the engine
// stopped, the data folder deleted), beside Wine's `rmdir /s /q` of as many
// files laid out the same way, in the same round.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "win/handles.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/main_dialog.h"

namespace bench {

namespace {

constexpr int kLeftovers = 20000;
constexpr int kFilesPerFolder = 500;  // as the engine lays them out
constexpr int kRounds = 3;

// The close question is answered Yes; when it was is kept.
Stopwatch* g_clock = nullptr;
double g_answeredAtMs = -1;

LRESULT CALLBACK AnswerYesAndNoteWhen(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(box, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0 && GetDlgItem(box, IDYES)) {
            if (g_clock) g_answeredAtMs = g_clock->ElapsedMs();
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int CountFiles(const std::string& folder) {
    int count = 0;
    workflow::ForEachFileBelow(folder, [&](const workflow::FolderEntry&) {
        ++count;
        return true;
    });
    return count;
}

// The files as the engine lays them out: temp.1, temp.2, ... of 500 each.
void LayOut(const std::string& folder, int count) {
    CreateDirectoryA(folder.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string sub = folder + "\\temp." + std::to_string(i / kFilesPerFolder + 1);
        if (i % kFilesPerFolder == 0) CreateDirectoryA(sub.c_str(), nullptr);
        WriteSmallFile(sub + "\\f" + std::to_string(1000000 + i) + ".txt", "left over");
    }
}

// Wine's rmdir of a whole folder, cmd's own start included, as a user would run it.
double TimeRmdir(const std::string& folder) {
    std::string command = "cmd.exe /c rmdir /s /q \"" + folder + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const Stopwatch watch;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        return 0;
    const win::UniqueHandle process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    return watch.ElapsedMs();
}

struct Round {
    double rmdirMs = 0;
    double closeMs = 0;
    int listed = 0;
    int rmdirLeft = 0;  // files rmdir left behind
    int closeLeft = 0;  // files the window left behind
    bool closed = false;
};

Round RunRound() {
    Round round;
    {
        const ScratchFolder scratch("vantreo-close");
        const std::string plain = scratch.Path() + "data";
        LayOut(plain, kLeftovers);
        round.rmdirMs = TimeRmdir(plain);
        round.rmdirLeft = CountFiles(plain);
    }

    workflow::MainDialog dialog;
    HWND hwnd = OpenScanning(dialog);
    WriteResults(0, kLeftovers, "txt", "left over");
    ListUpTo(hwnd, IDC_FILE_LIST, kLeftovers);
    round.listed = ListCount(hwnd, IDC_FILE_LIST);

    Stopwatch clock;
    g_clock = &clock;
    g_answeredAtMs = -1;
    HHOOK hook = SetWindowsHookExA(WH_CBT, AnswerYesAndNoteWhen, nullptr, GetCurrentThreadId());
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    const ULONGLONG deadline = GetTickCount64() + 120000;
    while (IsWindow(hwnd) && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        Pump();
    }
    const double goneAtMs = clock.ElapsedMs();
    UnhookWindowsHookEx(hook);
    g_clock = nullptr;
    round.closed = !IsWindow(hwnd) && g_answeredAtMs >= 0;
    round.closeMs = goneAtMs - g_answeredAtMs;
    round.closeLeft = CountFiles(DataFolder());
    CloseScanning(hwnd);
    return round;
}

}  // namespace

void RunCloseSection() {
    std::vector<double> rmdirs, closes;
    bool failed = false;
    for (int i = 0; i < kRounds; ++i) {
        const Round round = RunRound();
        std::printf("%5d left over, round %d | listed %5d | rmdir /s /q %6.2f s (%d left) | close after Yes %6.2f s "
                    "(%d left)%s\n",
                    kLeftovers, i + 1, round.listed, round.rmdirMs / 1000, round.rmdirLeft, round.closeMs / 1000,
                    round.closeLeft, round.closed ? "" : " | the window did not close");
        std::fflush(stdout);
        if (!round.closed || round.rmdirLeft != 0 || round.closeLeft != 0 || round.listed != kLeftovers) {
            failed = true;
            continue;
        }
        rmdirs.push_back(round.rmdirMs);
        closes.push_back(round.closeMs);
    }
    const double ratio = Median(rmdirs) > 0 ? Median(closes) / Median(rmdirs) : 0;
    std::printf("close: %d left over, %.2f s after Yes against rmdir /s /q %.2f s = %.2fx (medians of %d)\n", kLeftovers,
                Median(closes) / 1000, Median(rmdirs) / 1000, ratio, static_cast<int>(closes.size()));
    if (failed) {
        // A round that left files, or a window that stayed, compares nothing.
        std::printf("close: FAILED: a round left files behind, listed too few or did not close\n");
        MarkFailed();
    }
}

}  // namespace bench
