// Checks what tools/run.sh starts for a newcomer: the program comes up with
// the disk image it was given as the selected row of its drive list; then it
// is closed as the user's close box would, and must end with exit code 0.
//   demo_check.exe <program> <image> <row name>
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "tests/support/started_program.h"

namespace {

constexpr char kWindowTitle[] = "Norvale Vantreo";
constexpr int kDriveListId = 1001;
constexpr DWORD kWindowTimeoutMs = 60000;
constexpr DWORD kExitTimeoutMs = 15000;

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

int Fail(const std::string& what) {
    std::fprintf(stderr, "demo_check: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: demo_check <program> <image> <row name>\n");
        return 2;
    }
    const testing_support::StartedProgram program(argv[1], "\"" + std::string(argv[2]) + "\"");
    if (!program.Started()) return Fail("the program could not be started");
    HWND window = nullptr;
    std::string selected;
    const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
    for (;;) {
        if (program.Ended(100)) return Fail("the program ended by itself");
        if (GetTickCount64() > deadline) {
            return Fail(window ? "the image's row was not selected; selected: \"" + selected + "\""
                               : "no main window came up");
        }
        if (!window) window = program.Window(kWindowTitle);
        if (!window) continue;
        selected = SelectedRowText(program.Process(), GetDlgItem(window, kDriveListId));
        if (selected == argv[3]) break;
    }
    std::printf("demo_check: the window is up with \"%s\" selected\n", argv[3]);

    const std::optional<DWORD> exitCode = program.Close(window, kExitTimeoutMs);
    if (!exitCode) return Fail("the program did not end after its window was closed");
    if (*exitCode != 0) return Fail("the program ended with exit code " + std::to_string(*exitCode));
    std::printf("demo_check: the program ended with exit code 0\n");
    return 0;
}
