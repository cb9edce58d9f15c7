#include "workflow/listing_rules.h"

#include <windows.h>

#include <cctype>
#include <string_view>
#include <unordered_set>

#include "workflow/folder_tree.h"
#include "workflow/scan_progress.h"
#include "workflow/scan_results.h"

namespace workflow {

namespace {

constexpr char kEngineLogName[] = "report.xml";

std::string ParentOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// "<letter><digits>.jpg", as the engine names camera photos and their previews.
std::optional<std::string> SectorOfJpeg(const std::string& path, std::string_view letters) {
    const std::string name = FileNameOf(path);
    if (name.size() < 6 || letters.find(name[0]) == std::string_view::npos || !name.ends_with(".jpg"))
        return std::nullopt;
    const std::string digits = name.substr(1, name.size() - 5);
    for (unsigned char c : digits)
        if (!std::isdigit(c)) return std::nullopt;
    return digits;
}

// The path with the first letter of its file name replaced.
std::string WithFirstLetter(std::string path, char letter) {
    path[path.size() - FileNameOf(path).size()] = letter;
    return path;
}

}  // namespace

FoundFileState ProbeFoundFile(const std::string& path) {
    if (path.size() >= MAX_PATH) return FoundFileState::Unopenable;
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // A name the walk returned but Windows cannot open is not gone: the
        // engine keeps characters such as '?' that names may not hold.
        const DWORD error = GetLastError();
        const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return gone && IsValidFileName(FileNameOf(path)) ? FoundFileState::Vanished
                                                                          : FoundFileState::Unopenable;
    }
    return CanOpenExclusively(path) ? FoundFileState::Complete : FoundFileState::Busy;
}

bool IsEngineLog(const std::string& path, const std::string& dataDir) {
    return FileNameOf(path) == kEngineLogName && !dataDir.empty() && ParentOf(ParentOf(path)) == dataDir;
}

std::optional<std::string> PhotoSectorOf(const std::string& path) { return SectorOfJpeg(path, "fb"); }

std::optional<std::string> PreviewSectorOf(const std::string& path) { return SectorOfJpeg(path, "t"); }

std::optional<std::string> UndamagedNameOf(const std::string& path) {
    if (!IsMarkedDamaged(path)) return std::nullopt;
    return WithFirstLetter(path, 'f');
}

std::optional<std::string> DamagedNameOf(const std::string& path) {
    if (!StartSectorOf(path) || IsMarkedDamaged(path)) return std::nullopt;
    return WithFirstLetter(path, 'b');
}

WalkOutcome SortOutWalk(const std::vector<std::string>& walked, const std::string& dataDir, bool lastWalk,
                        const std::function<bool(const std::string&)>& taken,
                        const std::function<FoundFileState(const std::string&)>& probe, size_t maxAdmitted,
                        const std::function<bool()>& stopped,
                        const std::function<void(const std::string&)>& admitted) {
    // A photo and its preview may lie in different output folders (the engine
    // starts a new one every 500 files), so they are matched by sector alone.
    std::unordered_set<std::string> photoSectors;
    for (const std::string& path : walked)
        if (auto sector = PhotoSectorOf(path)) photoSectors.insert(*sector);

    WalkOutcome outcome;
    for (const std::string& path : walked) {
        if (outcome.admitted.size() >= maxAdmitted || (stopped && stopped())) break;
        if (taken(path) || IsEngineLog(path, dataDir)) continue;
        if (auto sector = PreviewSectorOf(path); sector && (photoSectors.count(*sector) || !lastWalk)) continue;
        switch (probe(path)) {
        case FoundFileState::Complete:
            outcome.admitted.push_back(path);
            if (admitted) admitted(path);
            break;
        case FoundFileState::Busy:
        case FoundFileState::Unopenable:
            ++outcome.waiting;
            if (lastWalk) outcome.unreadable.push_back(path);
            break;
        case FoundFileState::Vanished:
            break;
        }
    }
    return outcome;
}

bool HasListableFiles(const std::string& dataDir) {
    std::vector<std::string> walked;
    ForEachFileBelow(dataDir, [&](const FolderEntry& file) {
        walked.push_back(file.path);
        return true;
    });
    const auto nothingTaken = [](const std::string&) { return false; };
    return !SortOutWalk(walked, dataDir, true, nothingTaken, ProbeFoundFile, 1).admitted.empty();
}

std::vector<std::string> FoundFilesIn(const std::string& dataDir) {
    std::vector<std::string> walked;
    std::unordered_set<std::string> readOnly;
    ForEachFileBelow(dataDir, [&](const FolderEntry& file) {
        walked.push_back(file.path);
        if (file.attributes & FILE_ATTRIBUTE_READONLY) readOnly.insert(file.path);
        return true;
    });
    const auto kept = [&](const std::string& path) { return readOnly.count(path) != 0; };
    const auto asFound = [](const std::string&) { return FoundFileState::Complete; };
    return SortOutWalk(walked, dataDir, true, kept, asFound).admitted;
}

PictureEntry ChoosePictureEntry(bool decoded, bool placeholderAvailable, bool lastWalk) {
    if (decoded) return PictureEntry::Photo;
    if (placeholderAvailable) return PictureEntry::Placeholder;
    return lastWalk ? PictureEntry::File : PictureEntry::Retry;
}

}  // namespace workflow
