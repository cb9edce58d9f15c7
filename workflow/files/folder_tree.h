#pragma once
// Recursive operations on the engine's data folder. Every walk lists a folder
// with "<path>\*.*", skips "." and "..", and never follows a junction or
// symbolic link: a link is treated as an entry of its own (deleted as a link,
// never descended into), so nothing outside the walked tree is touched.
// A path longer than the platform's limit is skipped, never shortened; only
// the walk for files can be asked to hand such entries over.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "workflow/files/carried_bytes.h"
#include <vector>

#include "win/handles.h"
#include "win/held_folder.h"

namespace workflow {

// The search pattern of a folder: "*.*" after a trailing backslash, "\*.*"
// otherwise, nothing added when the path already holds "\*.*".
std::string SearchPattern(const std::string& folder);

// True when no character of the name is one Windows does not allow in names.
bool IsValidFileName(const std::string& name);

// True when something exists at the path (PathFileExistsA).
bool PathExists(const std::string& path);

// True when `path` names `folder` or a place below it, however either is
// spelled: relative parts, trailing backslashes, letter case, short names.
bool IsSameOrInside(const std::string& path, const std::string& folder);

// Creates a folder; one that already exists counts as success.
bool EnsureFolder(const std::string& path);

// True for an existing folder that is not a link.
bool IsFolder(const std::string& path);

// Folder-ness from the attributes a listing reports, without touching the
// entry again: a directory that is not a reparse point (junction, symbolic link).
bool IsWalkableFolder(DWORD attributes);
bool IsWalkableFolder(const WIN32_FIND_DATAA& entry);
bool IsLink(DWORD attributes);
// The full path of a path relative to the current folder; the path itself
// when the system cannot make one. Not limited to MAX_PATH.
std::string FullPathOf(const std::string& path);
// True when the path itself (not what it points to) is a junction or symbolic link.
bool IsLinkPath(const std::string& path);

// One entry of a folder listing, as the listing reported it.
struct FolderEntry {
    std::string path;  // the pattern up to its last backslash, then the entry's name
    DWORD attributes = 0;
    int64_t size = 0;
    // The folder that listed it, held by its handle, when a walk through held
    // folders found it.
    std::shared_ptr<const win::HeldFolder> folder;

    bool IsFolder() const { return IsWalkableFolder(attributes); }
    bool IsLink() const { return workflow::IsLink(attributes); }
    bool IsFile() const { return !IsFolder() && !IsLink(); }
};

// Entries that the platform's calls cannot reach by name: their full path
// reaches MAX_PATH.
using TooLongVisit = std::function<void(const FolderEntry&)>;

// Calls `visit` for each entry of one folder in listing order until it returns
// false. Entries whose full path would not fit MAX_PATH go to `tooLong` when
// one is given, and are left out otherwise. False when the folder cannot be listed.
bool ForEachEntry(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                  const TooLongVisit& tooLong = {});

// Calls `visit` for every file below the folder, depth first: a subfolder is
// walked when the listing reaches it. Links are neither walked nor visited.
// Returns false when `visit` asked to stop. Files and folders out of reach
// (a folder whose listing pattern would not fit MAX_PATH, with whatever it
// holds) go to `tooLong` when one is given, and are left out otherwise.
// `enter`, when given, is asked about each folder below before it is listed;
// a folder it refuses is left unlisted, with everything it holds.
// Every folder is opened through the handle of the one above, and a link met
// on the way, even one put in place of a folder during the walk, is not
// entered.
bool ForEachFileBelow(const std::string& folder, const std::function<bool(const FolderEntry&)>& visit,
                      const TooLongVisit& tooLong = {}, const std::function<bool(const FolderEntry&)>& enter = {});
// The same walk from a folder already held, whose path is `path`.
bool ForEachFileBelow(std::shared_ptr<const win::HeldFolder> folder, const std::string& path,
                      const std::function<bool(const FolderEntry&)>& visit, const TooLongVisit& tooLong = {},
                      const std::function<bool(const FolderEntry&)>& enter = {});

// True when a file lies anywhere below the folder.
bool TreeHasFile(const std::string& folder);
bool TreeHasFile(std::shared_ptr<const win::HeldFolder> folder, const std::string& path);

// The exclusive-open probe a found file passes before it is listed: the
// file's size when nobody else has it open and it may be written. A
// read-only file never passes.
std::optional<uint64_t> SizeIfOpenedExclusively(const std::string& path);
// The same probe, which also reads a file that passes into `bytes` when
// CarriedBytes has room for it. A link's bytes are never read: they would
// come from outside the data folder.
std::optional<uint64_t> SizeAndBytesIfOpenedExclusively(const std::string& path, CarriedBytes& bytes);
// The same probes of a file a walk through held folders found, opened through
// the folder that listed it; the path is not resolved again.
std::optional<uint64_t> SizeIfOpenedExclusively(const FolderEntry& file);
std::optional<uint64_t> SizeAndBytesIfOpenedExclusively(const FolderEntry& file, CarriedBytes& bytes);
// Fills `into` from the file's current place; false when a read fails or the
// file ends first.
bool ReadWhole(HANDLE file, std::span<uint8_t> into);

// Deletes everything below the folder, and the folder itself when asked.
// Files that cannot be deleted stay, with their folders; so do files for which
// `mayDelete` is given and answers false. Every delete goes through handles of
// folders checked to be no links: a link met on the way, even one put in place
// of a file or folder during the walk, is deleted itself or left, and what it
// points to is never touched.
void RemoveTree(const std::string& folder, bool removeFolderItself,
                const std::function<bool(const std::string&)>& mayDelete = {});
// The same below a folder already held, whose path is `path`.
void RemoveTree(win::HeldFolder& folder, const std::string& path, bool removeFolderItself,
                const std::function<bool(const std::string&)>& mayDelete = {});

// A file below `folder` opened for reading through a handle of each folder
// on the way, none of them a link; none when the file or any folder on the
// way is a link, or the path does not lie below `folder`.
win::UniqueHandle OpenFileBelow(const std::string& folder, const std::string& path);

// A folder below `top` opened one step at a time: `top` by its path, links
// and all, each folder below through the handle of the one above, none of
// them a link; each made first when `create` asks and it is missing. None
// when a step fails, or `path` does not lie below `top`; `link` then names
// the first folder on the way that is a link, if one is.
std::optional<win::HeldFolder> OpenHeldBelow(const std::string& top, const std::string& path, bool create = false,
                                             std::string* link = nullptr);

// Deletes a junction or symbolic link itself, never what it points to. Does
// nothing when the path does not open as a link.
bool DeleteLink(const std::string& path);

}  // namespace workflow
