#pragma once
// A folder held by a handle that was checked to be a plain folder, and whose
// entries are listed, opened and deleted through that handle, never through a
// path that could be changed meanwhile.
//
// Every open names one entry relative to the held handle and does not follow a
// junction or symbolic link in its last part; the handle it gives is checked
// before it is used: a link shows its reparse attribute, and an entry whose
// handle's name is not the folder's name followed by the entry's name was
// reached through a link. (Wine opens what a Unix symbolic link points to
// whatever the flags say, and tells only by the name.)
//
// The folder is held without delete sharing where it can be (unless opened
// shared), so nobody can rename or delete it, or put a link in its place,
// while it is held. It is held without the right to delete it, which it
// takes only to delete itself: a handle with that right keeps out every open
// that shares no deleting, and Wine lists a folder (FindFirstFile, so dir,
// xcopy and Explorer) through such an open.
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "win/handles.h"

namespace win {

class SecurityDescriptor;

// One entry of a held folder, as its handle lists it.
struct HeldEntry {
    std::wstring name;
    DWORD attributes = 0;
    int64_t size = 0;
};

class HeldFolder {
public:
    // The folder at an absolute path. The folder above it is opened by path,
    // links and all; the folder itself relative to it. A drive's root, which
    // cannot be a link, is opened by its path. None when it is missing, a link,
    // no folder, or cannot be held.
    static std::optional<HeldFolder> Open(const std::string& path);
    // As Open, but others may list, rename and delete it and the folders
    // opened in it meanwhile, as they may a folder nobody holds: for holding
    // a folder for long. What is opened relative to it stays where it is.
    static std::optional<HeldFolder> OpenShared(const std::string& path);
    // The folder at an absolute path, opened by that path, links and all: the
    // place from which the folders below are reached one step at a time.
    static std::optional<HeldFolder> OpenTop(const std::string& path);

    // A folder in this one by name, made first when `create` asks and it is
    // missing; none when it is a link or no folder.
    std::optional<HeldFolder> OpenFolder(const std::wstring& name, bool create = false) const;
    // A folder in this one by name, made with `security` when missing; one
    // that exists is given the descriptor's owner and access list. None when
    // it is a link or no folder, or its security could not be set. Held as
    // OpenFolder holds a folder.
    std::optional<HeldFolder> OpenSecuredFolder(const std::wstring& name, const SecurityDescriptor& security) const;
    // True when the entry is a junction or symbolic link, or opens as
    // something of another name.
    bool IsLinkEntry(const std::wstring& name) const;
    // Renames a file in this folder, never a link or a folder; an existing
    // entry of the new name stays. False when it could not be renamed.
    bool RenameFile(const std::wstring& name, const std::wstring& newName) const;
    // A file in this folder opened for writing, and for reading when asked,
    // with nothing shared: nobody else has it open. None when it is a link or
    // a folder, or could not be opened so; `denied` tells whether it was
    // refused the access asked for.
    UniqueHandle OpenFileExclusively(const std::wstring& name, bool forReading, bool* denied = nullptr) const;
    // Every entry but "." and "..", in the platform's order. False when the
    // folder could not be listed.
    bool List(std::vector<HeldEntry>& entries) const;
    // Deletes a file, or a link itself (never what it points to), by name;
    // with `onlyALink`, only a link. A folder, or an entry reached through a
    // link, is left.
    bool DeleteEntry(const std::wstring& name, bool onlyALink = false) const;
    // A file in this folder opened for reading, others may read it too; none
    // when it is a link, a folder, or held open by someone who shares no reading
    // (`busy` then tells the last).
    UniqueHandle OpenFileForReading(const std::wstring& name, bool* busy = nullptr) const;
    // Deletes this folder, which must be empty; it goes when the handle closes.
    // The right to delete is taken through the folder above, once that is
    // seen to hold this very folder; the folder is no longer held meanwhile,
    // and a link put in its place then is not deleted.
    bool DeleteItself();

    // A new file in this folder, opened for writing and deleting and shared
    // with nobody, and with `deleteOnClose` deleted when its handle closes;
    // none when anything, a link or a file pending deletion included, has
    // that name already (GetLastError then says ERROR_FILE_EXISTS).
    UniqueHandle CreateNewFile(const std::wstring& name, bool deleteOnClose = false) const;
    // Gives a file opened for deleting the name `name` in this folder. Nothing
    // is ever replaced: false, with GetLastError saying why, when the name is taken.
    bool MoveInto(HANDLE file, const std::wstring& name) const;

    struct Space {
        uint64_t freeBytes = 0;     // as this user may fill them
        uint64_t clusterBytes = 0;  // the least a file's data takes on the volume
    };
    // Of the volume the folder is on; none when the platform cannot tell.
    std::optional<Space> VolumeSpace() const;
    // The volume's file system as the platform names it ("NTFS", "FAT32");
    // empty when it cannot tell.
    std::string FileSystem() const;

private:
    HeldFolder(UniqueHandle handle, std::wstring name, bool shared);
    static std::optional<HeldFolder> Open(const std::string& path, bool shared);
    // An entry opened relative to this folder, its last part not followed.
    UniqueHandle OpenEntry(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG options,
                           ULONG disposition = FILE_OPEN, NTSTATUS* status = nullptr) const;
    // The file entry itself: no link, no folder, reached by its own name.
    bool IsPlainFile(HANDLE entry, const std::wstring& name) const;
    // False when the handle, opened for `name`, names something else.
    bool NamesEntry(HANDLE entry, const std::wstring& name) const;

    UniqueHandle m_handle;
    std::wstring m_name;  // the handle's own name; empty when the platform cannot tell
    // The same as the object manager names it, to which the names of entries
    // opened through the handle are compared; empty when the platform cannot tell.
    std::wstring m_objectName;
    bool m_shared;        // held without keeping others from deleting it
};

// The wide form of an ANSI text and back, in the system's ANSI code page.
std::wstring WidenAnsi(const std::string& text);
std::string NarrowToAnsi(const std::wstring& text);

}  // namespace win
