// The scan monitor on large result sets, driven through the real main window
// during a scan of the stand-in engine (see main_window_driver.h).
//   - one listing tick (a new file becomes a row) with N rows already listed;
//   - one walk of the data folder as its watcher makes it, beside a bare
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
#include "workflow/listing_rules.h"

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

// The walk as the data folder's watcher makes it: every file seen, then sorted
// out against the files already listed.
double TimeWatcherWalk(const std::string& folder) {
    Stopwatch walk;
    std::vector<std::string> walked;
    workflow::ForEachFileBelow(folder, [&](const workflow::FolderEntry& file) {
        walked.push_back(file.path);
        return true;
    });
    workflow::SortOutWalk(walked, folder, false, [](const std::string&) { return true; },
                          workflow::ProbeFoundFile);
    return walk.ElapsedMs();
}

void MeasureListed(int count) {
    workflow::MainDialog dialog;
    HWND hwnd = OpenScanning(dialog);
    WriteResults(0, count, "txt", "x");
    ListUpTo(hwnd, IDC_FILE_LIST, count);

    std::vector<double> walks, bare, steps;
    for (int i = 0; i < kRepeats; ++i) {
        walks.push_back(TimeWatcherWalk(DataFolder()));
        Stopwatch walk;
        BareWalk(DataFolder());
        bare.push_back(walk.ElapsedMs());
    }
    for (int i = 0; i < kRepeats; ++i) {
        const int listed = ListCount(hwnd, IDC_FILE_LIST);
        WriteSmallFile(DataFolder() + "\\temp.1\\new" + std::to_string(i) + ".txt", "new");
        steps.push_back(TimeListingTickUntil(hwnd, [&] { return ListCount(hwnd, IDC_FILE_LIST) > listed; }));
    }
    std::printf("%8d listed | listing tick %8.3f ms | walk %8.1f ms | bare walk %8.1f ms | walk ratio %.2f\n",
                count, Median(steps), Median(walks), Median(bare), Median(walks) / Median(bare));
    std::fflush(stdout);
    CloseScanning(hwnd);
}

void MeasurePhotoMemory(const std::string& jpeg) {
    constexpr int kPhotos = 10000;
    PROCESS_MEMORY_COUNTERS before{};
    GetProcessMemoryInfo(GetCurrentProcess(), &before, sizeof(before));
    workflow::MainDialog dialog;
    HWND hwnd = OpenScanning(dialog);
    WriteResults(0, kPhotos, "jpg", jpeg);
    ListUpTo(hwnd, IDC_PHOTO_LIST, kPhotos);
    PROCESS_MEMORY_COUNTERS after{};
    GetProcessMemoryInfo(GetCurrentProcess(), &after, sizeof(after));
    std::printf("%8d photos | peak working set %.1f MiB (%.1f MiB before) | private %.1f MiB\n", kPhotos,
                after.PeakWorkingSetSize / 1048576.0, before.PeakWorkingSetSize / 1048576.0,
                after.PagefileUsage / 1048576.0);
    CloseScanning(hwnd);
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
