#include "tests/support/pump.h"

#include "tests/support/message_boxes.h"

namespace testing_support {

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    while (!done()) {
        if (GetTickCount64() >= deadline) return false;
        // A quit request is kept for whoever checks for it.
        if (!PumpPending()) return done();
        if (auto* catcher = MessageBoxCatcher::Current()) catcher->Poll();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

std::vector<HWND> WindowsTitled(const std::string& title, DWORD process) {
    struct Search {
        const std::string& title;
        DWORD process;
        std::vector<HWND> found;
    } search{title, process, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM data) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            char text[256] = {};
            GetWindowTextA(hwnd, text, sizeof(text));
            if ((!search.process || owner == search.process) && IsWindowVisible(hwnd) && search.title == text)
                search.found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WindowTitled(const std::string& title, DWORD process) {
    const std::vector<HWND> found = WindowsTitled(title, process);
    return found.empty() ? nullptr : found.front();
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

std::string TestExeFolder() {
    char buffer[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, buffer, MAX_PATH);
    std::string path = buffer;
    return path.substr(0, path.rfind('\\') + 1);
}

}  // namespace testing_support
