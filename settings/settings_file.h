#pragma once
// The two settings files beside the program: "settings.ini" holds
// "savedir=<folder>", and after it the user's choices when they are not the
// defaults: the photo list's ("hidesmall=1", "photoorder=<name>",
// "hidecopies=1"), the copy's names ("naming=<name>") and its list of what it
// recovered ("writelist=0"); "formats.ini" holds "formats=<list>".
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace settings {

inline constexpr char kDefaultFormatList[] = "jpg,gif,png,bmp,tif,raw";
inline constexpr char kSaveFolderKey[] = "savedir=";
inline constexpr char kFormatListKey[] = "formats=";
inline constexpr char kHideSmallKey[] = "hidesmall=";
inline constexpr char kPhotoOrderKey[] = "photoorder=";
inline constexpr char kHideCopiesKey[] = "hidecopies=";
inline constexpr char kNamingKey[] = "naming=";
inline constexpr char kWriteListKey[] = "writelist=";

// The value of the last line of `content` that starts with the 8-character key,
// or `fallback`. Lines are read 259 characters at most; the rest of a longer
// line is dropped, never read as a line of its own, and such a line never
// matches (its value would be cut). A CR before the LF is not part of the value.
std::string FindSettingValue(const std::string& content, const std::string& key, const std::string& fallback);

// Reads a settings file; `fallback` when it is missing or cannot be read.
std::string ReadSetting(const std::string& path, const std::string& key, const std::string& fallback);
// Replaces the whole file with the one line key + value + CR LF. False when it cannot be written.
bool WriteSetting(const std::string& path, const std::string& key, const std::string& value);

std::string SaveFolderPath();   // program folder + "settings.ini"
std::string FormatListPath();   // program folder + "formats.ini"

// The saved output folder, or the pictures folder.
std::string LoadSaveFolder();
// Each keeps what the other stored.
void StoreSaveFolder(const std::string& folder);
void StorePhotoView(bool hideSmall, const std::string& order, bool hideCopies = false);
bool LoadHideSmall();
std::string LoadPhotoOrder();  // empty when none is stored
bool LoadHideCopies();
// How the copy names files: empty for the default.
void StoreNaming(const std::string& naming);
std::string LoadNaming();  // empty when none is stored
// Whether the copy writes recovered.csv: on unless turned off.
void StoreWriteList(bool write);
bool LoadWriteList();
// Lets the user pick a folder, stores it and returns it. A drive root is kept
// as "D:". A folder that `accept` turns down is neither stored nor returned.
std::optional<std::string> BrowseForSaveFolder(HWND owner,
                                               const std::function<bool(const std::string& folder)>& accept = {});
// The folder text as stored: one trailing backslash removed.
std::string WithoutTrailingBackslash(std::string path);

std::string LoadFormatList();
void StoreFormatList(const std::string& list);

}  // namespace settings
