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
