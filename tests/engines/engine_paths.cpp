#include "tests/engines/engine_paths.h"

#include <windows.h>

#include <fstream>

#include "settings/folders.h"
#include "tests/support/pump.h"
#include "win/handles.h"

namespace engines {
namespace {

std::string EnginesDir() { return testing_support::WindowsPath(VANTREO_ENGINES_DIR); }

bool MakeFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

std::string EnginePath(EngineKind kind) {
    switch (kind) {
    case EngineKind::StandIn: return EnginesDir() + "\\standin\\photo.exe";
    case EngineKind::StandInWithPart: return EnginesDir() + "\\standin_with_part\\photo.exe";
    default: return EnginesDir() + "\\photorec\\photo.exe";
    }
}

std::string EnginePartPath(bool replaced) {
    return EnginesDir() + (replaced ? "\\part_replaced" : "\\part_original") + "\\engine_part.dll";
}

std::string DiskImageUnixPath(const std::string& image) {
    return std::string(VANTREO_ENGINES_DIR) + "/disks/" + image;
}

std::string OriginalsFolder(const std::string& image) { return EnginesDir() + "\\disks\\originals\\" + image; }

std::vector<std::string> DeletedFileNames(const std::string& image) {
    std::vector<std::string> names;
    std::ifstream list(OriginalsFolder(image) + "\\deleted.txt");
    for (std::string name; std::getline(list, name);)
        if (!name.empty()) names.push_back(name);
    return names;
}

std::string FixturesFolder() { return EnginesDir() + "\\disks\\fixtures"; }

std::string EngineFolder() { return settings::GetAppDataFolder() + "\\Norvale\\Vantreo"; }

bool InstallEngine(EngineKind kind) {
    const std::string folder = EngineFolder();
    if (!MakeFolder(settings::GetAppDataFolder() + "\\Norvale") || !MakeFolder(folder)) return false;
    if (!CopyFileA(EnginePath(kind).c_str(), (folder + "\\photo.exe").c_str(), FALSE)) return false;
    if (kind == EngineKind::StandInWithPart &&
        !CopyFileA(EnginePartPath(false).c_str(), (folder + "\\engine_part.dll").c_str(), FALSE))
        return false;
    win::UniqueHandle runtime(CreateFileA((folder + "\\cygwin1.dll").c_str(), GENERIC_WRITE, 0, nullptr,
                                          CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!runtime) return false;
    return MakeFolder(folder + "\\c") && MakeFolder(folder + "\\c\\cygwin");
}

bool RemoveEngine() {
    const std::string folder = EngineFolder();
    DeleteFileA((folder + "\\photo.exe").c_str());
    DeleteFileA((folder + "\\cygwin1.dll").c_str());
    DeleteFileA((folder + "\\engine_part.dll").c_str());
    RemoveDirectoryA((folder + "\\c\\cygwin").c_str());
    RemoveDirectoryA((folder + "\\c").c_str());
    const bool gone = GetFileAttributesA((folder + "\\photo.exe").c_str()) == INVALID_FILE_ATTRIBUTES &&
                      GetFileAttributesA((folder + "\\cygwin1.dll").c_str()) == INVALID_FILE_ATTRIBUTES &&
                      GetFileAttributesA((folder + "\\c").c_str()) == INVALID_FILE_ATTRIBUTES;
    // Only succeeds for folders nothing else has put files into.
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA((settings::GetAppDataFolder() + "\\Norvale").c_str());
    return gone;
}

}  // namespace engines
