#pragma once
// What the file system takes as a name, and the path limit the program and
// Explorer keep to: names made from found bytes (a camera's model, a name the
// engine or an old file system gave) pass through here before a file is made.
// Lengths count bytes of the ANSI text, never fewer than its UTF-16 units.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace workflow {

inline constexpr size_t kMaxPathChars = 260;  // MAX_PATH, the terminating NUL included
inline constexpr size_t kMaxNameChars = 255;  // one file or folder name

// Ends a damaged photo's name before its extension; a number given to tell
// names apart goes before it, so the mark stays last.
inline constexpr std::string_view kDamagedMark = " (damaged)";

// \ / : * ? " < > | and the control characters.
bool IsForbiddenInName(char c);

// CON, PRN, AUX, NUL, COM0 to COM9, LPT0 to LPT9 (also with the superscript
// digits), CONIN$ and CONOUT$, in any case, alone or before a dot: Windows
// opens the device for such a name in any folder.
bool IsReservedDeviceName(std::string_view name);

// One file or folder name the file system takes: \ / : * ? " < > | and
// control characters become "_", trailing dots and spaces go, a reserved
// device name gets a leading "_", and a name left empty becomes `fallback`.
std::string SafeNamePart(std::string_view name, std::string_view fallback = "_");

// The longest name below `folder` whose full path, and that of its temporary
// name `extraChars` longer, holds within MAX_PATH; 0 when none does.
size_t MostNameChars(const std::string& folder, size_t extraChars);

// `name` (folders before its last backslash kept whole) with the stem of its
// last name cut so that the whole has at most `most` characters and the last
// name at most kMaxNameChars; the extension and the damaged mark stay, and a
// cut never leaves a device's name. None when not even one character of the
// stem fits.
std::optional<std::string> FitName(const std::string& name, size_t most);

// "a.jpg" numbered 2 is "a (2).jpg", "a (damaged).jpg" is "a (2) (damaged).jpg";
// number 1 leaves the name as it is.
std::string NameWithNumber(const std::string& name, unsigned number);

// The first of `name`, then numbered 2, 3, ... that is not taken, each fitted
// within `most`: a file is never replaced. None when none fits or the tries run out.
inline constexpr unsigned kMostNumberTries = 10000;
std::optional<std::string> FirstFreeName(const std::string& name, size_t most,
                                         const std::function<bool(const std::string&)>& taken);

}  // namespace workflow
