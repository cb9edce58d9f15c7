#include "workflow/folder_tree.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <span>

#include "settings/format_checks.h"
#include "win/handles.h"
#include "win/held_folder.h"

namespace workflow {

namespace {

constexpr char kAnyEntry[] = "*.*";

bool IsDotEntry(const char* name) {
    return strcmp(name, ".") == 0 || strcmp(name, "..") == 0;
}

// GetFileAttributesA must see a link's own name: with a trailing backslash
// the name could be resolved through the link. A drive root keeps its backslash.
std::string WithoutTrailingSeparator(const std::string& path) {
    const bool driveRoot = path.size() == 3 && path[1] == ':';
    if (path.size() > 1 && path.back() == '\\' && !driveRoot) return path.substr(0, path.size() - 1);
    return path;
}

// The full, long form of a path in capitals, without a trailing backslash:
// how Windows, ignoring case, would tell two spellings of one place apart.
// "D:" alone is the drive's root, not its current folder.
std::string ComparablePath(std::string path) {
    if (path.size() == 2 && path[1] == ':') path += '\\';
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full.data(), nullptr);
    if (length > 0 && length < MAX_PATH) path.assign(full.data(), length);
    length = GetLongPathNameA(path.c_str(), full.data(), MAX_PATH);  // only when the path exists
    if (length > 0 && length < MAX_PATH) path.assign(full.data(), length);
    while (!path.empty() && path.back() == '\\') path.pop_back();
    CharUpperBuffA(path.data(), static_cast<DWORD>(path.size()));
    return path;
}

bool VisitFilesBelow(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                     const TooLongVisit& tooLong, const std::function<bool(const FolderEntry&)>& enter) {
    bool carryOn = true;
    const TooLongVisit outOfReach = [&](const FolderEntry& entry) {
        if (!entry.IsLink()) tooLong(entry);
    };
    ForEachEntry(
        folder,
        [&](const FolderEntry& entry) {
            if (entry.IsFolder() && tooLong && SearchPattern(entry.path).size() >= MAX_PATH)
                tooLong(entry);
            else if (entry.IsFolder() && (!enter || enter(entry)))
                carryOn = VisitFilesBelow(entry.path, visit, tooLong, enter);
            else if (entry.IsFile())
                carryOn = visit(entry);
            return carryOn;
        },
        tooLong ? outOfReach : TooLongVisit{});
    return carryOn;
}

// False only when a rename was tried and failed. Only an extension the engine
// does not write that shifts to one it does is renamed (kqh becomes jpg); every
// other file keeps its name, whatever its type (ogg, mkv, one nobody knows).
// A shifted character not allowed in names (']' would become '\' and move the
// file elsewhere) leaves the file as it is, whatever the list of extensions holds.
bool ShiftFileExtension(const std::string& path) {
    const size_t nameStart = path.rfind('\\') + 1;
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart || dot + 1 == path.size()) return true;
    const std::string extension = path.substr(dot + 1);
    if (settings::IsEngineExtension(extension)) return true;
    const std::string shifted = ShiftedExtension(extension);
    if (!IsValidFileName(shifted)) return true;
    if (!settings::IsEngineExtension(shifted)) return true;
    const std::string target = path.substr(0, dot + 1) + shifted;
    return MoveFileA(path.c_str(), target.c_str()) != FALSE;
}

void ShiftBelow(const std::string& folder, std::optional<std::string>& firstFailure) {
    // Collected before any rename: a listing may return a renamed file again
    // under its new name, and it must not be shifted twice.
    std::vector<FolderEntry> entries;
    ForEachEntry(folder, [&](const FolderEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    for (const FolderEntry& entry : entries) {
        if (entry.IsFolder()) {
            ShiftBelow(entry.path, firstFailure);
        } else if (entry.IsFile() && !ShiftFileExtension(entry.path) && !firstFailure) {
            firstFailure = entry.path;
        }
    }
}

// Every entry is deleted through the handle of the folder that lists it, and
// each folder below is opened through its parent's handle: a link put in
// place of a file or folder, at any moment of the walk, never leads the delete
// out of the tree. The platform's path limit still holds: what a walk by name
// could not reach stays.
void RemoveBelow(const win::HeldFolder& folder, const std::string& path,
                 const std::function<bool(const std::string&)>& mayDelete) {
    if (SearchPattern(path).size() >= MAX_PATH) return;
    std::vector<win::HeldEntry> entries;
    folder.List(entries);
    const std::string prefix = path.back() == '\\' ? path : path + "\\";
    for (const win::HeldEntry& entry : entries) {
        const std::string entryPath = prefix + win::NarrowToAnsi(entry.name);
        if (entryPath.size() >= MAX_PATH) continue;
        if (IsWalkableFolder(entry.attributes)) {
            if (SearchPattern(entryPath).size() >= MAX_PATH) continue;
            if (std::optional<win::HeldFolder> below = folder.OpenFolder(entry.name)) {
                RemoveBelow(*below, entryPath, mayDelete);
                below->DeleteItself();
            } else {
                folder.DeleteEntry(entry.name, true);
            }
        } else if (IsLink(entry.attributes)) {
            folder.DeleteEntry(entry.name, true);
        } else if (!mayDelete || mayDelete(entryPath)) {
            folder.DeleteEntry(entry.name);
        }
    }
}

}  // namespace

std::string SearchPattern(const std::string& folder) {
    if (folder.find("\\*.*") != std::string::npos) return folder;
    if (!folder.empty() && folder.back() == '\\') return folder + kAnyEntry;
    return folder + "\\" + kAnyEntry;
}

bool IsWalkableFolder(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 && !IsLink(attributes);
}

bool IsWalkableFolder(const WIN32_FIND_DATAA& entry) {
    return IsWalkableFolder(entry.dwFileAttributes);
}

bool IsLink(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsValidFileName(const std::string& name) {
    for (unsigned char c : name)
        if (c < 32 || std::strchr("<>:\"/\\|?*", c)) return false;
    return true;
}

bool PathExists(const std::string& path) { return PathFileExistsA(path.c_str()) != FALSE; }

bool IsSameOrInside(const std::string& path, const std::string& folder) {
    if (path.empty() || folder.empty()) return false;
    const std::string inner = ComparablePath(path), outer = ComparablePath(folder);
    return inner.starts_with(outer) && (inner.size() == outer.size() || inner[outer.size()] == '\\');
}

bool EnsureFolder(const std::string& path) {
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool IsLinkPath(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes);
}

bool IsFolder(const std::string& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesA(WithoutTrailingSeparator(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !IsWalkableFolder(attributes)) return false;
    // A folder that cannot be listed is no folder to anyone who wants its entries.
    std::string pattern = path;
    if (pattern.back() != '\\') pattern += '\\';
    pattern += kAnyEntry;
    if (pattern.size() >= MAX_PATH) return false;
    WIN32_FIND_DATAA data;
    win::FindHandle listing(FindFirstFileA(pattern.c_str(), &data));
    return listing.valid();
}

bool ForEachEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                  const TooLongVisit& tooLong) {
    // An empty path would list the root of the current drive.
    if (folder.empty()) return false;
    const std::string pattern = SearchPattern(folder);
    if (pattern.size() >= MAX_PATH) return false;
    const std::string prefix = pattern.substr(0, pattern.rfind('\\') + 1);

    WIN32_FIND_DATAA data;
    win::FindHandle listing(FindFirstFileA(pattern.c_str(), &data));
    if (!listing.valid()) return false;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        FolderEntry entry;
        entry.path = prefix + data.cFileName;
        entry.attributes = data.dwFileAttributes;
        entry.size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
        if (entry.path.size() >= MAX_PATH) {
            if (tooLong) tooLong(entry);
            continue;
        }
        if (!visit(entry)) break;
    } while (FindNextFileA(listing.get(), &data));
    return true;
}

bool ForEachFileBelow(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                      const TooLongVisit& tooLong, const std::function<bool(const FolderEntry&)>& enter) {
    if (IsLinkPath(folder)) return true;
    return VisitFilesBelow(folder, visit, tooLong, enter);
}

bool TreeHasFile(const std::string& folder) {
    return !ForEachFileBelow(folder, [](const FolderEntry&) { return false; });
}

bool CanOpenExclusively(const std::string& path) { return SizeIfOpenedExclusively(path).has_value(); }

std::optional<uint64_t> SizeIfOpenedExclusively(const std::string& path) {
    // Opening for writing with no sharing fails while anyone else has the file
    // open, so a file the engine is still writing is not taken yet.
    win::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return std::nullopt;
    // Read by name while the handle keeps every writer out: asking the handle
    // costs a round trip to the Wine server on top. Windows refuses write
    // access to a read-only file; its attribute is looked at as well, since
    // some accounts (root under Wine) are let through regardless.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
        return std::nullopt;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool ReadWhole(HANDLE file, std::span<uint8_t> into) {
    constexpr size_t kMostPerRead = size_t{1} << 30;  // a DWORD holds each read's length
    while (!into.empty()) {
        DWORD read = 0;
        const DWORD asked = static_cast<DWORD>(std::min(into.size(), kMostPerRead));
        if (!ReadFile(file, into.data(), asked, &read, nullptr) || read == 0) return false;
        into = into.subspan(read);
    }
    return true;
}

std::optional<uint64_t> SizeAndBytesIfOpenedExclusively(const std::string& path, CarriedBytes& bytes) {
    // Read access too, so the bytes come through the test's own handle; the
    // size and attributes are then asked of the handle, which the read needs
    // to know anyway. A file that may be written but not read is tested alone.
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        if (GetLastError() == ERROR_ACCESS_DENIED) return SizeIfOpenedExclusively(path);
        return std::nullopt;
    }
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER length{};
    if (!GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) ||
        !GetFileSizeEx(file.get(), &length) || (basic.FileAttributes & FILE_ATTRIBUTE_READONLY))
        return std::nullopt;
    const uint64_t size = static_cast<uint64_t>(length.QuadPart);
    if (!(basic.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        CarriedBytes read = CarriedBytes::Reserve(size);
        if (!read.empty() && ReadWhole(file.get(), read.Bytes())) bytes = std::move(read);
    }
    return size;
}

std::string ShiftedExtension(const std::string& extension) {
    std::string shifted = extension;
    for (char& c : shifted) {
        const unsigned char code = static_cast<unsigned char>(c);
        c = static_cast<char>(code == 127 ? 128 : static_cast<unsigned char>(code - 1));
    }
    return shifted;
}

std::optional<std::string> ShiftExtensionsDown(const std::string& folder) {
    std::optional<std::string> firstFailure;
    if (!folder.empty() && !IsLinkPath(folder)) ShiftBelow(folder, firstFailure);
    return firstFailure;
}

void RemoveTree(const std::string& folder, bool removeFolderItself,
                const std::function<bool(const std::string&)>& mayDelete) {
    if (folder.empty()) return;
    if (IsLinkPath(folder)) {
        if (removeFolderItself) DeleteLink(folder);
        return;
    }
    const std::string pattern = SearchPattern(folder);
    const std::string path = pattern.substr(0, pattern.rfind('\\'));
    std::optional<win::HeldFolder> held = win::HeldFolder::Open(path);
    if (!held) return;
    RemoveBelow(*held, path, mayDelete);
    if (removeFolderItself) held->DeleteItself();
}

win::UniqueHandle OpenFileBelow(const std::string& folder, const std::string& path) {
    const std::string remainder = path.substr(std::min(folder.size(), path.size()));
    if (folder.empty() || path.compare(0, folder.size(), folder) != 0 || remainder.size() < 2 ||
        remainder.front() != '\\')
        return win::UniqueHandle();
    std::optional<win::HeldFolder> held = win::HeldFolder::Open(folder);
    for (size_t start = 1; held;) {
        const size_t end = remainder.find('\\', start);
        const std::wstring name = win::WidenAnsi(remainder.substr(start, end - start));
        if (end == std::string::npos) return held->OpenFileForReading(name);
        held = held->OpenFolder(name);
        start = end + 1;
    }
    return win::UniqueHandle();
}

bool DeleteLink(const std::string& path) {
    win::UniqueHandle link(CreateFileA(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!link) return false;
    // Wine opens the target of a Unix symbolic link whatever the flags say; then
    // the handle shows no reparse point and deleting through it would delete the target.
    FILE_ATTRIBUTE_TAG_INFO opened{};
    if (!GetFileInformationByHandleEx(link.get(), FileAttributeTagInfo, &opened, sizeof opened) ||
        !IsLink(opened.FileAttributes))
        return false;
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(link.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

}  // namespace workflow
