#include "workflow/files/extension_shift.h"

#include <windows.h>

#include <vector>

#include "settings/format_checks.h"
#include "win/handles.h"
#include "workflow/files/folder_tree.h"

namespace workflow {

namespace {

// False only when a rename was tried and failed. Only an extension the engine
// does not write that shifts to one it does is renamed (kqh becomes jpg); every
// other file keeps its name, whatever its type (ogg, mkv, one nobody knows).
// A shifted character not allowed in names (']' would become '\' and move the
// file elsewhere) leaves the file as it is, whatever the list of extensions holds.
// The shifted name, when the file is to be renamed.
std::optional<std::string> ShiftedName(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot + 1 == name.size()) return std::nullopt;
    const std::string extension = name.substr(dot + 1);
    if (settings::IsEngineExtension(extension)) return std::nullopt;
    const std::string shifted = ShiftedExtension(extension);
    if (!IsValidFileName(shifted) || !settings::IsEngineExtension(shifted)) return std::nullopt;
    return name.substr(0, dot + 1) + shifted;
}

void ShiftBelow(const win::HeldFolder& folder, const std::string& path, std::optional<std::string>& firstFailure) {
    if (SearchPattern(path).size() >= MAX_PATH) return;
    // Collected before any rename: a listing may return a renamed file again
    // under its new name, and it must not be shifted twice.
    std::vector<win::HeldEntry> entries;
    folder.List(entries);
    const std::string prefix = path.back() == '\\' ? path : path + "\\";
    for (const win::HeldEntry& entry : entries) {
        const std::string name = win::NarrowToAnsi(entry.name);
        const std::string entryPath = prefix + name;
        if (entryPath.size() >= MAX_PATH) continue;
        if (IsWalkableFolder(entry.attributes)) {
            if (std::optional<win::HeldFolder> below = folder.OpenFolder(entry.name))
                ShiftBelow(*below, entryPath, firstFailure);
        } else if (!IsLink(entry.attributes)) {
            const std::optional<std::string> shifted = ShiftedName(name);
            if (shifted && !folder.RenameFile(entry.name, win::WidenAnsi(*shifted)) && !firstFailure)
                firstFailure = entryPath;
        }
    }
}

}  // namespace

std::string ShiftedExtension(const std::string& extension) {
    std::string shifted = extension;
    for (char& c : shifted) {
        const unsigned char code = static_cast<unsigned char>(c);
        c = static_cast<char>(code == 127 ? 128 : static_cast<unsigned char>(code - 1));
    }
    return shifted;
}

std::optional<std::string> ShiftExtensionsDown(const std::string& folder) {
    if (folder.empty()) return std::nullopt;
    const std::string pattern = SearchPattern(folder);
    const std::string path = pattern.substr(0, pattern.rfind('\\'));
    const std::optional<win::HeldFolder> held = win::HeldFolder::Open(path);
    if (!held) return std::nullopt;
    return ShiftExtensionsDown(*held, path);
}

std::optional<std::string> ShiftExtensionsDown(const win::HeldFolder& folder, const std::string& path) {
    std::optional<std::string> firstFailure;
    ShiftBelow(folder, path, firstFailure);
    return firstFailure;
}

}  // namespace workflow
