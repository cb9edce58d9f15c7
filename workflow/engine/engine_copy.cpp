#include "workflow/engine/engine_copy.h"

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <vector>

#include "win/security_descriptor.h"
#include "workflow/engine/work_folder_access.h"
#include "workflow/files/copy_names.h"
#include "workflow/files/folder_tree.h"

namespace workflow {

namespace {

constexpr wchar_t kWorkFolder[] = L"work";

std::string ProgramDataFolder() {
    char folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder))) return {};
    return folder;
}

std::string CopyFailureText(DWORD error) {
    const std::string start = "The recovery engine could not be copied to \"" + EngineCopyFolder() + "\"";
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return start + ": the disk is full.\n\nFree some space on that disk, then press Next again.";
    case ERROR_ACCESS_DENIED:
        return start + ": the folder was refused.\n\nStart Vantreo as administrator, then press Next again.";
    default:
        return start + ", error code " + std::to_string(error) + ".\n\nPress Next again to try once more.";
    }
}

// The program-data folder's "Norvale\Vantreo", each level made, or taken
// over, with the administrators-only list: a level a user made beforehand
// would let that user rename the copy away.
std::optional<win::HeldFolder> OpenProductFolder(const win::SecurityDescriptor& access) {
    const std::string programData = ProgramDataFolder();
    if (programData.empty()) return std::nullopt;
    std::optional<win::HeldFolder> top = win::HeldFolder::OpenTop(programData);
    std::optional<win::HeldFolder> company = top ? top->OpenSecuredFolder(L"Norvale", access) : std::nullopt;
    return company ? company->OpenSecuredFolder(L"Vantreo", access) : std::nullopt;
}

// Writes the whole file behind `source` into `target`.
bool CopyBytes(HANDLE source, HANDLE target) {
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) return false;
    std::vector<char> buffer(1 << 16);
    for (DWORD got = 0;;) {
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return false;
        if (got == 0) return FlushFileBuffers(target) != FALSE;
        DWORD written = 0;
        if (!WriteFile(target, buffer.data(), got, &written, nullptr)) return false;
        if (written != got) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
    }
}

// The last part of a name relative to the engine folder, and the part before it.
std::pair<std::string, std::string> SplitName(const std::string& name) {
    const size_t slash = name.rfind('\\');
    if (slash == std::string::npos) return {"", name};
    return {name.substr(0, slash), name.substr(slash + 1)};
}

// Fills the empty copy folder; false with GetLastError saying why.
bool FillCopy(const win::HeldFolder& copy, const HeldEngineFiles& files) {
    std::map<std::string, win::HeldFolder> folders;  // by name relative to the copy
    for (const HeldEngineEntry& entry : files.entries) {
        const auto [parentName, name] = SplitName(entry.name);
        const win::HeldFolder* parent = &copy;
        if (!parentName.empty()) {
            const auto found = folders.find(parentName);
            if (found == folders.end()) {
                SetLastError(ERROR_PATH_NOT_FOUND);
                return false;
            }
            parent = &found->second;
        }
        if (entry.folder) {
            std::optional<win::HeldFolder> made = parent->OpenFolder(win::WidenAnsi(name), true);
            if (!made) {
                if (GetLastError() == ERROR_SUCCESS) SetLastError(ERROR_CANNOT_MAKE);
                return false;
            }
            folders.emplace(entry.name, std::move(*made));
            continue;
        }
        const win::UniqueHandle target = parent->CreateNewFile(win::WidenAnsi(name));
        if (!target || !CopyBytes(entry.file.get(), target.get())) return false;
    }
    return copy.OpenFolder(kWorkFolder, true).has_value();
}

}  // namespace

std::string EngineCopyFolder() { return JoinPath(JoinPath(JoinPath(ProgramDataFolder(), "Norvale"), "Vantreo"), "engine"); }

std::string EngineWorkFolder() { return JoinPath(EngineCopyFolder(), "work"); }

std::optional<std::string> MakeEngineCopy(const HeldEngineFiles& files) {
    const std::optional<win::SecurityDescriptor> access = win::SecurityDescriptor::FromText(kAdministratorsOnlyAccess);
    if (!access) return CopyFailureText(GetLastError());
    SetLastError(ERROR_SUCCESS);
    std::optional<win::HeldFolder> product = OpenProductFolder(*access);
    if (!product) return CopyFailureText(GetLastError() ? GetLastError() : ERROR_ACCESS_DENIED);
    RemoveEngineCopy();
    // Made here with its list, so no one else's file is in it.
    std::optional<win::HeldFolder> copy = product->OpenSecuredFolder(L"engine", *access);
    std::vector<win::HeldEntry> listed;
    if (!copy || !copy->List(listed) || !listed.empty()) {
        const DWORD error = copy ? ERROR_DIR_NOT_EMPTY : GetLastError();
        copy.reset();
        return CopyFailureText(error ? error : ERROR_CANNOT_MAKE);
    }
    const bool filled = FillCopy(*copy, files);
    const DWORD error = GetLastError();
    copy.reset();
    if (!filled) {
        RemoveEngineCopy();
        return CopyFailureText(error ? error : ERROR_CANNOT_MAKE);
    }
    if (!HoldEngineCopy(files.digest)) {
        RemoveEngineCopy();
        return CopyFailureText(ERROR_FILE_INVALID);
    }
    return std::nullopt;
}

std::optional<HeldEngineFiles> HoldEngineCopy(const EngineDigest& digest, EngineFilesProblem* problem) {
    std::optional<HeldEngineFiles> held = HoldEngineFiles(EngineCopyFolder(), problem);
    if (!held || held->digest != digest) return std::nullopt;
    // Nothing beside the files: a DLL or a redirection file put in later
    // would be loaded first.
    for (const std::string& other : held->others)
        if (lstrcmpiA(other.c_str(), "work") != 0) return std::nullopt;
    return held;
}

void RemoveEngineCopy() {
    if (ProgramDataFolder().empty()) return;
    RemoveTree(EngineCopyFolder(), true);
}

}  // namespace workflow
