#include "tests/support/folder_links.h"

#include <windows.h>

#include "tests/engines/wine_paths.h"
#include "tests/support/pump.h"
#include "win/handles.h"

namespace testing_support {

bool RunUnixUntil(std::string commandLine, const std::function<bool()>& done) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    // Generous: on a busy machine Wine can take seconds to start a Unix program.
    return PumpUntil(done, 30000);
}

void RemoveTreeFromUnix(const std::string& path) {
    const std::string unixPath = engines::WinePaths().ToUnix(path);
    if (unixPath.empty()) return;
    RunUnixUntil("Z:\\bin\\rm -rf \"" + unixPath + "\"",
                 [&] { return GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

bool IsLinkOnDisk(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

namespace {

std::string FinalName(const std::string& path) {
    win::UniqueHandle opened(CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    char name[MAX_PATH * 2] = {};
    if (!opened || !GetFinalPathNameByHandleA(opened.get(), name, sizeof name, FILE_NAME_NORMALIZED)) return {};
    return name;
}

}  // namespace

bool SwapForLink(const std::string& path, const std::string& target) {
    const std::string goal = FinalName(target);
    const engines::WinePaths paths;
    const std::string unixPath = paths.ToUnix(path), unixTarget = paths.ToUnix(target);
    if (goal.empty() || unixPath.empty() || unixTarget.empty()) return false;
    return RunUnixUntil("Z:\\bin\\sh -c \"rm -rf '" + unixPath + "' && ln -s '" + unixTarget + "' '" + unixPath + "'\"",
                        [&] { return lstrcmpiA(FinalName(path).c_str(), goal.c_str()) == 0; });
}

bool MakeFolderLink(const std::string& link, const std::string& target) {
    if (CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) && IsLinkOnDisk(link))
        return true;
    const engines::WinePaths paths;
    const std::string unixLink = paths.ToUnix(link), unixTarget = paths.ToUnix(target);
    if (unixLink.empty() || unixTarget.empty()) return false;
    return RunUnixUntil("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"",
                        [&] { return IsLinkOnDisk(link); });
}

}  // namespace testing_support
