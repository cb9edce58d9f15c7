#include "workflow/engine/engine_environment.h"

#include <windows.h>
#include <sddl.h>

#include <vector>

#include "workflow/engine/work_folder_access.h"
#include "workflow/files/copy_names.h"

namespace workflow {

namespace {

constexpr char kSystemVariablesKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

// Replaces each %NAME% that names one of `known` by its value; any other
// text stays as it is.
std::string Expanded(const std::string& value, const Variables& known) {
    std::string result;
    for (size_t at = 0; at < value.size();) {
        const size_t open = value.find('%', at);
        const size_t close = open == std::string::npos ? std::string::npos : value.find('%', open + 1);
        if (close == std::string::npos) {
            result += value.substr(at);
            break;
        }
        const auto found = known.find(value.substr(open + 1, close - open - 1));
        result += value.substr(at, open - at);
        if (found != known.end()) {
            result += found->second;
            at = close + 1;
        } else {
            result += '%';
            at = open + 1;
        }
    }
    return result;
}

}  // namespace

bool VariableNameLess::operator()(const std::string& a, const std::string& b) const {
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) == CSTR_LESS_THAN;
}

std::string EngineEnvironmentBlock(const Variables& systemVariables, const std::string& windowsFolder,
                                   const std::string& engineFolder, const std::string& tempFolder) {
    Variables variables = systemVariables;
    variables["SystemRoot"] = windowsFolder;
    variables["windir"] = windowsFolder;
    variables["SystemDrive"] = windowsFolder.substr(0, 2);
    variables["TEMP"] = tempFolder;
    variables["TMP"] = tempFolder;
    const std::string system32 = JoinPath(windowsFolder, "System32");
    variables["PATH"] = system32 + ";" + windowsFolder + ";" + JoinPath(system32, "Wbem") + ";" + engineFolder;
    std::string block;
    for (const auto& [name, value] : variables) {
        // A name holding '=' or a NUL in either would split the entry.
        if (name.empty() || name.find('=') != std::string::npos || name.find('\0') != std::string::npos ||
            value.find('\0') != std::string::npos)
            continue;
        block += name + "=" + value;
        block += '\0';
    }
    block += '\0';
    return block;
}

Variables SystemVariables() {
    Variables raw;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSystemVariablesKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return raw;
    for (DWORD index = 0;; ++index) {
        char name[256] = {};
        DWORD nameLength = sizeof name, type = 0, size = 0;
        LONG status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type, nullptr, &size);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        std::string value(size + 1, '\0');
        nameLength = sizeof name;
        status = RegEnumValueA(key, index, name, &nameLength, nullptr, &type,
                               reinterpret_cast<BYTE*>(value.data()), &size);
        if (status != ERROR_SUCCESS) continue;
        value.resize(strnlen(value.c_str(), size));
        raw[name] = value;
    }
    RegCloseKey(key);
    const std::string windows = WindowsFolder();
    Variables known = raw;
    known["SystemRoot"] = known["windir"] = windows;
    known["SystemDrive"] = windows.substr(0, 2);
    Variables expanded;
    for (const auto& [name, value] : raw) expanded[name] = Expanded(value, known);
    return expanded;
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemWindowsDirectoryA(folder, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(folder, length) : std::string("C:\\Windows");
}

std::optional<std::string> MakeAdministratorsOnlyFolder() {
    // Protected, so nothing is inherited from the folder above, where users may
    // create folders of their own.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kAdministratorsOnlyAccess, SDDL_REVISION_1, &descriptor,
                                                              nullptr))
        return std::nullopt;
    SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
    const std::string parent = JoinPath(WindowsFolder(), "Temp");
    std::optional<std::string> made;
    // A folder of that name made by someone else is never taken over: only
    // one this call creates carries the descriptor above.
    for (int attempt = 0; attempt < 16 && !made; ++attempt) {
        const std::string folder = JoinPath(parent, "Vantreo-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                        std::to_string(GetTickCount64() + attempt));
        if (CreateDirectoryA(folder.c_str(), &security)) made = folder;
        else if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    LocalFree(descriptor);
    return made;
}

}  // namespace workflow
