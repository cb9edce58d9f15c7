// Checks what tools/run.sh starts for a newcomer: the program comes up with
// the disk image it was given as the selected row of its drive list; then it
// is closed as the user's close box would, and must end with exit code 0.
//   demo_check.exe <program> <image> <row name>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

namespace {

constexpr char kWindowTitle[] = "Norvale Vantreo";
constexpr int kDriveListId = 1001;
constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 15000;

struct WindowSearch {
    DWORD process;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    char title[256] = {};
    GetWindowTextA(hwnd, title, sizeof title);
    if (process == search->process && IsWindowVisible(hwnd) && std::string(title) == kWindowTitle) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The selected row's first column, read through memory of the program's own:
// a list view takes the text's buffer in the process that owns it.
std::string SelectedRowText(HANDLE process, HWND list) {
    const int row = static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0) return {};
    constexpr SIZE_T kTextBytes = 1024;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMA) + kTextBytes, MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return {};
    LVITEMA item{};
    item.iSubItem = 0;
    item.pszText = static_cast<char*>(remote) + sizeof(LVITEMA);
    item.cchTextMax = kTextBytes;
    std::string text;
    if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr)) {
        SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(remote));
        char buffer[kTextBytes] = {};
        if (ReadProcessMemory(process, item.pszText, buffer, kTextBytes - 1, nullptr)) text = buffer;
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    return text;
}

int Fail(const std::string& what, HANDLE process) {
    std::fprintf(stderr, "demo_check: %s\n", what.c_str());
    if (process) TerminateProcess(process, 1);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: demo_check <program> <image> <row name>\n");
        return 2;
    }
    std::string commandLine = std::string("\"") + argv[1] + "\" \"" + argv[2] + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return Fail("the program could not be started", nullptr);
    CloseHandle(started.hThread);
    HANDLE process = started.hProcess;

    WindowSearch search{started.dwProcessId, nullptr};
    std::string selected;
    const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
    for (;;) {
        if (WaitForSingleObject(process, 100) == WAIT_OBJECT_0) return Fail("the program ended by itself", nullptr);
        if (GetTickCount64() > deadline) {
            return Fail(search.found ? "the image's row was not selected; selected: \"" + selected + "\""
                                     : "no main window came up",
                        process);
        }
        if (!search.found) EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (!search.found) continue;
        selected = SelectedRowText(process, GetDlgItem(search.found, kDriveListId));
        if (selected == argv[3]) break;
    }
    std::printf("demo_check: the window is up with \"%s\" selected\n", argv[3]);

    PostMessageA(search.found, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process, kExitTimeoutMs) != WAIT_OBJECT_0)
        return Fail("the program did not end after its window was closed", process);
    DWORD exitCode = 1;
    GetExitCodeProcess(process, &exitCode);
    CloseHandle(process);
    if (exitCode != 0) return Fail("the program ended with exit code " + std::to_string(exitCode), nullptr);
    std::printf("demo_check: the program ended with exit code 0\n");
    return 0;
}
