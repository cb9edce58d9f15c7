#include "settings/folders.h"

#include <windows.h>
#include <shlobj.h>

namespace settings {

namespace {

// Empty when the folder is unknown: callers then build no path at all rather
// than one relative to the current folder.
std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return "";
    return path;
}

}  // namespace

std::string GetProgramFolder() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    // A full buffer means the name was cut: its folder would be another one.
    if (length == 0 || length >= MAX_PATH) return "";
    const std::string module(path, length);
    const size_t lastBackslash = module.rfind('\\');
    if (lastBackslash == std::string::npos) return "";
    return module.substr(0, lastBackslash + 1);
}

std::string GetAppDataFolder() {
    return SpecialFolder(CSIDL_APPDATA);
}

std::string GetPicturesFolder() {
    return SpecialFolder(CSIDL_MYPICTURES);
}

}  // namespace settings
