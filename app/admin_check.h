#pragma once
// The administrator gate that runs once while the main window sets itself up.
#include <windows.h>

#include <optional>
#include <string>

namespace app {

inline constexpr char kAdminCaption[] = "Quillon";
inline constexpr char kRunAsAdministratorText[] =
    "Your need to be administrator to use Quillon to recover pictures.\n\n"
    "Please select Quillon, right click and choose \"Run as administrator\".";
inline constexpr char kLogOffText[] =
    "Your need to be administrator to use Quillon to recover pictures.\n\n"
    "Please log off your computer and then log in as Administrator, install Quillon and use it to "
    "recover pictures.";

// The version code of a reported platform id and version; none for NT 7 and above.
std::optional<int> VersionCodeFor(DWORD platformId, DWORD major, DWORD minor);

// Asks the system for its version; false when GetVersionExA fails twice.
bool GetWindowsVersionCode(std::optional<int>& code);

// The message for a version code. Windows versions that have no code (NT 7
// and above, or a failed query) have UAC, so they get the "Run as administrator"
// wording too.
const char* AdminMessageFor(std::optional<int> code);

// True when the program may go on; otherwise tells the user how to get the
// rights (message box owned by `owner`) and returns false.
bool CheckAdministrator(HWND owner);

}  // namespace app
