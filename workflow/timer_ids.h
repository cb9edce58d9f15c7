#pragma once
// Timers of the main window; every tick arrives as WM_TIMER on the user-interface thread.
#include <windows.h>

namespace workflow {

inline constexpr UINT_PTR kPollTimer = 1025;     // one-shot poll of the data folder
inline constexpr UINT_PTR kPassTimer = 1026;     // one file of a scan pass per tick
inline constexpr UINT_PTR kCopyTimer = 1027;     // one file of the recovery copy per tick
inline constexpr UINT_PTR kStartupTimer = 1028;  // one-shot: drive list and save folder

inline constexpr UINT kFirstPollDelayMs = 500;
inline constexpr UINT kTickMs = 200;
inline constexpr UINT kStartupDelayMs = 100;

}  // namespace workflow
