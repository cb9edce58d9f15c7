#include "tools/bench/carver_scan.h"

#include <algorithm>
#include <cstdio>

#include "resources/resource.h"
#include "settings/settings_file.h"
#include "tests/engines/engine_args.h"
#include "tests/engines/engine_paths.h"
#include "tests/support/pump.h"
#include "tools/bench/answer_questions.h"
#include "tools/bench/main_window_driver.h"
#include "tools/bench/stopwatch.h"
#include "win/handles.h"
#include "win/controls/list_view.h"
#include "workflow/engine/engine_command.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/main_dialog.h"

namespace bench {

namespace {

// Once the results show, the lists must hold still this long: a tick comes
// every 200 ms, so a file still to come would have been listed.
constexpr double kSettledMs = 1000;
// How often the lists' counts are looked at during a scan: the figures are
// seconds, and each look is a few messages through the window's controls.
constexpr DWORD kLookEveryMs = 50;
// Closing with everything listed asks first and may clean up a large data folder.
constexpr ULONGLONG kCloseBoundMs = 60000;

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

// The image's row, selected once the window has added it, as a user's start
// with the image on the command line selects it.
bool ImageSelected(HWND dialog, const std::string& name) {
    win::ListView drives;
    drives.Attach(GetDlgItem(dialog, IDC_DRIVE_LIST));
    const int selected = drives.FirstSelected();
    return selected >= 0 && drives.GetItemText(selected, 0) == name;
}

// From Next until the lists settle after the results show.
void RunScan(HWND hwnd, ULONGLONG boundMs, WindowScan& scan) {
    StallSampler sampler(hwnd, kSamplePeriodMs);
    scan.beforeNext = MemoryNow();
    const double nextAt = sampler.NowMs();
    PostMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    std::optional<double> resultsAt;
    double lastChange = nextAt;
    const ULONGLONG bound = GetTickCount64() + boundMs;
    double lookedAt = nextAt;
    while (GetTickCount64() < bound) {
        PumpFor(kLookEveryMs);
        const double now = sampler.NowMs();
        // Every message wakes this loop; looking at the lists after each would
        // put a stream of messages of its own through the window's controls.
        if (now - lookedAt < kLookEveryMs) continue;
        lookedAt = now;
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
    scan.listed = MemoryNow();
    sampler.Stop();
    for (const StallSample& sample : sampler.Samples())
        scan.samples.push_back({sample.sentAtMs - nextAt, sample.tookMs});
}

WindowScan ScanWithEngineInstalled(const std::string& unixImage, ULONGLONG boundMs) {
    WindowScan scan;
    const AnswerEveryQuestion yes;  // the new engine, and closing
    const std::string image = testing_support::WindowsPath(unixImage);
    const std::string name = image.substr(image.find_last_of('\\') + 1);
    workflow::MainDialog dialog;
    dialog.OpenImageAtStart(image);
    HWND hwnd = dialog.Create(nullptr);
    // Shown, as the program shows it: a hidden window paints nothing, and
    // none of its controls counts as visible.
    ShowWindow(hwnd, SW_SHOW);
    const ULONGLONG shown = GetTickCount64() + 5000;
    while (!ImageSelected(hwnd, name) && GetTickCount64() < shown) PumpFor(10);
    if (ImageSelected(hwnd, name))
        RunScan(hwnd, boundMs, scan);
    else
        std::printf("the drive list shows no %s\n", name.c_str());

    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    const ULONGLONG closed = GetTickCount64() + kCloseBoundMs;
    while (IsWindow(hwnd) && GetTickCount64() < closed) PumpFor(10);
    return scan;
}

}  // namespace

bool CarverReady(const std::string& unixImage, const std::string& remedy) {
    if (GetFileAttributesA(testing_support::WindowsPath(unixImage).c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no disk image at %s: %s\n", unixImage.c_str(), remedy.c_str());
        return false;
    }
    if (GetFileAttributesA(engines::EnginePath(engines::EngineKind::Photorec).c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("no photorec forwarder: build the target vantreo_photorec_forwarder\n");
        return false;
    }
    return true;
}

void WarmUp(const std::string& unixImage) {
    win::UniqueHandle file(CreateFileA(testing_support::WindowsPath(unixImage).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return;
    std::vector<char> buffer(4 << 20);
    DWORD read = 0;
    while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0) {
    }
}

std::optional<EngineRun> RunEngineAlone(const std::string& unixImage, const std::string& scanDir) {
    // The image as the window names it to the engine: its Windows path.
    const std::optional<std::string> parameters = workflow::BuildEngineCommand(
        scanDir, testing_support::WindowsPath(unixImage), settings::LoadFormatList());
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
    EngineRun run;
    run.ms = watch.ElapsedMs();
    GetExitCodeProcess(process.get(), &run.exitCode);
    return run;
}

WindowScan ScanInWindow(const std::string& unixImage, ULONGLONG boundMs) {
    // A data folder left behind would be shown again instead of a scan.
    workflow::RemoveTree(DataFolder(), true);
    if (!engines::InstallEngine(engines::EngineKind::Photorec)) {
        std::printf("could not install the engine into %s\n", engines::EngineFolder().c_str());
        return {};
    }
    const WindowScan scan = ScanWithEngineInstalled(unixImage, boundMs);
    workflow::RemoveTree(DataFolder(), true);
    if (!engines::RemoveEngine())
        std::printf("the engine could not be removed from %s\n", engines::EngineFolder().c_str());
    return scan;
}

void PrintStalls(const std::vector<StallSample>& samples, const char* since) {
    std::printf("stalls over %.0f ms (start after %s: length):", kReportedStallMs, since);
    int printed = 0;
    for (const StallSample& sample : samples) {
        if (sample.tookMs <= kReportedStallMs) continue;
        std::printf("%s%+8.2f s: %5.0f ms", printed % 5 == 0 ? "\n " : "  ", sample.sentAtMs / 1000.0,
                    sample.tookMs);
        ++printed;
    }
    std::printf("%s\n", printed == 0 ? " none" : "");
}

int CountStalls(const std::vector<StallSample>& samples) {
    return static_cast<int>(std::count_if(samples.begin(), samples.end(),
                                          [](const StallSample& sample) { return sample.tookMs > kReportedStallMs; }));
}

double LongestStall(const std::vector<StallSample>& samples) {
    double longest = 0;
    for (const StallSample& sample : samples) longest = std::max(longest, sample.tookMs);
    return longest;
}

}  // namespace bench
