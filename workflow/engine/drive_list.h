#pragma once
// The drives a scan can start from, and the engine's name for the disk of each.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace workflow {

struct DriveInfo {
    std::string name;        // root path without its trailing backslash, e.g. "C:"
    int64_t capacity = 0;    // total bytes of the volume
    std::string fileSystem;  // e.g. "NTFS"; empty when the system reports none
    std::string typeText;    // "Local Disk", "Removable Disk", ...
    std::string device;      // engine device name of the physical disk, e.g. "/dev/sda"; an image's full path
    // A disk image added by the user: its full path, and the file it was when
    // added (its volume's serial number, its index on that volume, the time
    // it was created).
    std::string imagePath;
    uint32_t imageVolume = 0;
    uint64_t imageIndex = 0;
    uint64_t imageCreated = 0;

    bool IsImage() const { return !imagePath.empty(); }
    // What names the row to a search: an image's path (two images may share
    // a file name), a drive's name.
    const std::string& Key() const { return IsImage() ? imagePath : name; }
};

// "%d bytes", "%.1f KB", "%.1f MB" or "%.1f GB" with strict thresholds.
std::string FormatSize(int64_t size);

// The engine runtime's name of physical disk n: /dev/sda .. /dev/sdz, then
// /dev/sdaa, /dev/sdab, ... like spreadsheet columns, up to /dev/sddx (disk 127).
// None for a disk the runtime cannot name.
std::optional<std::string> EngineDeviceName(uint32_t disk);

// The "Information" text of a GetDriveTypeA result.
std::string DriveTypeText(UINT driveType);

// The physical disk that holds a volume ("C:"); none when the volume cannot
// be opened or spans several disks.
std::optional<uint32_t> MapVolumeToDisk(const std::string& volume);

// Every drive with a medium that maps to one physical disk, in drive-letter order.
std::vector<DriveInfo> ListDrives();

}  // namespace workflow
