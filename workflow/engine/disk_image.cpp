#include "workflow/engine/disk_image.h"

#include <windows.h>

#include "win/handles.h"
#include "workflow/engine/disk_image_layout.h"
#include "workflow/files/folder_tree.h"
#include "workflow/found/scan_results.h"

namespace workflow {

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

std::string CannotOpen(const std::string& path, DWORD error) {
    std::string why;
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        why = "it is not there";
        break;
    case ERROR_ACCESS_DENIED:
        why = "access to it is denied";
        break;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        why = "it is in use by another program";
        break;
    default:
        why = "error " + std::to_string(error);
        break;
    }
    return "The disk image " + Quoted(path) + " cannot be opened: " + why +
           ".\n\nCheck the file, close any program that may hold it, then try again.";
}

// Opened for reading while others may go on reading and writing it: a
// rescue tool may still hold the image it made.
win::UniqueHandle OpenForReading(const std::string& path) {
    return win::UniqueHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// A file system may give a new file the index of one just deleted: the time
// of creation tells the two apart. Size and writes may change (a rescue tool
// may still be writing the image) without making it another file.
struct FileIdentity {
    uint32_t volume = 0;
    uint64_t index = 0;
    uint64_t created = 0;
    int64_t size = 0;
};

std::optional<FileIdentity> IdentityOf(HANDLE file) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return std::nullopt;
    return FileIdentity{
        info.dwVolumeSerialNumber, (static_cast<uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow,
        (static_cast<uint64_t>(info.ftCreationTime.dwHighDateTime) << 32) | info.ftCreationTime.dwLowDateTime,
        static_cast<int64_t>((static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow)};
}

std::optional<std::vector<uint8_t>> ReadSectorAt(HANDLE file, uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    std::vector<uint8_t> sector(kImageSectorBytes);
    DWORD read = 0;
    if (!ReadFile(file, sector.data(), static_cast<DWORD>(sector.size()), &read, &at) || read != sector.size())
        return std::nullopt;
    return sector;
}

// The engine reads the image with administrator rights, and found files are
// the user's to read: a link could lead it to a file the user may not read.
std::string LinkRefused(const std::string& path) {
    return "The disk image " + Quoted(path) +
           " is a link to another file, so it is not searched.\n\nOpen the file it leads to itself.";
}

}  // namespace

DiskImageCheck DescribeDiskImage(const std::string& givenPath) {
    if (givenPath.empty()) return {std::nullopt, "No disk image was named."};
    // The file dialog, a drop and the command line give names in the ANSI
    // code page; a letter it has none for comes as '?', which no file name holds.
    if (givenPath.find_first_of("?*\"<>|") != std::string::npos) {
        return {std::nullopt, "The name of " + Quoted(givenPath) +
                                  " holds characters this program cannot use.\n\nRename the disk image or its "
                                  "folder with plain letters, then open it again."};
    }
    const std::string path = FullPathOf(givenPath);
    if (path.size() >= MAX_PATH) {
        return {std::nullopt, "The path of the disk image " + Quoted(path) +
                                  " is too long: it has 260 characters or more.\n\nMove the image to a folder "
                                  "with a shorter path, then open it again."};
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return {std::nullopt, Quoted(path) + " is a folder, not a disk image.\n\nChoose the image file itself."};
    }
    if (IsLinkPath(path)) return {std::nullopt, LinkRefused(path)};
    win::UniqueHandle file = OpenForReading(path);
    if (!file) return {std::nullopt, CannotOpen(path, GetLastError())};
    const std::optional<FileIdentity> identity = IdentityOf(file.get());
    if (!identity) return {std::nullopt, CannotOpen(path, GetLastError())};
    if (identity->size == 0) {
        return {std::nullopt, "The disk image " + Quoted(path) +
                                  " is empty.\n\nChoose an image that holds a copy of a disk or memory card."};
    }

    DriveInfo image;
    image.name = FileNameOf(path);
    image.capacity = identity->size;
    image.fileSystem =
        DiskImageFileSystem([&](uint64_t offset) { return ReadSectorAt(file.get(), offset); });
    image.typeText = kDiskImageTypeText;
    image.device = path;
    image.imagePath = path;
    image.imageVolume = identity->volume;
    image.imageIndex = identity->index;
    image.imageCreated = identity->created;
    return {image, {}};
}

std::optional<std::string> DiskImageGoneOrChanged(const DriveInfo& image) {
    if (IsLinkPath(image.imagePath)) return LinkRefused(image.imagePath);
    win::UniqueHandle file = OpenForReading(image.imagePath);
    if (!file) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH ||
            error == ERROR_BAD_NET_NAME) {
            return "The disk image " + Quoted(image.imagePath) +
                   " is no longer there, so it was not searched.\n\nOpen it again from where it is now.";
        }
        return CannotOpen(image.imagePath, error);
    }
    const std::optional<FileIdentity> identity = IdentityOf(file.get());
    if (!identity || identity->volume != image.imageVolume || identity->index != image.imageIndex ||
        identity->created != image.imageCreated) {
        return "The disk image " + Quoted(image.imagePath) +
               " was replaced by another file since it was opened, so it was not searched.\n\nOpen it again to "
               "search the file that is there now.";
    }
    return std::nullopt;
}

}  // namespace workflow
