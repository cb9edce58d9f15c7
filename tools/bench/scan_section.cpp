// The scan monitor on large result sets, driven through the real main window:
// its timer ticks are sent to it directly (see main_window_driver.h).
//   - one pass step (a new file becomes a row) with N rows already listed;
//   - one poll (the whole walk of the data folder) beside a bare
//     FindFirstFileExA walk of the same tree;
//   - peak memory with 10,000 photo entries.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "win/handles.h"
#include "workflow/folder_tree.h"
#include "workflow/main_dialog.h"
#include "workflow/timer_ids.h"

namespace bench {

namespace {

constexpr int kRepeats = 9;

int BareWalk(const std::string& folder) {
    int files = 0;
    WIN32_FIND_DATAA entry;
    win::FindHandle listing(
        FindFirstFileExA((folder + "\\*.*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr, 0));
    if (!listing.valid()) return 0;
    do {
        const std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files += BareWalk(folder + "\\" + name);
        else
            ++files;
    } while (FindNextFileA(listing.get(), &entry));
    return files;
}

void MeasureListed(int count) {
    MakeLeftoverResults(count, "uyu", "x");  // "uyu" becomes "txt"
    workflow::MainDialog dialog;
    HWND hwnd = OpenAndListEverything(dialog, IDC_FILE_LIST, count);

    std::vector<double> polls, bare, steps;
    for (int i = 0; i < kRepeats; ++i) {
        Stopwatch poll;
        SendMessageA(hwnd, WM_TIMER, workflow::kPollTimer, 0);
        polls.push_back(poll.ElapsedMs());
        Stopwatch walk;
        BareWalk(DataFolder());
        bare.push_back(walk.ElapsedMs());
    }
    for (int i = 0; i < kRepeats; ++i) {
        WriteSmallFile(DataFolder() + "\\temp.1\\new" + std::to_string(i) + ".txt", "new");
        SendMessageA(hwnd, WM_TIMER, workflow::kPollTimer, 0);
        Stopwatch step;
        SendMessageA(hwnd, WM_TIMER, workflow::kPassTimer, 0);
        steps.push_back(step.ElapsedMs());
    }
    std::printf("%8d listed | pass step %8.3f ms | poll (walk) %8.1f ms | bare walk %8.1f ms | walk ratio %.2f\n",
                count, Median(steps), Median(polls), Median(bare), Median(polls) / Median(bare));
    std::fflush(stdout);
    DestroyWindow(hwnd);
    workflow::RemoveTree(DataFolder(), true);
}

void MeasurePhotoMemory(const std::string& jpeg) {
    constexpr int kPhotos = 10000;
    MakeLeftoverResults(kPhotos, "kqh", jpeg);  // "kqh" becomes "jpg"
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    workflow::MainDialog dialog;
    HWND hwnd = OpenAndListEverything(dialog, IDC_PHOTO_LIST, kPhotos);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    std::printf("%8d photos | peak working set %.1f MiB (%.1f MiB before) | private %.1f MiB\n", kPhotos,
                after.PeakWorkingSetSize / 1048576.0, before.PeakWorkingSetSize / 1048576.0,
                after.PagefileUsage / 1048576.0);
    DestroyWindow(hwnd);
    workflow::RemoveTree(DataFolder(), true);
}

}  // namespace

void RunScanSection() {
    for (int count : {100, 10000, 50000}) MeasureListed(count);
}

void RunMemorySection() {
    // Any small picture: GDI+ decodes it whatever its name, and every
    // thumbnail costs the same 64 x 64 in the image list.
    std::ifstream in(settings::GetProgramFolder() + "sample.jpg", std::ios::binary);
    std::string jpeg((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (jpeg.empty()) {
        std::printf("sample.jpg missing beside bench.exe\n");
        return;
    }
    MeasurePhotoMemory(jpeg);
}

}  // namespace bench
