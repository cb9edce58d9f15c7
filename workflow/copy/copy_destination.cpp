#include "workflow/copy/copy_destination.h"

#include <windows.h>

#include <optional>

#include "workflow/engine/drive_list.h"
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
    return !fat || size <= UINT32_MAX;
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

std::string TooLargeMessage(const std::vector<std::string>& names, const std::string& fileSystem,
                            const std::string& folder) {
    if (names.empty()) return {};
    return "The file system of \"" + folder + "\" (" + fileSystem + ") cannot hold files of 4 GB or more, so " +
           (names.size() == 1 ? "this one is" : "these are") + " not copied: " + NameList(names) +
           ".\n\nThe other files are copied. To recover " + (names.size() == 1 ? "it" : "these") +
           ", choose a folder on a disk formatted with NTFS or exFAT.";
}

std::string RoomQuestion(const DestinationCheck& check, const std::string& folder) {
    if (check.needed <= check.available) return {};
    return "Not enough room: the copy needs " + FormatSize(static_cast<int64_t>(check.needed)) + ", the disk of \"" +
           folder + "\" has " + FormatSize(static_cast<int64_t>(check.available)) + " free.\n\nCopy the " +
           std::to_string(check.fitting) + (check.fitting == 1 ? " file" : " files") +
           " that fit? Press No to choose another folder.";
}

std::string NameList(const std::vector<std::string>& names, size_t shown) {
    std::string list;
    const size_t listed = names.size() > shown ? shown : names.size();
    for (size_t i = 0; i < listed; ++i) {
        if (i > 0) list += i + 1 == names.size() ? " and " : ", ";
        list += names[i];
    }
    if (names.size() > listed) list += " and " + std::to_string(names.size() - listed) + " more";
    return list;
}

}  // namespace workflow
