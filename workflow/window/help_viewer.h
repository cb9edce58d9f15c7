#pragma once
// The user manual: "help.chm" in the program's own folder, shown by the HTML Help viewer.
#include <windows.h>

namespace workflow {

inline constexpr char kHelpFileName[] = "help.chm";
inline constexpr char kHelpNotFoundText[] = "Help file is not found.";

// Opens the manual on its default topic. The viewer belongs to no window of
// ours, so the caller stays usable. When no viewer window comes back (file
// missing or unreadable, viewer not available) tells the user in a message
// box owned by `owner`.
void ShowHelpFile(HWND owner);

}  // namespace workflow
