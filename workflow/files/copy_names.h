#pragma once
// Names for copies in the output folder: an existing file is never replaced.
#include <functional>
#include <string>

namespace workflow {

// Joins a folder and a name with one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// "f0001.jpg" for number 1, "f0001 (2).jpg" for 2 and so on; a name without
// extension, or one starting with its only dot, is numbered whole.
std::string NumberedName(const std::string& name, int number);

// "f0001.jpg" if free in the folder, else "f0001 (2).jpg", "f0001 (3).jpg", ...
// as Windows names copies. Returns the full destination path.
std::string NextFreeDestination(const std::string& folder, const std::string& name,
                                const std::function<bool(const std::string&)>& exists);

}  // namespace workflow
