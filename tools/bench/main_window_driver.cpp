#include "tools/bench/main_window_driver.h"

#include <commctrl.h>

#include <fstream>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/engines/engine_paths.h"
#include "tools/bench/answer_questions.h"
#include "tools/bench/stopwatch.h"
#include "win/controls/list_view.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/timer_ids.h"

namespace bench {

namespace {

constexpr int kFilesPerFolder = 500;  // the engine starts a new folder every 500 files
constexpr ULONGLONG kIdleLimitMs = 20000;

bool InstallStandIn() {
    const std::string nothing = settings::GetAppDataFolder() + "\\vantreo-bench-no-fixtures";
    CreateDirectoryA(nothing.c_str(), nullptr);
    SetEnvironmentVariableA("VANTREO_STANDIN_FIXTURES", nothing.c_str());
    SetEnvironmentVariableA("VANTREO_STANDIN_HANG", "1");
    return engines::InstallEngine(engines::EngineKind::StandIn);
}

}  // namespace

std::string DataFolder() { return engines::EngineFolder() + "\\data"; }

void WriteSmallFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

void WriteResults(int first, int count, const std::string& extension, const std::string& content, bool distinct) {
    std::string bytes = content;
    for (int i = first; i < first + count; ++i) {
        const std::string folder = DataFolder() + "\\temp." + std::to_string(i / kFilesPerFolder + 1);
        if (i == first || i % kFilesPerFolder == 0) CreateDirectoryA(folder.c_str(), nullptr);
        const std::string number = std::to_string(1000000 + i);
        if (distinct && bytes.size() >= number.size()) bytes.replace(bytes.size() - number.size(), number.size(), number);
        WriteSmallFile(folder + "\\f" + number + "." + extension, bytes);
    }
}

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int ListCount(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}

void ListUpTo(HWND dialog, int listId, int count) {
    int listed = ListCount(dialog, listId);
    ULONGLONG lastProgress = GetTickCount64();
    while (listed < count && GetTickCount64() - lastProgress < kIdleLimitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
        if (const int now = ListCount(dialog, listId); now != listed) {
            listed = now;
            lastProgress = GetTickCount64();
        }
    }
}

double TimeListingTickUntil(HWND dialog, const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + kIdleLimitMs;
    while (GetTickCount64() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            const bool listingTick =
                msg.message == WM_TIMER && msg.hwnd == dialog && msg.wParam == workflow::kListingTimer;
            Stopwatch tick;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (listingTick && done()) return tick.ElapsedMs();
        }
    }
    return 0;
}

HWND OpenScanning(workflow::MainDialog& dialog) {
    workflow::RemoveTree(DataFolder(), true);
    if (!InstallStandIn()) std::printf("the stand-in engine could not be installed\n");
    const AnswerEveryQuestion yes;  // the data folder lies on the disk of C:
    HWND hwnd = dialog.Create(nullptr);
    ShowWindow(hwnd, SW_SHOW);  // hidden, it would neither paint nor show the drive list
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (!IsWindowVisible(GetDlgItem(hwnd, IDC_DRIVE_LIST)) && GetTickCount64() < deadline) {
        Pump();
        Sleep(10);
    }
    win::ListView drives;
    drives.Attach(GetDlgItem(hwnd, IDC_DRIVE_LIST));
    for (int i = 0; i < drives.Count(); ++i)
        if (drives.GetItemText(i, 0) == "C:") drives.Select(i);
    SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDC_NEXT, BN_CLICKED), 0);
    return hwnd;
}

void CloseScanning(HWND dialog) {
    {
        const AnswerEveryQuestion yes;
        SendMessageA(dialog, WM_CLOSE, 0, 0);
        const ULONGLONG deadline = GetTickCount64() + 10000;
        while (IsWindow(dialog) && GetTickCount64() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            Pump();
        }
    }
    if (IsWindow(dialog)) DestroyWindow(dialog);
    workflow::RemoveTree(DataFolder(), true);
    engines::RemoveEngine();
}

}  // namespace bench
