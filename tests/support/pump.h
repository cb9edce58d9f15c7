#pragma once
// Message pumping for tests that drive real windows in-process.
#include <windows.h>

#include <functional>
#include <string>

namespace testing_support {

// Pumps messages until `done` holds or `timeoutMs` has passed; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// Pumps messages for a while.
void PumpFor(DWORD milliseconds);

// Z:\... for a path of the Linux file system, as Wine maps it.
std::string WindowsPath(const std::string& unixPath);
// Folder of the running test executable, ending with a backslash.
std::string TestExeFolder();

}  // namespace testing_support
