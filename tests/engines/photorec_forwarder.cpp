// Runs the Linux photorec as the carving engine, from under Wine: takes our
// parameter string and starts photorec through run_photorec.sh on what it
// names: a disk image's Windows path as its Unix path; a disk (/dev/sdX),
// which under Wine is no disk photorec can read, as the image that
// VANTREO_DISK_IMAGE names. README.md tells how the two wait for and stop
// each other, and the exit codes.
#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/engines/engine_args.h"
#include "tests/engines/environment.h"
#include "tests/engines/wine_paths.h"
#include "win/handles.h"

#ifndef VANTREO_PHOTOREC_SCRIPT
#error "VANTREO_PHOTOREC_SCRIPT must name run_photorec.sh"
#endif

namespace {

// A fresh folder under %TEMP% for photorec's log and session file and for the
// lock and marker shared with the script.
std::string MakeWorkFolder() {
    char temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) return {};
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string folder = std::string(temp) + "vantreo-photorec-" + std::to_string(GetCurrentProcessId()) +
                                   "-" + std::to_string(GetTickCount64() + attempt);
        if (CreateDirectoryA(folder.c_str(), nullptr)) return folder;
    }
    return {};
}

void RemoveFolder(const std::string& folder) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

bool StartScript(const engines::WinePaths& paths, const std::string& arguments, const std::string& workFolder) {
    // Started through the shell, so the script needs no execute bit. Wine execs
    // a Linux program found by its DOS path and splits the command line into
    // its argv by the Windows rules.
    const std::wstring shell = paths.ToDos("/bin/sh");
    if (shell.empty()) return false;
    // Every word is a Unix path or plain ASCII: the Linux side reads them as UTF-8.
    std::wstring commandLine = engines::Widen(engines::QuoteArgument("/bin/sh") + " " + arguments, CP_UTF8);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(shell.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        engines::Widen(workFolder).c_str(), &startup, &process))
        return false;
    // Wine hands back no usable handles for a Linux process: nothing to close.
    return true;
}

int ReadStatus(const std::string& marker) {
    win::UniqueHandle file(CreateFileA(marker.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 3;
    char text[16] = {};
    DWORD read = 0;
    if (!ReadFile(file.get(), text, sizeof text - 1, &read, nullptr) || read == 0) return 3;
    return atoi(text);
}

// The exit code of an engine that cannot open what it is told to search.
constexpr int kCannotOpenDevice = 1;

// The Unix path of what photorec searches; empty when there is none.
std::string ImageToSearch(const engines::WinePaths& paths, const std::string& device) {
    if (device.starts_with("/dev/")) return engines::EnvironmentValue("VANTREO_DISK_IMAGE");
    const std::string image = paths.ToUnix(device);
    // A Windows path that names no file (a folder, or nothing) is nothing photorec could search.
    const DWORD attributes = GetFileAttributesA(device.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return {};
    return image;
}

int Run() {
    const std::string parameters = engines::ParametersOf(GetCommandLineA());
    const auto scanDir = engines::ScanDirOf(parameters);
    const auto command = engines::CommandOf(parameters);
    const engines::WinePaths paths;
    if (!scanDir || !command || !paths.available()) return 2;
    const std::string image = ImageToSearch(paths, command->device);
    if (image.empty()) return kCannotOpenDevice;
    const std::string unixScanDir = paths.ToUnix(*scanDir);
    if (unixScanDir.empty()) return 2;
    // A script that is not there would never write the marker we wait for.
    const std::wstring script = paths.ToDos(VANTREO_PHOTOREC_SCRIPT);
    if (script.empty() || GetFileAttributesW(script.c_str()) == INVALID_FILE_ATTRIBUTES) return 3;

    const std::string workFolder = MakeWorkFolder();
    if (workFolder.empty()) return 3;
    const std::string lockPath = workFolder + "\\lock";
    const std::string markerPath = workFolder + "\\done";
    win::UniqueHandle lock(CreateFileA(lockPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                       nullptr, CREATE_NEW, FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    const std::string unixWorkFolder = paths.ToUnix(workFolder);
    const std::string arguments = engines::QuoteArgument(VANTREO_PHOTOREC_SCRIPT) + " " +
                                  engines::QuoteArgument(unixWorkFolder) + " " + engines::QuoteArgument(unixScanDir) +
                                  " " + engines::QuoteArgument(image) + " " + engines::QuoteArgument(command->options);
    if (!lock || unixWorkFolder.empty() || !StartScript(paths, arguments, workFolder)) {
        lock.reset();
        RemoveFolder(workFolder);
        return 3;
    }

    while (GetFileAttributesA(markerPath.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(50);
    const int status = ReadStatus(markerPath);
    lock.reset();
    // photorec's log stays for a look when it failed.
    if (status == 0) RemoveFolder(workFolder);
    return status;
}

}  // namespace

int main() {
    try {
        return Run();
    } catch (...) {
        return 1;
    }
}
