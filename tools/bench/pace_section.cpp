// The whole scan of a camera card against the carver alone (carver_scan.h):
// how much longer the real main window takes than the engine it runs, and how
// long its thread stalls meanwhile, on the card made by make_camera_card.sh.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tools/bench/carver_scan.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "tools/bench/stopwatch.h"
#include "workflow/files/folder_tree.h"
#include "workflow/scan/listing_rules.h"
#include "workflow/thumbnails/thumbnails.h"

#ifndef VANTREO_CAMERA_CARD
#error "VANTREO_CAMERA_CARD must name the camera card image (a Unix path)"
#endif

namespace bench {

namespace {

struct Found {
    int photos = 0;    // f*.jpg
    int previews = 0;  // t*.jpg
    int others = 0;
};

Found CountFound(const std::string& folder) {
    Found found;
    workflow::ForEachFileBelow(folder, [&](const workflow::FolderEntry& file) {
        if (workflow::PhotoSectorOf(file.path))
            ++found.photos;
        else if (workflow::PreviewSectorOf(file.path))
            ++found.previews;
        else
            ++found.others;
        return true;
    });
    return found;
}

// What one thumbnail of these photos costs, made alone, and so how close the
// scan can come to the engine at best: every photo decoded once, the engine
// run once, the processors kept busy throughout.
void PrintFloor(const std::string& found, int photos, double engineMs) {
    std::vector<std::string> sample;
    workflow::ForEachFileBelow(found, [&](const workflow::FolderEntry& file) {
        if (workflow::PhotoSectorOf(file.path)) sample.push_back(file.path);
        return sample.size() < 5;
    });
    std::vector<double> times;
    for (const std::string& photo : sample) {
        const Stopwatch watch;
        workflow::MakeThumbnail(photo);
        times.push_back(watch.ElapsedMs());
    }
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    const double processors = system.dwNumberOfProcessors;
    const double floor = (photos * Median(times) + engineMs) / (processors * engineMs);
    std::printf("one thumbnail %7.1f ms  (median of %zu card photos, made alone); at best the scan takes %.2f x "
                "the engine on %.0f processors\n",
                Median(times), times.size(), floor, processors);
}

// The forwarder alone on the card, with what it found; its time, or none
// when it failed.
std::optional<double> TimeEngineAlone() {
    ScratchFolder scratch("vantreo-bench-pace");
    const std::string scanDir = scratch.Path() + "temp";
    const std::optional<EngineRun> run = RunEngineAlone(VANTREO_CAMERA_CARD, scanDir);
    if (!run) return std::nullopt;
    const Found found = CountFound(scanDir + ".1");
    std::printf("engine alone %8.2f s   exit code %lu; %d photos, %d previews, %d other files\n", run->ms / 1000.0,
                run->exitCode, found.photos, found.previews, found.others);
    std::fflush(stdout);
    if (run->exitCode != 0) return std::nullopt;
    PrintFloor(scanDir + ".1", found.photos, run->ms);
    return run->ms;
}

}  // namespace

void RunPaceSection() {
    if (!CarverReady(VANTREO_CAMERA_CARD, std::string("bash tools/bench/make_camera_card.sh ") + VANTREO_CAMERA_CARD))
        return;
    WarmUp(VANTREO_CAMERA_CARD);
    const std::optional<double> engineMs = TimeEngineAlone();
    if (!engineMs) return;

    constexpr ULONGLONG kScanBoundMs = 10 * 60 * 1000;
    const WindowScan scan = ScanInWindow(VANTREO_CAMERA_CARD, kScanBoundMs);
    std::printf("listed       %5d photo entries, %d file rows\n", scan.photos, scan.files);
    if (!scan.finished) {
        std::printf("the window showed no settled results within %llu s\n", kScanBoundMs / 1000);
        return;
    }
    std::printf("scan         %8.2f s   from Next until everything is listed and the results show\n",
                scan.ms / 1000.0);
    PrintStalls(scan.samples);
    std::printf("pace: scan %.2f x the engine alone, longest stall %.0f ms\n", scan.ms / *engineMs,
                LongestStall(scan.samples));
}

}  // namespace bench
