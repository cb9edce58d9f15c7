#pragma once
// Which of the files the engine leaves in the data folder become entries of
// the result lists, in what order, and which are reported as unreadable.
// Plain functions of paths and answers; the scan monitor feeds them what a
// walk of the data folder found and what the file system says of each file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "workflow/files/folder_tree.h"

namespace workflow {

// What the file system says of a found file when it is about to be listed.
enum class FoundFileState {
    Complete,    // nobody else has it open and it may be written
    Busy,        // still open elsewhere (the engine is writing it), or read-only
    Vanished,    // gone since the walk (the engine drops files that fail its checks)
    Unopenable,  // its name cannot be opened: a character Windows does not allow, or a path too long
};

// The state of a file by its path: the exclusive-open probe the engine's
// files must pass before they are listed.
FoundFileState ProbeFoundFile(const std::string& path);
// The same, and for a complete file its size, read from the open handle: a
// walk's listing may have seen the file while it was still being written.
FoundFileState ProbeFoundFileAndSize(const std::string& path, uint64_t& size);
// The same, and for a complete file its bytes when CarriedBytes has room:
// for a found picture, whose thumbnail needs them.
FoundFileState ProbeFoundFileAndRead(const std::string& path, uint64_t& size, CarriedBytes& bytes);
// The same probe of a file a walk through held folders found, opened through
// the folder that listed it; its bytes are read when `bytes` is given.
FoundFileState ProbeHeldFoundFile(const FolderEntry& file, uint64_t& size, CarriedBytes* bytes);

// The engine's log, "report.xml" directly inside one of its output folders
// (the folders directly inside the data folder): never a found file.
bool IsEngineLog(const std::string& path, const std::string& dataDir);

// The sector number of a camera photo "f<digits>.jpg" (or "b<digits>.jpg" when
// the engine found it damaged), and of the embedded preview "t<digits>.jpg"
// the engine writes beside it, by the file's own name.
std::optional<std::string> PhotoSectorOf(const std::string& path);
std::optional<std::string> PreviewSectorOf(const std::string& path);
// The sector of a photo the engine kept under its intact name "f<digits>.jpg":
// such a photo holds its preview, which is not listed apart. A damaged
// photo's preview may be the only whole picture of what it showed.
std::optional<std::string> IntactPhotoSectorOf(const std::string& path);
// Where the engine's preview of a photo lies: beside it.
std::string PreviewPathOf(const std::string& photoPath, const std::string& sector);

// The engine writes each file as "f<digits>..." and renames one whose checks
// fail to "b<digits>...": the name a file had before, and would have after.
std::optional<std::string> UndamagedNameOf(const std::string& path);
std::optional<std::string> DamagedNameOf(const std::string& path);

// One walk of the data folder sorted out.
struct WalkOutcome {
    std::vector<std::string> admitted;    // to be listed, in the order found
    std::vector<std::string> unreadable;  // for the report; only the last walk has them
    std::vector<std::string> waiting;     // for a later walk to look at again; only walks before the last have them
};

// `walked`: the files the walk met, in walk order, with the paths too long to
// be opened. `lastWalk`: the walk began after the engine had stopped, so no
// later walk will look again. `photosElsewhere`: the sectors of photos kept
// intact seen in folders the walk did not list. `taken`: files already handed
// over for listing.
//  - files already taken are passed over;
//  - the engine's log is never listed;
//  - a preview is not listed when its photo was found intact too (the photo
//    holds it); beside a photo found damaged it is listed as a picture of its
//    own; without its photo it is listed too, but only by the last walk, since
//    the engine may write the photo just after the preview;
//  - a busy or unopenable file waits for a later walk; the last walk reports it;
//  - a file that vanished is passed over.
// Stops once `maxAdmitted` files are admitted, and as soon as `stopped` holds
// (asked before each file); the files it did not reach are in no list.
// `admitted`, when given, is told of each file the moment it is admitted, so a
// long walk can hand its files over as it goes.
WalkOutcome SortOutWalk(const std::vector<FolderEntry>& walked, const std::string& dataDir, bool lastWalk,
                        const std::unordered_set<std::string>& photosElsewhere,
                        const std::function<bool(const FolderEntry&)>& taken,
                        const std::function<FoundFileState(const std::string&)>& probe,
                        size_t maxAdmitted = SIZE_MAX, const std::function<bool()>& stopped = {},
                        const std::function<void(const FolderEntry&)>& admitted = {});

// The found files lying in the data folder now, as deleting the folder would
// take them: not the engine's log, not a preview whose photo lies there kept
// intact unless that photo's sector is in `shownPreviews` (its preview is
// listed), and no read-only file (a delete leaves it).
std::vector<std::string> FoundFilesIn(const std::string& dataDir,
                                      const std::unordered_set<std::string>& shownPreviews = {});

// True when a walk of the data folder now would list at least one file.
bool HasListableFiles(const std::string& dataDir);
// The same of a data folder already held: every folder and file in it is
// opened through the handle of the folder that holds it.
bool HasListableFiles(std::shared_ptr<const win::HeldFolder> dataFolder, const std::string& dataDir);

// Whether a found file's entry starts checked: every picture's does, damaged
// or not, in whichever list; a piece the engine found damaged that is no
// picture (a broken file system, an archive cut short) is shown, but copied
// only when the user checks it.
bool StartsChecked(const std::string& path);

// What a listed picture becomes once its thumbnail work is over.
enum class PictureEntry {
    Photo,        // an entry with its own thumbnail
    Placeholder,  // an entry with the placeholder picture
    File,         // a row of the file list
    Retry,        // not listed now: a later walk hands it over again
};
// `decoded`: the picture gave a thumbnail. A picture that did not (it cannot
// be decoded) shows the placeholder when there is one; without one it is tried again by a later
// walk, and the last walk lists it as a file rather than lose it.
PictureEntry ChoosePictureEntry(bool decoded, bool placeholderAvailable, bool lastWalk);

}  // namespace workflow
