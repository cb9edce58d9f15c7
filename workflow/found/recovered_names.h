#pragma once
// The names the copy gives what it writes, as the user chose them: the
// engine's own names, or names made from when a photo was taken, alone or
// sorted into a folder a year and a month. A plain function of a found file's
// facts; the copy makes the name free in the output folder and fits it
// within the path limit (file_name_rules.h).
#include <cstdint>
#include <string>
#include <string_view>

namespace workflow {

enum class NameChoice { AsFound, ByDateTaken, ByDateInFolders };

// The drop-down's items, in this order.
inline constexpr NameChoice kNameChoices[] = {NameChoice::AsFound, NameChoice::ByDateTaken,
                                              NameChoice::ByDateInFolders};
// "As found", "By date taken", "By date, in folders".
std::string_view NameChoiceText(NameChoice choice);
// How the choice is kept in the settings file, and read back; anything
// unknown reads as the default.
std::string NameChoiceName(NameChoice choice);
NameChoice NameChoiceNamed(const std::string& name);

// Folders of the names made with `NameChoice::ByDateInFolders`.
inline constexpr std::string_view kUndatedFolder = "Undated";
inline constexpr std::string_view kOtherFilesFolder = "Other files";

// Longer camera names are cut at a word: the name is about the date.
inline constexpr size_t kMostCameraChars = 40;
// Longer extensions are no extension a file type has.
inline constexpr size_t kMostExtensionChars = 16;

struct NameFacts {
    std::string foundName;  // the file's own name, without its folder
    std::string extension;  // without the dot; empty when it has none
    bool photo = false;     // listed as a photo (only photos are named by date)
    uint64_t taken = 0;     // YYYYMMDDhhmmss as read from its EXIF block; 0 when none
    uint64_t previewTaken = 0;  // that of its embedded preview; 0 when it has none
    std::string camera;     // the EXIF model as read; empty when none
    bool damaged = false;   // any damage known, by the engine or the decoder
};

// A camera's model as part of a file name: characters a name cannot hold and
// runs of blanks become one blank, cut at a word to kMostCameraChars, no
// trailing dots or blanks; empty when nothing is left.
std::string CameraPartOfName(std::string_view model);

// The name a found file is written under, relative to the output folder,
// folders separated by backslashes, every part safe for the file system:
// - As found: its found name.
// - By date taken: a photo with a date believed (imaging/date_taken.h) is
//   "2019-05-04 13.22.10 Canon EOS 400D.jpg", the time with dots as a name
//   holds no colon, no camera part when unknown; one without keeps its found name.
// - By date, in folders: the same under "2019\2019-05\", or under "Undated\".
// With either date choice a damaged photo's name ends in " (damaged)" before
// its extension, and other files keep their found names; in folders they go
// under "Other files\<extension>\" ("Other files\" without extension).
// Not yet fitted to the path limit nor made free: FirstFreeName does both.
std::string RecoveredName(const NameFacts& facts, NameChoice choice);

}  // namespace workflow
