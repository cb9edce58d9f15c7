#pragma once
// Timers of the main window; every tick arrives as WM_TIMER on the user-interface thread.
#include <windows.h>

namespace workflow {

inline constexpr UINT_PTR kListingTimer = 1026;  // found files become list entries
inline constexpr UINT_PTR kCopyTimer = 1027;     // the recovery copy's progress and end are looked at
inline constexpr UINT_PTR kStartupTimer = 1028;  // one-shot: drive list and save folder
inline constexpr UINT_PTR kThumbnailTimer = 1029;  // thumbnails made again for entries shown
inline constexpr UINT_PTR kShowEntriesTimer = 1030;  // one-shot: new entries drawn

inline constexpr UINT kStartupDelayMs = 100;
inline constexpr UINT kThumbnailTickMs = 50;
// New entries are drawn at most this often; the last ones when the listing ends.
inline constexpr ULONGLONG kEntriesShownEveryMs = 250;

}  // namespace workflow
