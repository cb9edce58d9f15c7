#include "workflow/engine/drive_list.h"

#include <winioctl.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

#include "win/handles.h"

namespace workflow {

namespace {

constexpr int64_t kKilobyte = 1024;
constexpr int64_t kMegabyte = 1048576;
constexpr int64_t kGigabyte = 1073741824;

// The engine's runtime names disks /dev/sda to /dev/sddx: 128 of them.
constexpr uint32_t kNamedDisks = 128;
constexpr uint32_t kLetters = 26;

// Room for one extent only, so a volume spanning several disks fails the query.
static_assert(sizeof(VOLUME_DISK_EXTENTS) == 32);
static_assert(offsetof(VOLUME_DISK_EXTENTS, Extents) + offsetof(DISK_EXTENT, DiskNumber) == 8);

}  // namespace

std::string FormatSize(int64_t size) {
    char text[64];
    if (size > kGigabyte)
        snprintf(text, sizeof text, "%.1f GB", static_cast<double>(size) / 1073741824.0);
    else if (size > kMegabyte)
        snprintf(text, sizeof text, "%.1f MB", static_cast<double>(size) / 1048576.0);
    else if (size > kKilobyte)
        snprintf(text, sizeof text, "%.1f KB", static_cast<double>(size) * (1 / 1024.0));
    else
        snprintf(text, sizeof text, "%d bytes", static_cast<int32_t>(static_cast<uint32_t>(size)));
    return text;
}

std::optional<std::string> EngineDeviceName(uint32_t disk) {
    if (disk >= kNamedDisks) return std::nullopt;
    // Bijective base 26: a..z, then aa, ab, ... as spreadsheet columns are named.
    std::string letters;
    for (uint32_t column = disk + 1; column > 0; column = (column - 1) / kLetters)
        letters.insert(letters.begin(), static_cast<char>('a' + (column - 1) % kLetters));
    return "/dev/sd" + letters;
}

std::string DriveTypeText(UINT driveType) {
    switch (driveType) {
    case DRIVE_REMOVABLE: return "Removable Disk";
    case DRIVE_FIXED: return "Local Disk";
    case DRIVE_REMOTE: return "Network Drive";
    case DRIVE_CDROM: return "Compact Disc";
    default: return "";
    }
}

std::optional<uint32_t> MapVolumeToDisk(const std::string& volume) {
    const std::string device = "\\\\.\\" + volume;
    win::UniqueHandle handle(CreateFileA(device.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!handle) return std::nullopt;
    VOLUME_DISK_EXTENTS extents{};
    DWORD returned = 0;
    if (!DeviceIoControl(handle.get(), IOCTL_VOLUME_GET_VOLUME_DISK_EXTENTS, nullptr, 0, &extents, sizeof extents,
                         &returned, nullptr))
        return std::nullopt;
    return extents.Extents[0].DiskNumber;
}

std::vector<DriveInfo> ListDrives() {
    std::vector<DriveInfo> drives;
    char roots[1024] = {};
    const DWORD length = GetLogicalDriveStringsA(sizeof roots, roots);
    // A result at or above the buffer size is the size the call wanted, not what it wrote.
    if (length == 0 || length >= sizeof roots) return drives;

    for (DWORD position = 0; position < length;) {
        const char* root = roots + position;
        const size_t rootLength = strnlen(root, length - position);
        position += static_cast<DWORD>(rootLength) + 1;
        if (rootLength == 0) continue;

        const UINT driveType = GetDriveTypeA(root);
        ULARGE_INTEGER available{}, total{}, totalFree{};
        // Fails for a card reader or disc drive without a medium.
        if (!GetDiskFreeSpaceExA(root, &available, &total, &totalFree)) continue;

        char volumeName[MAX_PATH] = {};
        char fileSystem[MAX_PATH] = {};
        if (!GetVolumeInformationA(root, volumeName, sizeof volumeName, nullptr, nullptr, nullptr, fileSystem,
                                   sizeof fileSystem))
            fileSystem[0] = '\0';

        DriveInfo drive;
        drive.name.assign(root, rootLength);
        if (drive.name.back() == '\\') drive.name.pop_back();
        drive.capacity = static_cast<int64_t>(total.QuadPart);
        drive.fileSystem = fileSystem;
        drive.typeText = DriveTypeText(driveType);

        const std::optional<uint32_t> disk = MapVolumeToDisk(drive.name);
        if (!disk) continue;
        std::optional<std::string> device = EngineDeviceName(*disk);
        if (!device) continue;
        drive.device = std::move(*device);
        drives.push_back(std::move(drive));
    }
    return drives;
}

}  // namespace workflow
