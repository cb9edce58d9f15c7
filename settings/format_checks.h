#pragma once
// The 24 file types of the format list, in the order in which the list is
// written and the settings dialog shows its check boxes, and the translation
// between a list text and a set of ticks.
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::size_t kFormatCount = 24;
inline constexpr std::array<std::string_view, kFormatCount> kFormatNames = {
    "jpg", "gif", "png", "bmp", "tif", "avi", "mpg", "dat", "wmv", "asf", "mp3", "mp4",
    "mov", "3gp", "rm",  "pdf", "swf", "doc", "txt", "wav", "pst", "zip", "rar", "raw"};

// Extensions under which the engine writes what it finds, the file types above
// and the families they stand for (raw covers the cameras' own formats, doc
// the office formats, ...), plus what it writes about the disk itself.
inline constexpr std::string_view kEngineExtensions[] = {
    "jpg", "jpeg", "gif", "png", "bmp", "tif", "tiff", "avi", "mpg", "mpeg", "dat", "wmv", "asf", "mp3", "mp4",
    "m4a", "m4v", "mov", "3gp", "rm", "pdf", "swf", "doc", "docx", "xls", "xlsx", "ppt", "pptx", "odt", "ods",
    "odp", "rtf", "txt", "xml", "html", "htm", "csv", "wav", "pst", "zip", "rar", "7z", "gz", "raw", "cr2",
    "crw", "cr3", "nef", "nrw", "orf", "arw", "sr2", "srf", "dng", "raf", "rw2", "pef", "x3f", "mrw", "kdc",
    "dcr", "erf", "mef", "mos", "3fr", "heic", "psd", "ico", "fat", "ntfs", "exe", "dll"};

// True when the extension, in any case, is one the engine writes.
bool IsEngineExtension(std::string_view extension);

using FormatTicks = std::array<bool, kFormatCount>;

// A format is enabled when its name occurs anywhere in the list, case
// significant. The list is deliberately not split at commas, so hand-edited
// lists ("jpg, gif", "tiff") are read the way the engine launch reads them.
bool IsFormatEnabled(std::string_view list, std::string_view name);

// One tick per format, in list order.
FormatTicks TicksFromList(std::string_view list);

// The ticked names in list order, joined by single commas.
std::string ListFromTicks(const FormatTicks& ticks);

}  // namespace settings
