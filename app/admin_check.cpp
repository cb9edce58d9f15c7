#include "app/admin_check.h"

#include <shlobj.h>

namespace app {

std::optional<int> VersionCodeFor(DWORD platformId, DWORD major, DWORD minor) {
    switch (platformId) {
    case VER_PLATFORM_WIN32s:
        return 7;
    case VER_PLATFORM_WIN32_WINDOWS:
        if (major < 4) return 1;
        if (major == 4) return minor == 0 ? 1 : (minor < 90 ? 2 : 3);
        return 3;
    case VER_PLATFORM_WIN32_NT:
        if (major <= 4) return 4;
        if (major == 5) return minor == 0 ? 5 : 6;
        if (major == 6) return 8;
        return std::nullopt;
    default:
        return 9;
    }
}

bool GetWindowsVersionCode(std::optional<int>& code) {
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);  // 156 bytes
    auto* basic = reinterpret_cast<OSVERSIONINFOA*>(&info);
    if (!GetVersionExA(basic)) {
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);  // 148 bytes, for systems without the extended record
        if (!GetVersionExA(basic)) return false;
    }
    code = VersionCodeFor(info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion);
    return true;
}

const char* AdminMessageFor(std::optional<int> code) {
    if (!code || *code == 8) return kRunAsAdministratorText;
    return kLogOffText;
}

bool CheckAdministrator(HWND owner) {
    if (IsUserAnAdmin()) return true;
    std::optional<int> code;
    if (!GetWindowsVersionCode(code)) code.reset();
    MessageBoxA(owner, AdminMessageFor(code), kAdminCaption, MB_OK);
    return false;
}

}  // namespace app
