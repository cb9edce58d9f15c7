#pragma once
// Directory links for tests that check nothing is touched through one.
#include <functional>
#include <string>

namespace testing_support {

// Starts a Unix program from Wine, which gives no process handle, and pumps
// until `done` holds (at most 30 s).
bool RunUnixUntil(std::string commandLine, const std::function<bool()>& done);
// Removes a tree from the Unix side: Wine cannot always delete a Unix link
// without touching its target.
void RemoveTreeFromUnix(const std::string& path);

bool IsLinkOnDisk(const std::string& path);
// A directory link: CreateSymbolicLinkA where it works; Wine 8 answers that
// call without making anything, so there a Unix symbolic link is made, which
// Wine lists as a directory reparse point. False when neither works.
bool MakeFolderLink(const std::string& link, const std::string& target);
// Puts a symbolic link to `target` (a file or a folder) in place of whatever
// is at `path`, at once. Wine lists a link to a file as a plain file. False
// when no link can be made here.
bool SwapForLink(const std::string& path, const std::string& target);

}  // namespace testing_support
