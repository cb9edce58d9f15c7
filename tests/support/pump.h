#pragma once
// Message pumping for tests that drive real windows in-process.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/message_pump.h"

namespace testing_support {

// Pumps messages until `done` holds or `timeoutMs` has passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps messages for a while: only to show that something does not happen.
void PumpFor(DWORD milliseconds);
using win::PumpPending;

// Visible top-level windows with exactly this title, of one process or (0) of any.
std::vector<HWND> WindowsTitled(const std::string& title, DWORD process = GetCurrentProcessId());
// The first of them, or null.
HWND WindowTitled(const std::string& title, DWORD process = GetCurrentProcessId());

// Z:\... for a path of the Linux file system, as Wine maps it.
std::string WindowsPath(const std::string& unixPath);
// Folder of the running test executable, ending with a backslash.
std::string TestExeFolder();

}  // namespace testing_support
