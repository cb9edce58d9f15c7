#include "workflow/files/folder_tree.h"

#include <shlwapi.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <span>
#include <thread>

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

bool VisitFilesBelow(const std::shared_ptr<const win::HeldFolder>& folder, const std::string& path,
                     const std::function<bool(const FolderEntry&)>& visit, const TooLongVisit& tooLong,
                     const std::function<bool(const FolderEntry&)>& enter) {
    if (SearchPattern(path).size() >= MAX_PATH) return true;
    std::vector<win::HeldEntry> entries;
    if (!folder->List(entries)) return true;
    const std::string prefix = path.back() == '\\' ? path : path + "\\";
    for (win::HeldEntry& listed : entries) {
        FolderEntry entry{prefix + win::NarrowToAnsi(listed.name), listed.attributes, listed.size, folder};
        if (entry.path.size() >= MAX_PATH) {
            if (tooLong && !entry.IsLink()) tooLong(entry);
        } else if (entry.IsFolder()) {
            if (SearchPattern(entry.path).size() >= MAX_PATH) {
                if (tooLong) tooLong(entry);
                continue;
            }
            if (enter && !enter(entry)) continue;
            // None when a link has taken the folder's place since the listing.
            std::optional<win::HeldFolder> below = folder->OpenFolder(listed.name);
            if (below && !VisitFilesBelow(std::make_shared<const win::HeldFolder>(std::move(*below)), entry.path,
                                          visit, tooLong, enter))
                return false;
        } else if (entry.IsFile()) {
            if (!visit(entry)) return false;
        }
    }
    return true;
}

// Deletes the named files of one folder, on a few threads when there are
// many. Under Wine each delete is a handful of round trips to the Wine server,
// mostly spent waiting for it, and one thread's waits are filled with the
// others' deletes.
// Threads: the caller and the helpers it starts, all joined before it
// returns; they share the folder, whose handle they only read, and the index
// of the next name.
void DeleteFiles(const win::HeldFolder& folder, const std::vector<const std::wstring*>& names) {
    constexpr size_t kThreads = 4;
    constexpr size_t kLeastForHelpers = 64;  // below that, starting threads costs more than it saves
    std::atomic<size_t> next{0};
    const auto deleteAll = [&]() noexcept {
        for (size_t i; (i = next++) < names.size();) {
            try {
                folder.DeleteEntry(*names[i]);
            } catch (...) {
                // Out of memory: the file stays, as one that cannot be deleted does.
            }
        }
    };
    std::vector<std::jthread> helpers;
    if (names.size() >= kLeastForHelpers) {
        try {
            helpers.reserve(kThreads - 1);
            for (size_t i = 1; i < kThreads; ++i) helpers.emplace_back(deleteAll);
        } catch (...) {
            // Fewer helpers, or none: the caller deletes what they leave.
        }
    }
    deleteAll();
}

// Every entry is deleted through the handle of the folder that lists it, and
// each folder below is opened through its parent's handle: a link put in
// place of a file or folder, at any moment of the walk, never leads the delete
// out of the tree. The platform's path limit still holds: what a walk by name
// could not reach stays. The files of a folder are asked about first and
// deleted together, after its folders.
void RemoveBelow(const win::HeldFolder& folder, const std::string& path,
                 const std::function<bool(const std::string&)>& mayDelete) {
    if (SearchPattern(path).size() >= MAX_PATH) return;
    std::vector<win::HeldEntry> entries;
    folder.List(entries);
    const std::string prefix = path.back() == '\\' ? path : path + "\\";
    std::vector<const std::wstring*> files;
    files.reserve(entries.size());
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
            files.push_back(&entry.name);
        }
    }
    DeleteFiles(folder, files);
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

std::string FullPathOf(const std::string& path) {
    std::string full(MAX_PATH, '\0');
    DWORD length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameA(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return full;
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
    if (folder.empty()) return true;
    const std::string pattern = SearchPattern(folder);
    const std::string path = pattern.substr(0, pattern.rfind('\\'));
    std::optional<win::HeldFolder> held = win::HeldFolder::Open(path);
    if (!held) return true;
    return VisitFilesBelow(std::make_shared<const win::HeldFolder>(std::move(*held)), path, visit, tooLong, enter);
}

bool ForEachFileBelow(std::shared_ptr<const win::HeldFolder> folder, const std::string& path,
                      const std::function<bool(const FolderEntry&)>& visit, const TooLongVisit& tooLong,
                      const std::function<bool(const FolderEntry&)>& enter) {
    return VisitFilesBelow(folder, path, visit, tooLong, enter);
}

bool TreeHasFile(const std::string& folder) {
    return !ForEachFileBelow(folder, [](const FolderEntry&) { return false; });
}

bool TreeHasFile(std::shared_ptr<const win::HeldFolder> folder, const std::string& path) {
    return !ForEachFileBelow(std::move(folder), path, [](const FolderEntry&) { return false; });
}

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

namespace {

// The size of a file opened for the probes, and its bytes read into `bytes`
// when asked and CarriedBytes has room for them; none for a read-only file.
std::optional<uint64_t> SizeAndBytesOf(HANDLE file, CarriedBytes* bytes) {
    FILE_BASIC_INFO basic{};
    LARGE_INTEGER length{};
    if (!GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic) || !GetFileSizeEx(file, &length) ||
        (basic.FileAttributes & FILE_ATTRIBUTE_READONLY))
        return std::nullopt;
    const uint64_t size = static_cast<uint64_t>(length.QuadPart);
    if (bytes && !(basic.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))) {
        CarriedBytes read = CarriedBytes::Reserve(size);
        if (!read.empty() && ReadWhole(file, read.Bytes())) *bytes = std::move(read);
    }
    return size;
}

std::optional<uint64_t> HeldSizeAndBytes(const FolderEntry& file, CarriedBytes* bytes) {
    if (!file.folder) return std::nullopt;
    const std::wstring name = win::WidenAnsi(file.path.substr(file.path.rfind('\\') + 1));
    bool denied = false;
    win::UniqueHandle opened = file.folder->OpenFileExclusively(name, bytes != nullptr, &denied);
    // A file that may be written but not read is probed alone.
    if (!opened && denied && bytes) {
        opened = file.folder->OpenFileExclusively(name, false);
        bytes = nullptr;
    }
    if (!opened) return std::nullopt;
    return SizeAndBytesOf(opened.get(), bytes);
}

}  // namespace

std::optional<uint64_t> SizeIfOpenedExclusively(const FolderEntry& file) { return HeldSizeAndBytes(file, nullptr); }

std::optional<uint64_t> SizeAndBytesIfOpenedExclusively(const FolderEntry& file, CarriedBytes& bytes) {
    return HeldSizeAndBytes(file, &bytes);
}

std::optional<uint64_t> SizeAndBytesIfOpenedExclusively(const std::string& path, CarriedBytes& bytes) {
    // Read access too, so the bytes come through the probe's own handle; the
    // size and attributes are then asked of the handle, which the read needs
    // to know anyway. A file that may be written but not read is probed alone.
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file.valid()) {
        if (GetLastError() == ERROR_ACCESS_DENIED) return SizeIfOpenedExclusively(path);
        return std::nullopt;
    }
    return SizeAndBytesOf(file.get(), &bytes);
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
    if (held) RemoveTree(*held, path, removeFolderItself, mayDelete);
}

void RemoveTree(win::HeldFolder& folder, const std::string& path, bool removeFolderItself,
                const std::function<bool(const std::string&)>& mayDelete) {
    RemoveBelow(folder, path, mayDelete);
    if (removeFolderItself) folder.DeleteItself();
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

std::optional<win::HeldFolder> OpenHeldBelow(const std::string& top, const std::string& path, bool create,
                                             std::string* link) {
    if (link) link->clear();
    if (top.empty() || path.size() <= top.size() + 1 || path.compare(0, top.size(), top) != 0 ||
        path[top.size()] != '\\')
        return std::nullopt;
    std::optional<win::HeldFolder> held = win::HeldFolder::OpenTop(top);
    for (size_t start = top.size() + 1; held && start < path.size();) {
        const size_t end = std::min(path.find('\\', start), path.size());
        const std::wstring name = win::WidenAnsi(path.substr(start, end - start));
        if (held->IsLinkEntry(name)) {
            if (link) *link = path.substr(0, end);
            return std::nullopt;
        }
        held = held->OpenFolder(name, create);
        start = end + 1;
    }
    return held;
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
