// The recovery copy through the real main window: found files listed as in a
// scan, all checked, and copied from Recover to the final message; beside it a
// plain Windows copy (Wine's xcopy) of the same files in the same run; and the
// longest stall of the window's thread during the copy.
//
// VANTREO_COPY_FILES and VANTREO_COPY_PHOTOS set smaller counts, for a copy
// too slow to time on the whole sets.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "settings/settings_file.h"
#include "tests/support/pump.h"
#include "tools/bench/answer_questions.h"
#include "tools/bench/carver_scan.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "tools/bench/stall_sampler.h"
#include "tools/bench/stopwatch.h"
#include "workflow/files/folder_tree.h"
#include "workflow/record/recovered_record.h"
#include "workflow/window/main_dialog.h"

namespace bench {

namespace {

struct CopySet {
    const char* what;
    const char* countVariable;
    int count;
    size_t bytes;
    const char* extension;
    int listId;
    int toggleId;
};

const CopySet kSets[] = {
    {"files of 256 KB", "VANTREO_COPY_FILES", 1000, size_t{256} << 10, "txt", IDC_FILE_LIST, IDC_FILE_TOGGLE},
    {"photos of 5 MB", "VANTREO_COPY_PHOTOS", 200, size_t{5} << 20, "jpg", IDC_PHOTO_LIST, IDC_PHOTO_TOGGLE},
};
constexpr int kXcopyRuns = 2;
// The machine may be shared: each set is found, listed and copied again in
// every round, and the best times are compared.
constexpr int kRounds = 3;

// The final question is answered No (Yes would open the folder), every other
// one Yes; the time the final question showed is kept.
Stopwatch* g_clock = nullptr;
double g_finalShownMs = -1;

LRESULT CALLBACK AnswerFinalQuestionNo(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char className[16] = {};
        GetClassNameA(box, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0) {
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            const bool final = strstr(text, " files recovered.") != nullptr;
            if (final && g_clock) g_finalShownMs = g_clock->ElapsedMs();
            const int button = final ? IDNO : (GetDlgItem(box, IDYES) ? IDYES : IDOK);
            PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

int CountOf(const CopySet& set) {
    const char* given = std::getenv(set.countVariable);
    return given && std::atoi(given) > 0 ? std::atoi(given) : set.count;
}

// A photo is a small picture padded to the size of a camera's, so it lists
// as intact; each file ends in its own number, as the copy writes the same
// bytes only once.
std::string Content(const CopySet& set) {
    std::string content;
    if (set.listId == IDC_PHOTO_LIST) {
        std::ifstream in(settings::GetProgramFolder() + "sample.jpg", std::ios::binary);
        content.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    for (size_t i = content.size(); i < set.bytes; ++i) content.push_back(static_cast<char>('a' + i % 23));
    return content;
}

// The files copied: the window's copy also writes its list of them, timed with it.
int CountFiles(const std::string& folder) {
    int count = 0;
    workflow::ForEachFileBelow(folder, [&](const workflow::FolderEntry& file) {
        count += file.path != folder + "\\" + std::string(workflow::kRecordFileName);
        return true;
    });
    return count;
}

// Writes the disk's backlog (the machine's, as Linux's sync does) and returns
// once it is written, or after a minute. The window flushes every copy, and a
// flush waits for whatever else the file system has to write first: without
// this, the window's time would hold the write-back of the plain copies just
// made and deleted, or of whatever else runs on the machine. Wine starts a
// Linux program without a handle to wait on, so it leaves a mark when done.
void SettleWriteBack(const std::string& scratch) {
    const std::string mark = scratch + "written-back";
    DeleteFileA(mark.c_str());
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return;
    const std::wstring wideMark(mark.begin(), mark.end());
    char* unixMark = unixName(wideMark.c_str());
    if (!unixMark) return;
    std::string command = std::string("/bin/sh -c \"sync; : > '") + unixMark + "'\"";
    HeapFree(GetProcessHeap(), 0, unixMark);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started))
        return;
    if (started.hProcess) CloseHandle(started.hProcess);
    if (started.hThread) CloseHandle(started.hThread);
    const ULONGLONG deadline = GetTickCount64() + 60000;
    while (GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    DeleteFileA(mark.c_str());
}

struct XcopyRun {
    double ms = 0;
    DWORD exitCode = 0;
    std::string said;  // its output, ending with its count ("N File(s) copied")
};

// Wine's xcopy of a whole folder, its own start included, as a user would run it.
XcopyRun TimeXcopy(const std::string& from, const std::string& to) {
    XcopyRun run;
    std::string command = "xcopy.exe \"" + from + "\" \"" + to + "\" /S /I /Q /Y";
    const std::string log = to + ".log";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    win::UniqueHandle output(CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output.get();
    PROCESS_INFORMATION started{};
    const Stopwatch watch;
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &started)) {
        run.said = "(xcopy.exe could not be started)";
        return run;
    }
    const win::UniqueHandle process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    run.ms = watch.ElapsedMs();
    GetExitCodeProcess(process.get(), &run.exitCode);
    output.reset();
    std::ifstream in(log, std::ios::binary);
    run.said.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    while (!run.said.empty() && std::isspace(static_cast<unsigned char>(run.said.back()))) run.said.pop_back();
    DeleteFileA(log.c_str());
    return run;
}

struct SetResult {
    double xcopyMs = 0;
    double xcopyStartMs = 0;  // xcopy of one empty folder: the process alone
    double windowMs = 0;
    double longestStallMs = 0;
    std::vector<StallSample> stalls;  // sent at: after Recover was clicked
    int listed = 0;
    int xcopied = 0;  // by the fastest run among those that copied the most
    int copied = 0;
    // What a run of xcopy that copied fewer files than were listed said.
    std::string xcopyShort;
};

// Every entry checked: the toggle unchecks all, then checks all.
void CheckAll(HWND hwnd, int toggleId) {
    char text[64] = {};
    GetDlgItemTextA(hwnd, toggleId, text, sizeof text);
    const int clicks = std::string(text).rfind("Unselect", 0) == 0 ? 2 : 1;
    for (int i = 0; i < clicks; ++i) SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(toggleId, STN_CLICKED),
                                                  reinterpret_cast<LPARAM>(GetDlgItem(hwnd, toggleId)));
}

SetResult RunSet(const CopySet& set, int count) {
    SetResult result;
    const ScratchFolder scratch("vantreo-copy");
    // The window reads its output folder from the settings file when it opens.
    const std::string output = scratch.Path() + "window";
    settings::StoreSaveFolder(output);
    workflow::MainDialog dialog;
    HWND hwnd = OpenScanning(dialog);
    WriteResults(0, count, set.extension, Content(set), true);
    // A scan's files were written long before they are copied: none waits
    // to be written back when the copy deletes it.
    workflow::ForEachFileBelow(DataFolder(), [](const workflow::FolderEntry& file) {
        const win::UniqueHandle handle(CreateFileA(file.path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, 0, nullptr));
        FlushFileBuffers(handle.get());
        return true;
    });
    ListUpTo(hwnd, set.listId, count);
    {
        const AnswerEveryQuestion yes;  // Cancel
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_RECOVER, BN_CLICKED), 0);
        testing_support::PumpUntil(
            [&] {
                char status[256] = {};
                GetDlgItemTextA(hwnd, IDC_STATUS, status, sizeof status);
                return std::string(status) == workflow::kResultsPrompt;
            },
            60000);
    }
    result.listed = ListCount(hwnd, set.listId);
    CheckAll(hwnd, set.toggleId);

    for (int run = 0; run < kXcopyRuns; ++run) {
        const std::string to = scratch.Path() + "xcopy" + std::to_string(run);
        SettleWriteBack(scratch.Path());
        const XcopyRun xcopy = TimeXcopy(DataFolder(), to);
        // A run that stopped early (a file it could not open, a folder it
        // could not list) is no plain copy to compare with.
        const int copied = CountFiles(to);
        if (copied < result.listed && result.xcopyShort.empty())
            result.xcopyShort = "xcopy copied " + std::to_string(copied) + " of " + std::to_string(result.listed) +
                                " files (exit code " + std::to_string(xcopy.exitCode) + "): " + xcopy.said;
        if (copied >= result.xcopied &&
            (copied > result.xcopied || result.xcopyMs == 0 || xcopy.ms < result.xcopyMs))
            result.xcopyMs = xcopy.ms;
        result.xcopied = std::max(result.xcopied, copied);
        // Gone again before the window copies, so its writing back does not
        // fall into the window's time.
        workflow::RemoveTree(to, true);
    }
    const std::string empty = scratch.Path() + "empty";
    CreateDirectoryA(empty.c_str(), nullptr);
    result.xcopyStartMs = TimeXcopy(empty, scratch.Path() + "empty-copy").ms;

    SettleWriteBack(scratch.Path());
    g_finalShownMs = -1;
    HHOOK hook = SetWindowsHookExA(WH_CBT, AnswerFinalQuestionNo, nullptr, GetCurrentThreadId());
    StallSampler sampler(hwnd, kSamplePeriodMs);
    const double clickedAt = sampler.NowMs();
    Stopwatch clock;
    g_clock = &clock;
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_RECOVER, BN_CLICKED), 0);
    const DWORD bound = static_cast<DWORD>(count) * 300 + 60000;
    testing_support::PumpUntil([&] { return g_finalShownMs >= 0 && IsWindowVisible(GetDlgItem(hwnd, IDC_DRIVE_LIST)); },
                               bound);
    sampler.Stop();
    UnhookWindowsHookEx(hook);
    g_clock = nullptr;
    result.windowMs = g_finalShownMs;
    // During the copy: from Recover until the final question shows (what the
    // window does once it is answered is not the copy's).
    const double finalShownAt = clickedAt + g_finalShownMs;
    for (const StallSample& sample : sampler.Samples())
        if (sample.sentAtMs >= clickedAt && sample.sentAtMs <= finalShownAt) {
            result.longestStallMs = std::max(result.longestStallMs, sample.tookMs);
            result.stalls.push_back({sample.sentAtMs - clickedAt, sample.tookMs});
        }
    result.copied = CountFiles(output);
    CloseScanning(hwnd);
    return result;
}

}  // namespace

void RunCopySection() {
    double ratios[std::size(kSets)] = {};
    double longestStall = 0;
    std::vector<std::string> failures;
    for (size_t i = 0; i < std::size(kSets); ++i) {
        const CopySet& set = kSets[i];
        const int count = CountOf(set);
        std::vector<double> xcopies, windows;
        for (int round = 0; round < kRounds; ++round) {
            const SetResult result = RunSet(set, count);
            const std::string roundName = std::string(set.what) + ", round " + std::to_string(round + 1) + ": ";
            if (!result.xcopyShort.empty()) failures.push_back(roundName + result.xcopyShort);
            if (result.listed != count || result.copied != count)
                failures.push_back(roundName + std::to_string(result.listed) + " listed and " +
                                   std::to_string(result.copied) + " copied by the window of " +
                                   std::to_string(count) + " found");
            // Only a round whose xcopy copied every file has a plain copy to compare with.
            if (result.xcopied == count) xcopies.push_back(result.xcopyMs);
            windows.push_back(result.windowMs);
            longestStall = std::max(longestStall, result.longestStallMs);
            std::printf("%5d %-15s | listed %5d | xcopy %6.2f s (%d files; its start alone %.2f s) | window %6.2f s "
                        "(%d files) | longest stall %4.0f ms\n",
                        count, set.what, result.listed, result.xcopyMs / 1000, result.xcopied,
                        result.xcopyStartMs / 1000, result.windowMs / 1000, result.copied, result.longestStallMs);
            PrintStalls(result.stalls, "Recover");
            std::fflush(stdout);
        }
        ratios[i] = Best(xcopies) > 0 ? Best(windows) / Best(xcopies) : 0;
        std::printf("%5d %-15s | best: xcopy %.2f s, window %.2f s = %.2fx | median: xcopy %.2f s, window %.2f s = "
                    "%.2fx\n",
                    count, set.what, Best(xcopies) / 1000, Best(windows) / 1000, ratios[i], Median(xcopies) / 1000,
                    Median(windows) / 1000, Median(xcopies) > 0 ? Median(windows) / Median(xcopies) : 0);
    }
    std::printf("copy: files %.2fx, photos %.2fx the plain copy (best of %d), longest stall %.0f ms\n", ratios[0],
                ratios[1], kRounds, longestStall);
    // A ratio against a copy that left files out would compare with nothing.
    for (const std::string& failure : failures) std::printf("copy: FAILED: %s\n", failure.c_str());
    if (!failures.empty()) MarkFailed();
}

}  // namespace bench
