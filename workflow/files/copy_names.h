#pragma once
// Names for copies in the output folder: an existing file is never replaced,
// and a copy is written under a name of its own until it is whole.
#include <functional>
#include <string>

namespace workflow {

// Joins a folder and a name with one backslash between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// "f0001.jpg" for number 1, "f0001 (2).jpg" for 2 and so on; a name without
// extension, or one starting with its only dot, is numbered whole.
std::string NumberedName(const std::string& name, int number);

// Numbers tried for a copy's name: a folder may hold the copies of many
// earlier recoveries of the same files.
inline constexpr int kLastCopyNumber = 10000;

// What an offered name came to.
enum class Naming { Given, Taken, Refused };

// Offers `name`, then "f0001 (2).jpg", "f0001 (3).jpg", ... as Windows names
// copies, to `give`, which gives the copy that name or says why not; stops at
// the first name given or refused. Taken when every number was taken.
Naming GiveFirstFreeName(const std::string& name, const std::function<Naming(const std::string&)>& give);

// A full path the system's 260-character paths can hold: a copy under a
// longer one could not be opened by most programs.
bool FitsPathLimit(const std::string& path);

// The name a copy has while it is written: "f0001.jpg.vantreo-partial", or
// "f0001.jpg.2.vantreo-partial" for the second try. No other program uses it,
// so one left in a folder is a copy that never finished.
std::string PartialName(const std::string& name, int attempt);
bool IsPartialName(const std::string& name);

}  // namespace workflow
