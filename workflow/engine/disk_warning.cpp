#include "workflow/engine/disk_warning.h"

#include <windows.h>

#include "workflow/engine/drive_list.h"

namespace workflow {

namespace {

// "C:" of "C:\...", empty when the text does not start with a drive letter.
std::string DriveLetterOf(const std::string& path) {
    const bool letter = path.size() >= 2 && path[1] == ':' &&
                        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return letter ? path.substr(0, 2) : std::string();
}

// The root of the volume a path lies on ("C:\", "C:\Mount\Card\", "\\server\share\").
// GetVolumePathName walks up past the parts of the path that do not exist yet,
// so an output folder still to be made is placed too.
std::optional<std::string> VolumeRootOf(const std::string& path) {
    std::string root(MAX_PATH + 1, '\0');
    if (!GetVolumePathNameA(path.c_str(), root.data(), static_cast<DWORD>(root.size()))) return std::nullopt;
    root.resize(root.find('\0'));
    return root;
}

// A volume mounted in a folder of another drive has no letter: open it by its
// volume name, "\\?\Volume{...}\" without the prefix and the trailing backslash.
std::optional<uint32_t> DiskOfMountedFolder(const std::string& root) {
    std::string name(MAX_PATH + 1, '\0');
    if (!GetVolumeNameForVolumeMountPointA(root.c_str(), name.data(), static_cast<DWORD>(name.size())))
        return std::nullopt;
    name.resize(name.find('\0'));
    constexpr char kPrefix[] = "\\\\?\\";
    if (name.rfind(kPrefix, 0) != 0) return std::nullopt;
    name.erase(0, sizeof kPrefix - 1);
    if (!name.empty() && name.back() == '\\') name.pop_back();
    return MapVolumeToDisk(name);
}

}  // namespace

bool WritesOntoSearchedDisk(std::optional<uint32_t> searchedDisk, std::optional<uint32_t> writtenDisk) {
    return searchedDisk && writtenDisk && *searchedDisk == *writtenDisk;
}

std::optional<uint32_t> DiskOfPath(const std::string& path) {
    if (path.empty()) return std::nullopt;
    const std::optional<std::string> root = VolumeRootOf(path);
    if (!root) {
        const std::string drive = DriveLetterOf(path);
        return drive.empty() ? std::nullopt : MapVolumeToDisk(drive);
    }
    const std::string drive = DriveLetterOf(*root);
    if (!drive.empty() && root->size() <= 3) return MapVolumeToDisk(drive);
    const bool share = root->rfind("\\\\", 0) == 0 && root->rfind("\\\\?\\", 0) != 0;
    if (share) return std::nullopt;  // no disk of this computer
    return DiskOfMountedFolder(*root);
}

}  // namespace workflow
