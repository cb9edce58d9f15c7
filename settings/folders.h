#pragma once
// Folders the program reads and writes.
#include <string>

namespace settings {

// Folder of the running executable, ending with a backslash.
std::string GetProgramFolder();
// The per-user application-data folder (CSIDL_APPDATA), no trailing backslash.
std::string GetAppDataFolder();
// The user's pictures folder (CSIDL_MYPICTURES), no trailing backslash.
std::string GetPicturesFolder();

}  // namespace settings
