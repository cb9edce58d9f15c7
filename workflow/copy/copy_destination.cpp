#include "workflow/copy/copy_destination.h"

#include <windows.h>

#include <optional>

#include "workflow/files/folder_tree.h"

namespace workflow {

namespace {

uint64_t RoundUp(uint64_t size, uint64_t unit) { return unit == 0 ? size : (size + unit - 1) / unit * unit; }

bool SameTextIgnoringCase(const std::string& a, const char* b) { return lstrcmpiA(a.c_str(), b) == 0; }

}  // namespace

std::variant<CopyDestination, std::string> OpenCopyDestination(const std::string& path) {
    // Only the last level is made: a missing parent means the folder is not what the user chose.
    if (!PathExists(path) && !CreateDirectoryA(path.c_str(), nullptr))
        return "Output directory \"" + path + "\" does not exists.";
    // Shared: the user may look into the folder, or delete it, while files are
    // copied into it; each goes where the handle is, never elsewhere.
    std::optional<win::HeldFolder> folder = win::HeldFolder::OpenShared(path);
    if (!folder)
        return "The folder \"" + path +
               "\" is a link to another place, or cannot be opened.\n\nPlease choose another folder to save "
               "recovered files.";
    DestinationRoom room;
    if (const std::optional<win::HeldFolder::Space> space = folder->VolumeSpace()) {
        room.freeBytes = space->freeBytes;
        room.clusterBytes = space->clusterBytes;
    } else {
        ULARGE_INTEGER available{};
        room.freeBytes = GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr) ? available.QuadPart : UINT64_MAX;
    }
    room.fileSystem = folder->FileSystem();
    return CopyDestination{path, std::move(*folder), std::move(room)};
}

bool FileSystemHolds(const std::string& fileSystem, uint64_t size) {
    const bool fat = SameTextIgnoringCase(fileSystem, "FAT") || SameTextIgnoringCase(fileSystem, "FAT12") ||
                     SameTextIgnoringCase(fileSystem, "FAT16") || SameTextIgnoringCase(fileSystem, "FAT32");
    return !fat || size <= kLargestFatFileBytes;
}

DestinationCheck CheckDestination(const std::vector<uint64_t>& sizes, const DestinationRoom& room) {
    DestinationCheck check;
    check.available = room.freeBytes;
    std::vector<uint64_t> taken(sizes.size(), 0);
    check.needed = kRoomMarginBytes;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (!FileSystemHolds(room.fileSystem, sizes[i])) {
            check.tooLarge.push_back(i);
            continue;
        }
        taken[i] = RoundUp(sizes[i], room.clusterBytes) + kBytesPerFileEntry;
        check.needed += taken[i];
    }
    // Copying what fits takes the files in copy order, each that still fits.
    uint64_t planned = kRoomMarginBytes;
    size_t nextTooLarge = 0;
    for (size_t i = 0; i < sizes.size(); ++i) {
        if (nextTooLarge < check.tooLarge.size() && check.tooLarge[nextTooLarge] == i) {
            ++nextTooLarge;
            check.leftOut.push_back(i);
        } else if (check.needed <= check.available || planned + taken[i] <= check.available) {
            planned += taken[i];
            ++check.fitting;
        } else {
            check.leftOut.push_back(i);
        }
    }
    return check;
}

}  // namespace workflow
