// The whole scan of a camera card against the carver alone: how much longer
// the real main window takes than the engine it runs, and how long its thread
// stalls meanwhile. The window is driven only from outside (control ids,
// clicks, the texts it shows), with the photorec forwarder installed as its
// engine, on the card made by make_camera_card.sh.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/settings_file.h"
#include "tests/engines/engine_args.h"
#include "tests/engines/engine_paths.h"
#include "tests/support/pump.h"
#include "tools/bench/answer_questions.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/scratch_folder.h"
#include "tools/bench/sections.h"
#include "tools/bench/stall_sampler.h"
#include "tools/bench/stopwatch.h"
#include "win/handles.h"
#include "win/list_view.h"
#include "workflow/engine_command.h"
#include "workflow/folder_tree.h"
#include "workflow/listing_rules.h"
#include "workflow/main_dialog.h"
#include "workflow/thumbnails.h"

#ifndef VANTREO_CAMERA_CARD
#error "VANTREO_CAMERA_CARD must name the camera card image (a Unix path)"
#endif

namespace bench {

namespace {

constexpr DWORD kSamplePeriodMs = 20;
constexpr double kReportedStallMs = 100;
// Once the results show, the lists must hold still this long: a tick comes
// every 200 ms, so a file still to come would have been listed.
constexpr double kSettledMs = 1000;
constexpr ULONGLONG kScanBoundMs = 10 * 60 * 1000;
constexpr char kDevice[] = "/dev/sda";

std::string WindowText(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

bool ShowsResults(HWND dialog) {
    return WindowText(GetDlgItem(dialog, IDC_RECOVER)) == "Recover" &&
           IsWindowVisible(GetDlgItem(dialog, IDC_PHOTO_TOGGLE)) &&
           WindowText(GetDlgItem(dialog, IDC_STATUS)) == "Press 'Recover' to recover files detected.";
}

// Waits for what is queued or sent to this thread, up to `ms`, then handles it.
void PumpFor(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_ALLINPUT);
    Pump();
}

// Reads the whole image once, so that neither timed run pays for the disk.
void WarmUp(const std::string& image) {
    win::UniqueHandle file(CreateFileA(image.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return;
    std::vector<char> buffer(4 << 20);
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0) {
    }
}

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

// The forwarder run as the window's worker would run the engine, into a
// scratch folder; its time from start to end, or none when it failed.
std::optional<double> TimeEngineAlone() {
    ScratchFolder scratch("vantreo-bench-pace");
    const std::string scanDir = scratch.Path() + "temp";
    const std::optional<std::string> parameters =
        workflow::BuildEngineCommand(scanDir, kDevice, settings::LoadFormatList());
    if (!parameters) {
        std::printf("the format list enables nothing\n");
        return std::nullopt;
    }
    std::string commandLine = engines::QuoteArgument(engines::EnginePath(engines::EngineKind::Photorec));
    commandLine += " " + *parameters;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    const Stopwatch watch;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &started)) {
        std::printf("could not start %s\n", engines::EnginePath(engines::EngineKind::Photorec).c_str());
        return std::nullopt;
    }
    const win::UniqueHandle process(started.hProcess), thread(started.hThread);
    WaitForSingleObject(process.get(), INFINITE);
    const double ms = watch.ElapsedMs();
    DWORD exitCode = 0;
    GetExitCodeProcess(process.get(), &exitCode);
    const Found found = CountFound(scanDir + ".1");
    std::printf("engine alone %8.2f s   exit code %lu; %d photos, %d previews, %d other files\n", ms / 1000.0,
                exitCode, found.photos, found.previews, found.others);
    std::fflush(stdout);
    if (exitCode != 0) return std::nullopt;
    PrintFloor(scanDir + ".1", found.photos, ms);
    return ms;
}

struct Scan {
    bool finished = false;
    double ms = 0;  // from Next until everything is listed and the results show
    int photos = 0;
    int files = 0;
    std::vector<StallSample> samples;  // sent at: relative to Next
};

bool SelectDrive(HWND dialog, const std::string& name) {
    win::ListView drives;
    drives.Attach(GetDlgItem(dialog, IDC_DRIVE_LIST));
    for (int i = 0; i < drives.Count(); ++i) {
        if (drives.GetItemText(i, 0) != name) continue;
        drives.Select(i);
        return true;
    }
    return false;
}

Scan ScanInWindow() {
    Scan scan;
    const AnswerEveryQuestion yes;  // writing onto the searched disk, and closing
    workflow::MainDialog dialog;
    HWND hwnd = dialog.Create(nullptr);
    // Shown, as the program shows it: a hidden window paints nothing, and
    // none of its controls counts as visible.
    ShowWindow(hwnd, SW_SHOW);
    const ULONGLONG shown = GetTickCount64() + 5000;
    while (!IsWindowVisible(GetDlgItem(hwnd, IDC_DRIVE_LIST)) && GetTickCount64() < shown) PumpFor(10);
    if (!SelectDrive(hwnd, "C:")) {
        std::printf("the drive list shows no C:\n");
        return scan;
    }

    StallSampler sampler(hwnd, kSamplePeriodMs);
    const double nextAt = sampler.NowMs();
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    std::optional<double> resultsAt;
    double lastChange = nextAt;
    const ULONGLONG bound = GetTickCount64() + kScanBoundMs;
    while (GetTickCount64() < bound) {
        PumpFor(10);
        const double now = sampler.NowMs();
        const int photos = ListCount(hwnd, IDC_PHOTO_LIST), files = ListCount(hwnd, IDC_FILE_LIST);
        if (photos != scan.photos || files != scan.files) lastChange = now;
        scan.photos = photos;
        scan.files = files;
        if (!resultsAt && ShowsResults(hwnd)) resultsAt = now;
        if (resultsAt && now - std::max(*resultsAt, lastChange) >= kSettledMs) {
            scan.finished = true;
            scan.ms = std::max(*resultsAt, lastChange) - nextAt;
            break;
        }
    }
    sampler.Stop();
    for (const StallSample& sample : sampler.Samples())
        scan.samples.push_back({sample.sentAtMs - nextAt, sample.tookMs});

    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    const ULONGLONG closed = GetTickCount64() + 15000;
    while (IsWindow(hwnd) && GetTickCount64() < closed) PumpFor(10);
    return scan;
}

void PrintStalls(const std::vector<StallSample>& samples) {
    std::printf("stalls over %.0f ms (start after Next: length):", kReportedStallMs);
    int printed = 0;
    for (const StallSample& sample : samples) {
        if (sample.tookMs <= kReportedStallMs) continue;
        std::printf("%s%+8.2f s: %5.0f ms", printed % 5 == 0 ? "\n " : "  ", sample.sentAtMs / 1000.0,
                    sample.tookMs);
        ++printed;
    }
    std::printf("%s\n", printed == 0 ? " none" : "");
}

}  // namespace

void RunPaceSection() {
    const std::string card = testing_support::WindowsPath(VANTREO_CAMERA_CARD);
    if (GetFileAttributesA(card.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no camera card at %s: bash tools/bench/make_camera_card.sh %s\n", VANTREO_CAMERA_CARD,
                    VANTREO_CAMERA_CARD);
        return;
    }
    if (GetFileAttributesA(engines::EnginePath(engines::EngineKind::Photorec).c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no photorec forwarder: build the target vantreo_photorec_forwarder\n");
        return;
    }
    // The engine the window starts inherits this, as the one started here does.
    SetEnvironmentVariableA("VANTREO_DISK_IMAGE", VANTREO_CAMERA_CARD);
    WarmUp(card);

    const std::optional<double> engineMs = TimeEngineAlone();
    if (!engineMs) return;

    // A data folder left behind would be shown again instead of a scan.
    workflow::RemoveTree(DataFolder(), true);
    if (!engines::InstallEngine(engines::EngineKind::Photorec)) {
        std::printf("could not install the engine into %s\n", engines::EngineFolder().c_str());
        return;
    }
    const Scan scan = ScanInWindow();
    workflow::RemoveTree(DataFolder(), true);
    if (!engines::RemoveEngine())
        std::printf("the engine could not be removed from %s\n", engines::EngineFolder().c_str());
    SetEnvironmentVariableA("VANTREO_DISK_IMAGE", nullptr);

    std::printf("listed       %5d photo entries, %d file rows\n", scan.photos, scan.files);
    if (!scan.finished) {
        std::printf("the window showed no settled results within %llu s\n", kScanBoundMs / 1000);
        return;
    }
    std::printf("scan         %8.2f s   from Next until everything is listed and the results show\n",
                scan.ms / 1000.0);
    PrintStalls(scan.samples);
    double longest = 0;
    for (const StallSample& sample : scan.samples) longest = std::max(longest, sample.tookMs);
    std::printf("pace: scan %.2f x the engine alone, longest stall %.0f ms\n", scan.ms / *engineMs, longest);
}

}  // namespace bench
