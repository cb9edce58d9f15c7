#pragma once
// Recursive operations on the engine's data folder. Every walk lists a folder
// with "<path>\*.*", skips "." and "..", and never follows a junction or
// symbolic link: a link is treated as an entry of its own (deleted as a link,
// never descended into), so nothing outside the walked tree is touched.
// A path longer than the platform's limit is skipped, never shortened.
#include <optional>
#include <string>

namespace workflow {

// The search pattern of a folder: "*.*" after a trailing backslash, "\*.*"
// otherwise, nothing added when the path already holds "\*.*".
std::string SearchPattern(const std::string& folder);

// True for an existing folder that is not a link.
bool IsFolder(const std::string& path);

// True when a file lies anywhere below the folder.
bool TreeHasFile(const std::string& folder);

// The extension shifted down by one character code (127 becomes 128).
std::string ShiftedExtension(const std::string& extension);

// Renames every file below the folder to its shifted extension; each file at
// most once. A file whose own name has no dot is left alone. Returns the path
// of the file whose rename failed (the walk stops there), or none.
std::optional<std::string> ShiftExtensionsDown(const std::string& folder);

// Deletes everything below the folder, and the folder itself when asked.
// Files that cannot be deleted stay, with their folders.
void RemoveTree(const std::string& folder, bool removeFolderItself);

}  // namespace workflow
