#include "workflow/scan/listing_rules.h"

#include <windows.h>

#include <cctype>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "workflow/files/folder_tree.h"
#include "workflow/engine/scan_progress.h"
#include "workflow/found/scan_results.h"

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

// Every file below the folder, as one walk lists it.
std::vector<FolderEntry> FilesBelow(const std::string& folder) {
    std::vector<FolderEntry> files;
    ForEachFileBelow(folder, [&](const FolderEntry& file) {
        files.push_back(file);
        return true;
    });
    return files;
}

}  // namespace

FoundFileState ProbeFoundFile(const std::string& path) {
    uint64_t size = 0;
    return ProbeFoundFileAndSize(path, size);
}

namespace {

// Most files pass the open at once: only a file that does not is looked at again.
FoundFileState StateOfUnopened(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        // A name the walk returned but Windows cannot open is not gone: the
        // engine keeps characters such as '?' that names may not hold.
        const DWORD error = GetLastError();
        const bool gone = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return gone && IsValidFileName(FileNameOf(path)) ? FoundFileState::Vanished : FoundFileState::Unopenable;
    }
    return FoundFileState::Busy;
}

}  // namespace

FoundFileState ProbeFoundFileAndSize(const std::string& path, uint64_t& size) {
    if (path.size() >= MAX_PATH) return FoundFileState::Unopenable;
    const std::optional<uint64_t> opened = SizeIfOpenedExclusively(path);
    if (!opened) return StateOfUnopened(path);
    size = *opened;
    return FoundFileState::Complete;
}

FoundFileState ProbeFoundFileAndRead(const std::string& path, uint64_t& size, CarriedBytes& bytes) {
    if (path.size() >= MAX_PATH) return FoundFileState::Unopenable;
    const std::optional<uint64_t> opened = SizeAndBytesIfOpenedExclusively(path, bytes);
    if (!opened) return StateOfUnopened(path);
    size = *opened;
    return FoundFileState::Complete;
}

FoundFileState ProbeHeldFoundFile(const FolderEntry& file, uint64_t& size, CarriedBytes* bytes) {
    if (file.path.size() >= MAX_PATH) return FoundFileState::Unopenable;
    const std::optional<uint64_t> opened =
        bytes ? SizeAndBytesIfOpenedExclusively(file, *bytes) : SizeIfOpenedExclusively(file);
    if (!opened) return StateOfUnopened(file.path);
    size = *opened;
    return FoundFileState::Complete;
}

bool IsEngineLog(const std::string& path, const std::string& dataDir) {
    return FileNameOf(path) == kEngineLogName && !dataDir.empty() && ParentOf(ParentOf(path)) == dataDir;
}

std::optional<std::string> PhotoSectorOf(const std::string& path) { return SectorOfJpeg(path, "fb"); }

std::optional<std::string> PreviewSectorOf(const std::string& path) { return SectorOfJpeg(path, "t"); }

std::optional<std::string> IntactPhotoSectorOf(const std::string& path) { return SectorOfJpeg(path, "f"); }

std::string PreviewPathOf(const std::string& photoPath, const std::string& sector) {
    return photoPath.substr(0, photoPath.rfind('\\') + 1) + "t" + sector + ".jpg";
}

std::optional<std::string> UndamagedNameOf(const std::string& path) {
    if (!IsMarkedDamaged(path)) return std::nullopt;
    return WithFirstLetter(path, 'f');
}

std::optional<std::string> DamagedNameOf(const std::string& path) {
    if (!StartSectorOf(path) || IsMarkedDamaged(path)) return std::nullopt;
    return WithFirstLetter(path, 'b');
}

WalkOutcome SortOutWalk(const std::vector<FolderEntry>& walked, const std::string& dataDir, bool lastWalk,
                        const std::unordered_set<std::string>& photosElsewhere,
                        const std::function<bool(const FolderEntry&)>& taken,
                        const std::function<FoundFileState(const std::string&)>& probe, size_t maxAdmitted,
                        const std::function<bool()>& stopped, const std::function<void(const FolderEntry&)>& admitted) {
    // A photo and its preview may lie in different output folders (the engine
    // starts a new one every 500 files), so they are matched by sector alone.
    std::unordered_set<std::string> intactPhotos, damagedPhotos;
    for (const FolderEntry& file : walked) {
        if (auto sector = IntactPhotoSectorOf(file.path)) intactPhotos.insert(*sector);
        else if (auto damaged = PhotoSectorOf(file.path)) damagedPhotos.insert(*damaged);
    }
    const auto photoHoldsPreview = [&](const std::string& sector) {
        return intactPhotos.count(sector) != 0 || photosElsewhere.count(sector) != 0;
    };

    WalkOutcome outcome;
    for (const FolderEntry& file : walked) {
        if (outcome.admitted.size() >= maxAdmitted || (stopped && stopped())) break;
        const std::string& path = file.path;
        if (taken(file) || IsEngineLog(path, dataDir)) continue;
        if (auto sector = PreviewSectorOf(path)) {
            if (photoHoldsPreview(*sector)) continue;
            if (!lastWalk && damagedPhotos.count(*sector) == 0) {
                outcome.waiting.push_back(path);
                continue;
            }
        }
        switch (probe(path)) {
        case FoundFileState::Complete:
            outcome.admitted.push_back(path);
            if (admitted) admitted(file);
            break;
        case FoundFileState::Busy:
        case FoundFileState::Unopenable:
            (lastWalk ? outcome.unreadable : outcome.waiting).push_back(path);
            break;
        case FoundFileState::Vanished:
            break;
        }
    }
    return outcome;
}

bool HasListableFiles(const std::string& dataDir) {
    const std::vector<FolderEntry> walked = FilesBelow(dataDir);
    const auto nothingTaken = [](const FolderEntry&) { return false; };
    return !SortOutWalk(walked, dataDir, true, {}, nothingTaken, ProbeFoundFile, 1).admitted.empty();
}

bool HasListableFiles(std::shared_ptr<const win::HeldFolder> dataFolder, const std::string& dataDir) {
    std::vector<FolderEntry> walked;
    ForEachFileBelow(std::move(dataFolder), dataDir, [&](const FolderEntry& file) {
        walked.push_back(file);
        return true;
    });
    std::unordered_map<std::string, const FolderEntry*> byPath;
    for (const FolderEntry& file : walked) byPath.emplace(file.path, &file);
    const auto nothingTaken = [](const FolderEntry&) { return false; };
    const auto probe = [&](const std::string& path) {
        uint64_t size = 0;
        return ProbeHeldFoundFile(*byPath.at(path), size, nullptr);
    };
    return !SortOutWalk(walked, dataDir, true, {}, nothingTaken, probe, 1).admitted.empty();
}

std::vector<std::string> FoundFilesIn(const std::string& dataDir, const std::unordered_set<std::string>& shownPreviews) {
    const std::vector<FolderEntry> walked = FilesBelow(dataDir);
    const auto kept = [](const FolderEntry& file) { return (file.attributes & FILE_ATTRIBUTE_READONLY) != 0; };
    const auto asFound = [](const std::string&) { return FoundFileState::Complete; };
    std::vector<std::string> found = SortOutWalk(walked, dataDir, true, {}, kept, asFound).admitted;
    // Listed previews of photos kept intact, which the rules above leave out.
    if (shownPreviews.empty()) return found;
    std::unordered_set<std::string> intactPhotos;
    for (const FolderEntry& file : walked)
        if (auto sector = IntactPhotoSectorOf(file.path)) intactPhotos.insert(*sector);
    for (const FolderEntry& file : walked) {
        const auto sector = PreviewSectorOf(file.path);
        if (sector && shownPreviews.count(*sector) && intactPhotos.count(*sector) && !kept(file))
            found.push_back(file.path);
    }
    return found;
}

bool StartsChecked(const std::string& path) { return !IsMarkedDamaged(path) || IsPhotoPath(path); }

PictureEntry ChoosePictureEntry(bool decoded, bool placeholderAvailable, bool lastWalk) {
    if (decoded) return PictureEntry::Photo;
    if (placeholderAvailable) return PictureEntry::Placeholder;
    return lastWalk ? PictureEntry::File : PictureEntry::Retry;
}

}  // namespace workflow
