#pragma once
// One found file copied into the output folder. It is read from the data
// folder through handles of folders checked to be no links, and written
// under a name of its own ("name.ext.vantreo-partial"), marked for deletion
// from the moment it exists until it is named: a stop or a crash deletes it,
// one left by a run ended by force is deleted by the next copy into that
// folder, and after a power cut it can still not be taken for a finished
// copy. It gets its name only once all of it is on the disk, and never
// replaces a file.
#include <windows.h>

#include <functional>
#include <optional>
#include <span>
#include <stop_token>
#include <string>

#include "imaging/sha256.h"
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

// Failed: the copy could not be written; ReadFailed: the found file could not be read.
enum class CopyStep { Done, Failed, ReadFailed, DiskFull, Stopped, NameTooLong, WriteProtected };

// What a failed write, flush or rename with this error says of the copy.
CopyStep StepForError(DWORD error);

// The partial copies of one recovery copy, in its output folder. A file
// created with delete-on-close is deleted whenever its handle closes, also
// when the process is ended by force; where the platform cannot take that
// mark back before the file is named, the file is marked as pending deletion
// right after it is created instead. A check before the first file tells which.
//
// Threads: one thread, the copy's worker, calls every method.
class PartialCopies {
public:
    PartialCopies(const win::HeldFolder& folder, std::string folderPath)
        : m_folder(folder), m_folderPath(std::move(folderPath)) {}

    // Deletes the partial copies that a run ended by force left in the folder.
    void RemoveLeftovers() const;
    // A new, empty partial copy for the copy named `name`; none when no
    // partial name is free or the folder takes no file.
    win::UniqueHandle Begin(const std::string& name, CopyStep& failed);
    // The whole of `from` into a new partial copy for the copy named `name`,
    // through `buffer`, with the source's time of last change; deleted when
    // `partial` closes unless Name names it. A name too long for the folder
    // is refused before anything is written. A stop is seen between two
    // pieces of the buffer's size. The bytes read pass through `hash` and are
    // counted in `bytes`, when given.
    CopyStep Write(HANDLE from, const std::string& name, std::span<char> buffer, std::stop_token stop,
                   win::UniqueHandle& partial, imaging::Sha256* hash = nullptr, uint64_t* bytes = nullptr);
    // Gives a flushed partial copy its name: its own, or the next free
    // "name (n).ext" (file_name_rules.h), never over an existing file, the
    // stem cut so that the path holds within the limit. A name that
    // `nameTaken`, when given (a full path), says is taken is passed over
    // without trying. A stop seen before the name is given leaves the copy
    // partial. `given` learns the name given.
    CopyStep Name(HANDLE partial, const std::string& name, const std::function<bool(const std::string&)>& nameTaken,
                  std::stop_token stop, std::string* given = nullptr);

private:
    enum class Mark { Unknown, OnClose, Pending };
    bool KeepsFilesUnmarked() const;
    win::UniqueHandle Create(const std::wstring& name);
    bool Unmark(HANDLE partial) const;
    void Remark(HANDLE partial) const;

    const win::HeldFolder& m_folder;
    const std::string m_folderPath;
    Mark m_mark = Mark::Unknown;
};

// The error says the volume has no room left.
bool IsDiskFull(DWORD error);

}  // namespace workflow
