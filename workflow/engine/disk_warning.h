#pragma once
// Whether the program is about to write onto the disk it is recovering from:
// every file written there can take the place of a deleted one still wanted.
#include <cstdint>
#include <optional>
#include <string>

namespace workflow {

// Asked before a search when the engine's data folder lies on the searched disk.
inline constexpr char kSearchOntoSearchedDiskQuestion[] =
    "Found files are written to the disk you are searching. Writing to it can overwrite the deleted files you "
    "want back.\n\nContinue anyway?";

// Asked before copying found files into an output folder on the searched disk.
inline constexpr char kCopyOntoSearchedDiskQuestion[] =
    "The output folder is on the disk you searched. Copying there can overwrite deleted files that were not found "
    "yet.\n\nContinue anyway?";

// True only when both disks are known and the same: a disk that cannot be
// told is no reason to stop the user.
bool WritesOntoSearchedDisk(std::optional<uint32_t> searchedDisk, std::optional<uint32_t> writtenDisk);

// The physical disk holding the volume of a path, which need not exist yet
// ("C:\Users\x\Pictures\new" is on the disk of C:). None for network paths
// and for volumes that cannot be mapped to a single disk.
std::optional<uint32_t> DiskOfPath(const std::string& path);

}  // namespace workflow
