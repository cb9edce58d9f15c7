#include "tests/support/scan_fixture.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include "resources/resource.h"
#include "win/handles.h"
#include "workflow/found/found_item.h"
#include "workflow/window/main_dialog.h"

namespace testing_support {

int EngineProcesses(bool terminate) {
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (lstrcmpiA(entry.szExeFile, "photo.exe") != 0) continue;
        ++count;
        if (!terminate) continue;
        win::UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (process && TerminateProcess(process.get(), 0)) WaitForSingleObject(process.get(), 5000);
    }
    return count;
}

void ScanTest::TearDown() {
    MainWindowTest::TearDown();
    EngineProcesses(true);
    engines::RemoveEngine();
    m_environment.clear();
}

void ScanTest::SetEnvironment(const char* name, const std::string& value) {
    m_environment.push_back(std::make_unique<ScopedEnvironment>(name, value));
}

void ScanTest::InstallStandIn(const std::string& fixtures, bool hang) {
    SetEnvironment("VANTREO_STANDIN_LOG", m_logPath);
    SetEnvironment("VANTREO_STANDIN_FIXTURES", fixtures);
    SetEnvironment("VANTREO_STANDIN_WRITE_MS", "20");
    SetEnvironment("VANTREO_STANDIN_GAP_MS", "10");
    if (hang) SetEnvironment("VANTREO_STANDIN_HANG", "1");
    ASSERT_TRUE(engines::InstallEngine(engines::EngineKind::StandIn));
}

bool ScanTest::CancelUntilListed() {
    m_boxes.QueueAnswer(IDYES);
    Click(IDC_RECOVER);
    // A poll or pass is still pending when Cancel returns, and the status line
    // shows the results prompt again only once the last listing has ended.
    SetWindowTextA(Item(IDC_STATUS), "");
    return PumpUntil([&] { return Text(IDC_STATUS) == workflow::kResultsPrompt; }, 15000);
}

void ScanTest::SelectDrive(const std::string& name) {
    win::ListView drives = List(IDC_DRIVE_LIST);
    for (int i = 0; i < drives.Count(); ++i) {
        if (drives.GetItemText(i, 0) == name) {
            drives.Select(i);
            return;
        }
    }
    FAIL() << name << " is not listed";
}

void ScanTest::StartScan() {
    OpenWindow();
    SelectDrive("C:");
    Click(IDC_NEXT);
}

bool ScanTest::InResultsMode() const { return Visible(IDC_PHOTO_TOGGLE) && Text(IDC_RECOVER) == "Recover"; }

bool ScanTest::WaitForResults(DWORD timeoutMs) { return PumpUntil([&] { return InResultsMode(); }, timeoutMs); }

bool ScanTest::WaitForDriveSelection(DWORD timeoutMs) {
    return PumpUntil([&] { return Visible(IDC_NEXT) && !Visible(IDC_PHOTO_LIST); }, timeoutMs);
}

std::vector<std::string> ScanTest::PhotoPaths() const {
    win::ListView photos = List(IDC_PHOTO_LIST);
    std::vector<std::string> paths;
    for (int i = 0; i < photos.Count(); ++i)
        paths.push_back(reinterpret_cast<const workflow::FoundPhoto*>(photos.GetItemData(i))->path);
    return paths;
}

std::vector<bool> ScanTest::PhotoChecks() const {
    win::ListView photos = List(IDC_PHOTO_LIST);
    std::vector<bool> checks;
    for (int i = 0; i < photos.Count(); ++i) checks.push_back(photos.GetCheck(i));
    return checks;
}

void ScanTest::ClickCheckBox(int list, int index) const {
    const win::ListView view = List(list);
    view.EnsureVisible(index);
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(view.Handle(), LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&bounds));
    for (int y = bounds.top; y < bounds.bottom; y += 2) {
        for (int x = bounds.left; x < bounds.right; x += 2) {
            LVHITTESTINFO hit{};
            hit.pt = POINT{x, y};
            if (SendMessageA(view.Handle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) != index ||
                !(hit.flags & LVHT_ONITEMSTATEICON))
                continue;
            SendMessageA(view.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
            SendMessageA(view.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
            return;
        }
    }
    ADD_FAILURE() << "no check box found for item " << index;
}

void ScanTest::SetChecks(int list, const std::vector<bool>& checks) const {
    const win::ListView view = List(list);
    for (size_t i = 0; i < checks.size(); ++i)
        if (view.GetCheck(static_cast<int>(i)) != checks[i]) ClickCheckBox(list, static_cast<int>(i));
}

std::vector<FileRow> ScanTest::FileRows() const {
    win::ListView files = List(IDC_FILE_LIST);
    std::vector<FileRow> rows;
    for (int i = 0; i < files.Count(); ++i)
        rows.push_back({files.GetItemText(i, 0), files.GetItemText(i, 1), files.GetItemText(i, 2), files.GetCheck(i)});
    return rows;
}

std::vector<std::string> ScanTest::FileNames() const {
    std::vector<std::string> names;
    for (const FileRow& row : FileRows()) names.push_back(row.name);
    return names;
}

void ScanTest::ClickFileListHeader(int column) {
    win::ListView files = List(IDC_FILE_LIST);
    HWND header = files.Header();
    RECT item{};
    SendMessageA(header, HDM_GETITEMRECT, column, reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageA(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(header, WM_LBUTTONUP, 0, at);
    PumpPending();
}

}  // namespace testing_support
