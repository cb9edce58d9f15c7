#include "tests/support/main_window.h"

#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "app/admin_check.h"
#include "resources/resource.h"
#include "settings/folders.h"
#include "win/handles.h"
#include "workflow/disk_warning.h"
#include "workflow/folder_tree.h"

namespace testing_support {

void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

bool FileExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    win::FindHandle listing(FindFirstFileA((folder + "\\*").c_str(), &entry));
    if (!listing.valid()) return names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    } while (FindNextFileA(listing.get(), &entry));
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveSettingsFiles() {
    DeleteFileA((settings::GetProgramFolder() + "settings.ini").c_str());
    DeleteFileA((settings::GetProgramFolder() + "formats.ini").c_str());
}

void RemoveFolder(const std::string& path) {
    if (FileExists(path)) workflow::RemoveTree(path, true);
}

std::string MainWindowTest::EngineFolder() { return settings::GetAppDataFolder() + "\\Norvale\\Vantreo"; }
std::string MainWindowTest::DataFolder() { return EngineFolder() + "\\data"; }

void MainWindowTest::SetUp() {
    // Under Wine every drive lies on disk 0, with the data and output folders:
    // the questions about writing onto the searched disk are answered Yes.
    boxes_.AnswerSilently(workflow::kSearchOntoSearchedDiskQuestion, IDYES);
    boxes_.AnswerSilently(workflow::kCopyOntoSearchedDiskQuestion, IDYES);
    RemoveSettingsFiles();
    RemoveFolder(EngineFolder());
}

void MainWindowTest::TearDown() {
    dialog_.reset();
    RemoveSettingsFiles();
    RemoveFolder(EngineFolder());
}

void MainWindowTest::OpenWindow(bool waitForDrives) {
    // Gated as the program gates it.
    dialog_ = std::make_unique<workflow::MainDialog>(app::CheckAdministrator);
    hwnd_ = dialog_->Create(nullptr);
    ASSERT_NE(hwnd_, nullptr);
    ShowWindow(hwnd_, SW_SHOW);
    if (waitForDrives) ASSERT_TRUE(PumpUntil([&] { return Visible(IDC_DRIVE_LIST); }));
}

void MainWindowTest::CloseWindow() {
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(hwnd_); });
}

std::string MainWindowTest::Text(int id) const {
    char buffer[1024] = {};
    GetWindowTextA(Item(id), buffer, sizeof(buffer));
    return buffer;
}

RECT MainWindowTest::Rect(int id) const {
    RECT r{};
    GetWindowRect(Item(id), &r);
    MapWindowPoints(HWND_DESKTOP, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void MainWindowTest::Click(int id) {
    SendMessageA(hwnd_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Item(id)));
}

std::vector<int> MainWindowTest::VisibleControls() const {
    std::vector<int> visible;
    for (int id = IDC_BROWSE; id <= IDC_FILE_TOGGLE; ++id)
        if (Item(id) && Visible(id)) visible.push_back(id);
    return visible;
}

}  // namespace testing_support
