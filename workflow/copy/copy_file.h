#pragma once
// One found file copied into the output folder. It is read from the data
// folder through handles of folders checked to be no links, and written
// under a name that says it is partial, with its deletion pending until it
// is named: a stop or a crash deletes it, and after a power cut it can still
// not be taken for a finished copy. It gets its name only once all of it is
// on the disk, and never replaces a file.
#include <windows.h>

#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "win/handles.h"
#include "win/held_folder.h"

namespace workflow {

// Opens found files below the data folder and holds the folder of the last
// one: the engine writes hundreds of files into each of its folders, and
// each is opened relative to the folder already held.
class SourceFolders {
public:
    explicit SourceFolders(std::string dataFolder) : m_dataFolder(std::move(dataFolder)) {}
    // None when the file or any folder on its way from the data folder is a
    // link, it lies outside the data folder, or it cannot be opened.
    win::UniqueHandle Open(const std::string& path);

private:
    std::string m_dataFolder;
    std::string m_heldPath;
    std::optional<win::HeldFolder> m_held;
};

enum class CopyStep { Done, Failed, DiskFull, Stopped };

// The whole of `from` into a new partial file in `folder` for the copy named
// `name`, through `buffer`, with the source's time of last change. The file
// is deleted when `partial` closes unless NameCopy names it. A stop is seen
// between two pieces of the buffer's size.
CopyStep WritePartialCopy(HANDLE from, const win::HeldFolder& folder, const std::string& name, std::span<char> buffer,
                          std::stop_token stop, win::UniqueHandle& partial);

// Gives a flushed partial copy its name in the folder at `folderPath`: its
// own, or the next free "name (n).ext", never over an existing file. Each
// name is tried in turn; one that `nameTaken`, when given (a full path), says
// is taken is passed over without trying. A stop
// seen before the name is given leaves the copy partial; so does a name too
// long for the system, rather than being shortened into another name.
CopyStep NameCopy(HANDLE partial, const win::HeldFolder& folder, const std::string& folderPath, const std::string& name,
                  const std::function<bool(const std::string&)>& nameTaken, std::stop_token stop);

// The error says the volume has no room left.
bool IsDiskFull(DWORD error);

}  // namespace workflow
