// The scan monitor on large result sets, driven through the real main window
// during a scan of the stand-in engine (see main_window_driver.h).
//   - one listing tick (a new file becomes a row) with N rows already listed;
//   - the data folder's watcher on its own: its first walk of a data folder,
//     a later walk once every file is taken, beside a bare FindFirstFileExA
//     walk of the same tree;
//   - peak memory with 10,000 photo entries.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <cstdio>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "win/handles.h"
#include "workflow/scan/data_folder_watcher.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/main_dialog.h"

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

// Walks of a data folder of `count` files (500 a folder, as the engine lays
// them out) as its watcher makes them, back to back: the watcher asks whether
// the engine runs before each walk, so the time between two askings is one
// walk. The first walk hands every file over; the later ones, begun once the
// folders have stood still for a few seconds, find every file taken.
void MeasureWalks(int count) {
    const ScratchFolder scratch("walks");
    const std::string data = scratch.Path() + "data";
    CreateDirectoryA(data.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        const std::string folder = data + "\\temp." + std::to_string(i / 500 + 1);
        if (i % 500 == 0) CreateDirectoryA(folder.c_str(), nullptr);
        WriteSmallFile(folder + "\\f" + std::to_string(1000000 + i) + ".txt", "x");
    }
    const ULONGLONG settled = GetTickCount64() + 4000;

    std::mutex lock;
    std::vector<double> asked;
    const Stopwatch clock;
    {
        workflow::DataFolderWatcher watcher(
            data,
            [&] {
                std::lock_guard<std::mutex> guard(lock);
                asked.push_back(clock.ElapsedMs());
                return true;
            },
            0, 0);
        const auto askedCount = [&] {
            std::lock_guard<std::mutex> guard(lock);
            return asked.size();
        };
        const auto walkTime = [&](size_t walk) {
            std::lock_guard<std::mutex> guard(lock);
            return asked[walk + 1] - asked[walk];
        };
        while (askedCount() < 2) Sleep(10);
        const double firstWalk = walkTime(0);
        while (GetTickCount64() < settled) Sleep(10);
        const size_t later = askedCount();
        while (askedCount() < later + kRepeats + 1) Sleep(10);
        watcher.Stop();
        std::vector<double> walks;
        for (size_t i = later; i < later + kRepeats; ++i) walks.push_back(walkTime(i));

        std::vector<double> bare;
        for (int i = 0; i < kRepeats; ++i) {
            Stopwatch walk;
            BareWalk(data);
            bare.push_back(walk.ElapsedMs());
        }
        std::printf("%8d files | first walk %8.1f ms | later walk %8.1f ms | bare walk %8.1f ms\n", count, firstWalk,
                    Median(walks), Median(bare));
        std::fflush(stdout);
    }
}

void MeasureListed(int count) {
    workflow::MainDialog dialog;
    HWND hwnd = OpenScanning(dialog);
    WriteResults(0, count, "txt", "x");
    ListUpTo(hwnd, IDC_FILE_LIST, count);

    std::vector<double> steps;
    for (int i = 0; i < kRepeats; ++i) {
        const int listed = ListCount(hwnd, IDC_FILE_LIST);
        WriteSmallFile(DataFolder() + "\\temp.1\\new" + std::to_string(i) + ".txt", "new");
        steps.push_back(TimeListingTickUntil(hwnd, [&] { return ListCount(hwnd, IDC_FILE_LIST) > listed; }));
    }
    std::printf("%8d listed | listing tick %8.3f ms\n", count, Median(steps));
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
    for (int count : {100, 10000, 50000}) MeasureWalks(count);
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
