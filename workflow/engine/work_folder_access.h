#pragma once
// The access lists of the folders the elevated engine runs from and writes
// into, as descriptors in their text form (SDDL). Each is protected ("P"):
// nothing is inherited from the folder above, where the user may write, and
// the owner is the Administrators group, so the user cannot change the list.
#include <string>

namespace workflow {

// SYSTEM and Administrators alone, full control, passed down to every file
// and folder made inside.
inline constexpr char kAdministratorsOnlyAccess[] = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The same, and reading and listing for the user of `userSid` ("S-1-5-21-..."),
// so found files stay readable by the user's own programs.
std::string SearchOutputAccess(const std::string& userSid);

}  // namespace workflow
