// A whole disk's worth of small found files: a disk image of N tiny GIF
// pictures and N small ZIP files (made by make_scale_disk.sh) scanned by the
// carver alone and through the real main window (carver_scan.h), with what
// the listed entries cost in memory.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "tools/bench/carver_scan.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "workflow/files/folder_tree.h"

#ifndef VANTREO_BENCH_DIR
#error "VANTREO_BENCH_DIR must name the benchmark's build folder (a Unix path)"
#endif

namespace bench {

namespace {

// tools/bench.sh makes the image for the same count when none is given.
constexpr int kDefaultCount = 40000;
// At the pace the window kept before its lists were made for this, 100,000
// of each took some 5 minutes; an hour bounds a run that went wrong.
constexpr ULONGLONG kScanBoundMs = 60 * 60 * 1000;
constexpr double kKB = 1024;
constexpr double kMB = 1024 * 1024;

// How many GIFs (and as many ZIPs) the image holds: VANTREO_SCALE_N, or the
// default; none when it is not a positive number.
std::optional<int> ScaleCount() {
    char text[32] = {};
    const DWORD length = GetEnvironmentVariableA("VANTREO_SCALE_N", text, sizeof text);
    if (length == 0) return kDefaultCount;
    if (length >= sizeof text) return std::nullopt;
    char* end = nullptr;
    const long count = std::strtol(text, &end, 10);
    if (*end != '\0' || count <= 0 || count > 10'000'000) return std::nullopt;
    return static_cast<int>(count);
}

std::string ImagePath(int count) { return std::string(VANTREO_BENCH_DIR) + "/scale-" + std::to_string(count) + ".img"; }

struct Carved {
    int gifs = 0;
    int zips = 0;
    int others = 0;
};

bool HasExtension(const std::string& path, const std::string& extension) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string found = path.substr(dot + 1);
    for (char& c : found) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return found == extension;
}

// Everything below the scratch folder: the engine's temp.1, temp.2 and on.
Carved CountCarved(const std::string& folder) {
    Carved carved;
    workflow::ForEachFileBelow(folder, [&](const workflow::FolderEntry& file) {
        if (HasExtension(file.path, "gif"))
            ++carved.gifs;
        else if (HasExtension(file.path, "zip"))
            ++carved.zips;
        else
            ++carved.others;
        return true;
    });
    return carved;
}

// The carver alone on the image into `scratch`, with what it found; its time,
// or none when it failed.
std::optional<double> TimeEngineAlone(const std::string& image, const ScratchFolder& scratch) {
    const std::optional<EngineRun> run = RunEngineAlone(image, scratch.Path() + "temp");
    if (!run) return std::nullopt;
    const Carved carved = CountCarved(scratch.Path());
    std::printf("engine alone %9.2f s   exit code %lu; %d GIFs, %d ZIPs, %d other files\n", run->ms / 1000.0,
                run->exitCode, carved.gifs, carved.zips, carved.others);
    std::fflush(stdout);
    if (run->exitCode != 0 || run->ms <= 0) return std::nullopt;
    return run->ms;
}

// Bytes after the listing less before Next, a listed entry.
double PerEntry(size_t before, size_t listed, int entries) {
    return (static_cast<double>(listed) - static_cast<double>(before)) / entries;
}

void PrintMemory(const char* what, size_t before, size_t listed, int entries) {
    std::printf("%-12s %9.1f MB before Next %9.1f MB listed %8.1f KB an entry\n", what, before / kMB,
                listed / kMB, PerEntry(before, listed, entries) / kKB);
}

}  // namespace

void RunScaleSection() {
    const std::optional<int> count = ScaleCount();
    if (!count) {
        std::printf("VANTREO_SCALE_N must be a positive number\n");
        return;
    }
    const std::string image = ImagePath(*count);
    if (!CarverReady(image, "bash tools/bench/make_scale_disk.sh " + std::to_string(*count) + " " + image)) return;
    std::printf("disk         %d GIFs and %d ZIPs (ext4, 1 KiB blocks)\n", *count, *count);
    WarmUp(image);
    // What the carver alone found stays until the window's scan has ended. On
    // a file system without a journal (this machine's) ext4 passes over every
    // inode freed in the last minutes when it gives out a new one, so removing
    // 80,000 files just before the window's scan made its carver several
    // times slower than the carver alone, for reasons that are not the window's.
    const ScratchFolder scratch("vantreo-bench-scale");
    const std::optional<double> engineMs = TimeEngineAlone(image, scratch);
    if (!engineMs) return;

    const WindowScan scan = ScanInWindow(image, kScanBoundMs);
    const int entries = scan.photos + scan.files;
    std::printf("listed       %d photo entries, %d file rows: %d entries\n", scan.photos, scan.files, entries);
    if (!scan.finished) {
        std::printf("the window showed no settled results within %llu s\n", kScanBoundMs / 1000);
        return;
    }
    if (entries == 0) return;
    std::printf("window       %9.2f s   from Next until everything is listed and the results show; "
                "%.0f entries a second, %.2f ms an entry\n",
                scan.ms / 1000.0, entries / (scan.ms / 1000.0), scan.ms / entries);
    PrintMemory("private", scan.beforeNext.privateBytes, scan.listed.privateBytes, entries);
    PrintMemory("working set", scan.beforeNext.workingSet, scan.listed.workingSet, entries);
    const double longest = LongestStall(scan.samples);
    std::printf("stalls       %d over %.0f ms, longest %.0f ms (the window's thread sampled every %lu ms)\n",
                CountStalls(scan.samples), kReportedStallMs, longest, kSamplePeriodMs);
    PrintStalls(scan.samples);
    std::printf("scale: %d entries, scan %.2f x the engine alone, longest stall %.0f ms, %.1f KB an entry\n",
                entries, scan.ms / *engineMs, longest,
                PerEntry(scan.beforeNext.privateBytes, scan.listed.privateBytes, entries) / kKB);
}

}  // namespace bench
