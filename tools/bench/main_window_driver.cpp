#include "tools/bench/main_window_driver.h"

#include <commctrl.h>

#include <fstream>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tools/bench/answer_questions.h"
#include "win/list_view.h"
#include "workflow/folder_tree.h"
#include "workflow/timer_ids.h"

namespace bench {

namespace {

constexpr int kFilesPerFolder = 500;  // the engine starts a new folder every 500 files

void EnsureEngineFolders() {
    const std::string engine = settings::GetAppDataFolder() + "\\Norvale";
    CreateDirectoryA(engine.c_str(), nullptr);
    CreateDirectoryA((engine + "\\Vantreo").c_str(), nullptr);
    CreateDirectoryA(DataFolder().c_str(), nullptr);
}

}  // namespace

std::string DataFolder() { return settings::GetAppDataFolder() + "\\Norvale\\Vantreo\\data"; }

void WriteSmallFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

void WriteResults(int first, int count, const std::string& extension, const std::string& content) {
    for (int i = first; i < first + count; ++i) {
        const std::string folder = DataFolder() + "\\temp." + std::to_string(i / kFilesPerFolder + 1);
        if (i == first || i % kFilesPerFolder == 0) CreateDirectoryA(folder.c_str(), nullptr);
        WriteSmallFile(folder + "\\f" + std::to_string(1000000 + i) + "." + extension, content);
    }
}

void MakeLeftoverResults(int count, const std::string& shiftedExtension, const std::string& content) {
    workflow::RemoveTree(DataFolder(), true);
    EnsureEngineFolders();
    WriteResults(0, count, shiftedExtension, content);
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
    SendMessageA(dialog, WM_TIMER, workflow::kPollTimer, 0);
    // One tick per file found; the bound only keeps a declined file from
    // turning into an endless loop.
    const int maxTicks = 2 * count + 100;
    for (int tick = 0; tick < maxTicks && ListCount(dialog, listId) < count; ++tick)
        SendMessageA(dialog, WM_TIMER, workflow::kPassTimer, 0);
}

HWND OpenAndListEverything(workflow::MainDialog& dialog, int listId, int count) {
    const AnswerEveryQuestion yes;  // the data folder lies on the disk of C:
    HWND hwnd = dialog.Create(nullptr);
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
    ListUpTo(hwnd, listId, count);
    return hwnd;
}

}  // namespace bench
