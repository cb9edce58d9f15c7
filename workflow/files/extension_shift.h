#pragma once
// Files an earlier search left under the names the engine gives files it has
// not finished checking get back the extension it writes.
#include <optional>
#include <string>

#include "win/held_folder.h"

namespace workflow {

// The extension shifted down by one character code (127 becomes 128).
std::string ShiftedExtension(const std::string& extension);

// Renames each file below the folder whose extension the engine does not write
// but whose shifted extension it does (kqh becomes jpg); each file at most
// once. Every other file keeps its name: one whose own name has no dot, one
// whose extension the engine writes, one whose shifted extension it does not
// write or that would hold a character not allowed in names. A failed rename
// leaves that file and the walk goes on; returns the path of the first such
// file, or none.
std::optional<std::string> ShiftExtensionsDown(const std::string& folder);
// The same renames below a folder already held, whose path is `path`; each
// rename goes through the handle of the folder that holds the file.
std::optional<std::string> ShiftExtensionsDown(const win::HeldFolder& folder, const std::string& path);

}  // namespace workflow
