#include "win/held_folder.h"

#include <winternl.h>

#include <array>
#include <cstddef>
#include <cstring>
#include <algorithm>
#include <string_view>

#include "win/security_descriptor.h"

namespace win {

namespace {

constexpr ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr ACCESS_MASK kListing = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;

// FILE_RENAME_INFORMATION of the native API, which the platform's headers leave out.
struct RenameInformation {
    BOOLEAN ReplaceIfExists;
    HANDLE RootDirectory;
    ULONG FileNameLength;
    WCHAR FileName[1];
};
constexpr auto kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);
constexpr NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);

// True when both handles hold the same file or folder.
bool IsSameObject(HANDLE one, HANDLE other) {
    BY_HANDLE_FILE_INFORMATION a{}, b{};
    return GetFileInformationByHandle(one, &a) && GetFileInformationByHandle(other, &b) &&
           a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

bool IsLinkAttribute(DWORD attributes) { return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0; }

// The attributes of what the handle holds; none when they cannot be read.
std::optional<DWORD> AttributesOf(HANDLE handle) {
    FILE_ATTRIBUTE_TAG_INFO info{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) return std::nullopt;
    return info.FileAttributes;
}

// The handle's full name as the platform resolves it; empty when it cannot tell.
std::wstring FinalName(HANDLE handle) {
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetFinalPathNameByHandleW(handle, name.data(), static_cast<DWORD>(name.size()),
                                                       FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(length + 1);
    }
}

// Room for the name of a handle as the object manager gives it: on the
// stack for any name of the platform's usual length, so asking it of every
// file of a clean-up costs no allocation.
struct ObjectNameBuffer {
    std::array<LONGLONG, 160> local;
    std::vector<LONGLONG> large;
};

// The handle's name as the object manager gives it ("\\??\\C:\\..." under
// Wine, "\\Device\\HarddiskVolume1\\..." on Windows), held in `buffer`;
// none when it cannot tell. One question of the system: the final path name
// also maps the volume to a drive and, under Wine, looks up every folder on the
// way again, which made a clean-up deep in the profile several times slower.
std::optional<std::wstring_view> ObjectName(HANDLE handle, ObjectNameBuffer& buffer) {
    void* into = buffer.local.data();
    ULONG size = sizeof buffer.local;
    ULONG needed = 0;
    NTSTATUS status = NtQueryObject(handle, ObjectNameInformation, into, size, &needed);
    if (status < 0 && needed > size) {
        buffer.large.resize(needed / sizeof(LONGLONG) + 1);
        into = buffer.large.data();
        size = static_cast<ULONG>(buffer.large.size() * sizeof(LONGLONG));
        status = NtQueryObject(handle, ObjectNameInformation, into, size, &needed);
    }
    if (status < 0) return std::nullopt;
    const UNICODE_STRING& name = static_cast<const OBJECT_NAME_INFORMATION*>(into)->Name;
    if (!name.Buffer || name.Length == 0) return std::nullopt;
    return std::wstring_view(name.Buffer, name.Length / sizeof(WCHAR));
}

std::wstring ObjectName(HANDLE handle) {
    ObjectNameBuffer buffer;
    const std::optional<std::wstring_view> name = ObjectName(handle, buffer);
    return name ? std::wstring(*name) : std::wstring();
}

bool EqualIgnoringCase(std::wstring_view one, std::wstring_view other) {
    return one.size() == other.size() &&
           (one.empty() || CompareStringOrdinal(one.data(), static_cast<int>(one.size()), other.data(),
                                                static_cast<int>(other.size()), TRUE) == CSTR_EQUAL);
}

// A name of one entry: no separator, and neither "." nor "..", which would
// lead out of the folder.
bool IsSingleName(const std::wstring& name) {
    return !name.empty() && name != L"." && name != L".." && name.find_first_of(L"\\/") == std::wstring::npos;
}

// "D:" and "D:\\": no folder is above a drive's root.
bool IsDriveRoot(const std::string& folder) {
    return folder.size() == 2 && folder[1] == ':' && ((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z');
}

}  // namespace

std::optional<HeldFolder> HeldFolder::Open(const std::string& path) { return Open(path, false); }

std::optional<HeldFolder> HeldFolder::OpenShared(const std::string& path) { return Open(path, true); }

std::optional<HeldFolder> HeldFolder::Open(const std::string& path, bool shared) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '\\') folder.pop_back();
    if (IsDriveRoot(folder)) {
        UniqueHandle root(CreateFileA((folder + "\\").c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                      kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        const std::optional<DWORD> attributes = root ? AttributesOf(root.get()) : std::nullopt;
        if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
        std::wstring rootName = FinalName(root.get());
        return HeldFolder(std::move(root), std::move(rootName), shared);
    }
    const size_t slash = folder.rfind('\\');
    if (slash == std::string::npos || slash + 1 == folder.size()) return std::nullopt;
    const std::string above = folder.substr(0, slash + 1);
    UniqueHandle handle(CreateFileA(above.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                    kShareAll, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::nullopt;
    std::wstring aboveName = FinalName(handle.get());
    const HeldFolder parent(std::move(handle), std::move(aboveName), shared);
    return parent.OpenFolder(WidenAnsi(folder.substr(slash + 1)));
}

std::optional<HeldFolder> HeldFolder::OpenTop(const std::string& path) {
    UniqueHandle handle(CreateFileA(path.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES, kShareAll,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return std::nullopt;
    const std::optional<DWORD> attributes = AttributesOf(handle.get());
    if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY)) return std::nullopt;
    std::wstring name = FinalName(handle.get());
    return HeldFolder(std::move(handle), std::move(name), false);
}

std::optional<HeldFolder> HeldFolder::OpenFolder(const std::wstring& name, bool create) const {
    // A link in the entry's place is never replaced by a folder, nor opened.
    if (create && IsLinkEntry(name)) return std::nullopt;
    // Unless shared, no delete sharing: while held, the folder cannot be
    // renamed or replaced.
    const ULONG disposition = create ? FILE_OPEN_IF : FILE_OPEN;
    UniqueHandle folder;
    if (!m_shared)
        folder = OpenEntry(name, kListing, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE, disposition);
    // Someone else holds it in a way that shares no deleting: its entries can
    // still go, the folder itself cannot.
    if (!folder) folder = OpenEntry(name, kListing, kShareAll, FILE_DIRECTORY_FILE, disposition);
    if (!folder) return std::nullopt;
    const std::optional<DWORD> attributes = AttributesOf(folder.get());
    if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkAttribute(*attributes) ||
        !NamesEntry(folder.get(), name))
        return std::nullopt;
    std::wstring folderName = FinalName(folder.get());
    return HeldFolder(std::move(folder), std::move(folderName), m_shared);
}

std::optional<HeldFolder> HeldFolder::OpenSecuredFolder(const std::wstring& name,
                                                        const SecurityDescriptor& security) const {
    if (!IsSingleName(name) || name.size() * sizeof(WCHAR) > 0xFFFE) {
        SetLastError(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    if (IsLinkEntry(name)) {
        SetLastError(ERROR_CANT_ACCESS_FILE);  // a link: never made, nor reached, through one
        return std::nullopt;
    }
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    OBJECT_ATTRIBUTES object;
    // The descriptor is the folder's from the moment it exists: nothing can
    // be put into it in between.
    InitializeObjectAttributes(&object, &objectName, OBJ_CASE_INSENSITIVE, m_handle.get(), security.get());
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const NTSTATUS result = NtCreateFile(
        &opened, kListing | READ_CONTROL | WRITE_DAC | WRITE_OWNER | SYNCHRONIZE, &object, &io, nullptr, 0,
        m_shared ? kShareAll : FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_OPEN_IF,
        FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT | FILE_SYNCHRONOUS_IO_NONALERT,
        nullptr, 0);
    if (result < 0) {
        SetLastError(RtlNtStatusToDosError(result));
        return std::nullopt;
    }
    UniqueHandle folder(opened);
    const std::optional<DWORD> attributes = AttributesOf(folder.get());
    if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkAttribute(*attributes) ||
        !NamesEntry(folder.get(), name))
        return std::nullopt;
    // A folder made earlier, by anyone, could have an owner who may change
    // its list back: the owner goes with the list.
    if (io.Information != FILE_CREATED && !ApplySecurity(folder.get(), security)) return std::nullopt;
    std::wstring folderName = FinalName(folder.get());
    return HeldFolder(std::move(folder), std::move(folderName), m_shared);
}

bool HeldFolder::List(std::vector<HeldEntry>& entries) const {
    // FILE_FULL_DIR_INFO entries are aligned to 8 bytes within the buffer.
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG));
    const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(LONGLONG));
    bool first = true;
    for (;;) {
        if (!GetFileInformationByHandleEx(m_handle.get(), first ? FileFullDirectoryRestartInfo : FileFullDirectoryInfo,
                                          buffer.data(), bytes))
            return GetLastError() == ERROR_NO_MORE_FILES;
        first = false;
        const char* at = reinterpret_cast<const char*>(buffer.data());
        for (;;) {
            const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(at);
            std::wstring name(info->FileName, info->FileNameLength / sizeof(WCHAR));
            if (name != L"." && name != L"..")
                entries.push_back({std::move(name), info->FileAttributes, info->EndOfFile.QuadPart});
            if (info->NextEntryOffset == 0) break;
            at += info->NextEntryOffset;
        }
    }
}

bool HeldFolder::DeleteEntry(const std::wstring& name, bool onlyALink) const {
    // Most entries are files. Opened as no folder, the handle holds a file or a
    // link itself, either of which may go, and its name alone tells whether
    // it was reached through a link: no attributes to ask. Not marked for
    // deletion as it opens: under Wine a handle reached through a link deletes
    // what the link points to.
    UniqueHandle entry;
    if (!onlyALink && !m_objectName.empty()) entry = OpenEntry(name, DELETE, kShareAll, FILE_NON_DIRECTORY_FILE);
    if (entry) {
        if (!NamesEntry(entry.get(), name)) return false;
    } else {
        entry = OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, 0);
        if (!entry) return false;
        const std::optional<DWORD> attributes = AttributesOf(entry.get());
        if (!attributes || !NamesEntry(entry.get(), name)) return false;
        // The handle holds the link itself when it shows the reparse attribute.
        const bool link = IsLinkAttribute(*attributes);
        if (onlyALink ? !link : (!link && (*attributes & FILE_ATTRIBUTE_DIRECTORY))) return false;
    }
    FILE_DISPOSITION_INFO disposition{TRUE};
    return SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool HeldFolder::IsLinkEntry(const std::wstring& name) const {
    const UniqueHandle entry = OpenEntry(name, FILE_READ_ATTRIBUTES, kShareAll, 0);
    if (!entry) return false;
    const std::optional<DWORD> attributes = AttributesOf(entry.get());
    return !attributes || IsLinkAttribute(*attributes) || !NamesEntry(entry.get(), name);
}

bool HeldFolder::RenameFile(const std::wstring& name, const std::wstring& newName) const {
    if (!IsSingleName(newName)) return false;
    const UniqueHandle file = OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES, kShareAll, FILE_NON_DIRECTORY_FILE);
    if (!file || !IsPlainFile(file.get(), name)) return false;
    // The new name is relative to this folder's handle: the file stays in it.
    // SetFileInformationByHandle would resolve a relative name against the
    // current folder first; the native call takes it as it is.
    std::vector<LONGLONG> buffer((sizeof(RenameInformation) + newName.size() * sizeof(WCHAR)) / sizeof(LONGLONG) + 1);
    auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = m_handle.get();
    rename->FileNameLength = static_cast<ULONG>(newName.size() * sizeof(WCHAR));
    std::copy(newName.begin(), newName.end(), rename->FileName);
    IO_STATUS_BLOCK io{};
    return NtSetInformationFile(file.get(), &io, rename, static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                                kFileRenameInformation) >= 0;
}

UniqueHandle HeldFolder::OpenFileExclusively(const std::wstring& name, bool forReading, bool* denied) const {
    NTSTATUS status = 0;
    const ACCESS_MASK access = GENERIC_WRITE | FILE_READ_ATTRIBUTES | (forReading ? GENERIC_READ : 0);
    UniqueHandle file = OpenEntry(name, access, 0, FILE_NON_DIRECTORY_FILE, FILE_OPEN, &status);
    if (denied) *denied = status == static_cast<NTSTATUS>(0xC0000022L);  // STATUS_ACCESS_DENIED
    if (!file || !IsPlainFile(file.get(), name)) return UniqueHandle();
    return file;
}

UniqueHandle HeldFolder::OpenFileForReading(const std::wstring& name, bool* busy) const {
    NTSTATUS status = 0;
    UniqueHandle file = OpenEntry(name, GENERIC_READ, FILE_SHARE_READ, FILE_NON_DIRECTORY_FILE, FILE_OPEN, &status);
    if (busy) *busy = status == static_cast<NTSTATUS>(0xC0000043L);  // STATUS_SHARING_VIOLATION
    if (!file || !IsPlainFile(file.get(), name)) return UniqueHandle();
    return file;
}

bool HeldFolder::IsPlainFile(HANDLE entry, const std::wstring& name) const {
    const std::optional<DWORD> attributes = AttributesOf(entry);
    return attributes && !IsLinkAttribute(*attributes) && !(*attributes & FILE_ATTRIBUTE_DIRECTORY) &&
           NamesEntry(entry, name);
}

bool HeldFolder::DeleteItself() {
    FILE_DISPOSITION_INFO disposition{TRUE};
    // A folder whose name the platform cannot tell has no folder above to
    // check; its own handle deletes it only if it was opened with that right.
    const size_t slash = m_name.rfind(L'\\');
    if (slash == std::wstring::npos || slash + 1 == m_name.size())
        return SetFileInformationByHandle(m_handle.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
    const std::wstring name = m_name.substr(slash + 1);
    UniqueHandle aboveHandle(CreateFileW(m_name.substr(0, slash + 1).c_str(), kListing, kShareAll, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!aboveHandle) return false;
    std::wstring aboveName = FinalName(aboveHandle.get());
    const HeldFolder above(std::move(aboveHandle), std::move(aboveName), true);
    // Nobody can rename a held folder: an entry of its name that is the same
    // folder shows the folder above to be its own, whatever path led there.
    if (!IsSameObject(above.OpenEntry(name, FILE_READ_ATTRIBUTES, kShareAll, FILE_DIRECTORY_FILE).get(), m_handle.get()))
        return false;
    // Opened for deleting only once this handle, which shares no deleting, is closed.
    m_handle.reset();
    m_handle = above.OpenEntry(name, DELETE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_DIRECTORY_FILE);
    const std::optional<DWORD> attributes = m_handle ? AttributesOf(m_handle.get()) : std::nullopt;
    if (!attributes || !(*attributes & FILE_ATTRIBUTE_DIRECTORY) || IsLinkAttribute(*attributes) ||
        !above.NamesEntry(m_handle.get(), name))
        return false;
    return SetFileInformationByHandle(m_handle.get(), FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

UniqueHandle HeldFolder::CreateNewFile(const std::wstring& name, bool deleteOnClose) const {
    if (!IsSingleName(name) || name.size() * sizeof(WCHAR) > 0xFFFE) {
        SetLastError(ERROR_INVALID_NAME);
        return UniqueHandle();
    }
    // FILE_CREATE fails on any existing entry, a link among them, so nothing
    // is written through a link.
    NTSTATUS result = 0;
    UniqueHandle created = OpenEntry(name, GENERIC_WRITE | DELETE, 0,
                                     FILE_NON_DIRECTORY_FILE | (deleteOnClose ? FILE_DELETE_ON_CLOSE : 0), FILE_CREATE,
                                     &result);
    // A file pending deletion still holds its name, which the system reports as access denied.
    if (!created) SetLastError(result == kStatusDeletePending ? ERROR_FILE_EXISTS : RtlNtStatusToDosError(result));
    return created;
}

bool HeldFolder::MoveInto(HANDLE file, const std::wstring& name) const {
    if (!IsSingleName(name) || name.size() * sizeof(WCHAR) > 0xFFFE) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const size_t nameBytes = name.size() * sizeof(WCHAR);
    std::vector<LONGLONG> buffer((offsetof(FILE_RENAME_INFORMATION, FileName) + nameBytes) / sizeof(LONGLONG) + 1);
    auto* rename = reinterpret_cast<FILE_RENAME_INFORMATION*>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = m_handle.get();
    rename->FileNameLength = static_cast<ULONG>(nameBytes);
    memcpy(rename->FileName, name.data(), nameBytes);
    // Straight to the system call, which takes the name relative to the root
    // handle as it is; the kernel32 wrapper may first turn a bare name into a
    // full path.
    IO_STATUS_BLOCK status{};
    const NTSTATUS result = NtSetInformationFile(file, &status, rename, static_cast<ULONG>(buffer.size() * sizeof(LONGLONG)),
                                                 FileRenameInformation);
    if (result < 0) {
        SetLastError(RtlNtStatusToDosError(result));
        return false;
    }
    return true;
}

std::optional<HeldFolder::Space> HeldFolder::VolumeSpace() const {
    FILE_FS_FULL_SIZE_INFORMATION info{};
    IO_STATUS_BLOCK status{};
    if (NtQueryVolumeInformationFile(m_handle.get(), &status, &info, sizeof info, FileFsFullSizeInformation) < 0)
        return std::nullopt;
    const uint64_t unit = uint64_t{info.SectorsPerAllocationUnit} * info.BytesPerSector;
    return Space{static_cast<uint64_t>(info.CallerAvailableAllocationUnits.QuadPart) * unit, unit};
}

std::string HeldFolder::FileSystem() const {
    WCHAR name[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(m_handle.get(), nullptr, 0, nullptr, nullptr, nullptr, name, MAX_PATH + 1))
        return {};
    return NarrowToAnsi(name);
}

UniqueHandle HeldFolder::OpenEntry(const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG options,
                                   ULONG disposition, NTSTATUS* status) const {
    if (!IsSingleName(name) || name.size() * sizeof(WCHAR) > 0xFFFE) return UniqueHandle();
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(name.c_str());
    objectName.Length = objectName.MaximumLength = static_cast<USHORT>(name.size() * sizeof(WCHAR));
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &objectName, OBJ_CASE_INSENSITIVE, m_handle.get(), nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    // Relative to the held handle, so no path is resolved again; the last part
    // is opened as it is, a link as the link.
    const NTSTATUS result = NtCreateFile(&opened, access | SYNCHRONIZE, &object, &io, nullptr, 0, share, disposition,
                                         options | FILE_OPEN_REPARSE_POINT | FILE_OPEN_FOR_BACKUP_INTENT |
                                             FILE_SYNCHRONOUS_IO_NONALERT,
                                         nullptr, 0);
    if (status) *status = result;
    return UniqueHandle(result >= 0 ? opened : nullptr);
}

bool HeldFolder::NamesEntry(HANDLE entry, const std::wstring& name) const {
    // Without a name of its own the folder cannot be compared with; the
    // attributes alone decide, as they do wherever links open as themselves.
    if (m_objectName.empty()) return true;
    ObjectNameBuffer buffer;
    const std::optional<std::wstring_view> actual = ObjectName(entry, buffer);
    if (!actual) return false;
    // The folder's own name, a separator unless it ends with one (a drive's
    // root), and the entry's.
    const std::wstring_view folder = m_objectName;
    const size_t separator = folder.back() == L'\\' ? 0 : 1;
    if (actual->size() != folder.size() + separator + name.size()) return false;
    return EqualIgnoringCase(actual->substr(0, folder.size()), folder) &&
           (separator == 0 || (*actual)[folder.size()] == L'\\') &&
           EqualIgnoringCase(actual->substr(folder.size() + separator), name);
}

HeldFolder::HeldFolder(UniqueHandle handle, std::wstring name, bool shared)
    : m_handle(std::move(handle)), m_name(std::move(name)), m_objectName(ObjectName(m_handle.get())),
      m_shared(shared) {}

std::wstring WidenAnsi(const std::string& text) {
    if (text.empty()) return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
}

std::string NarrowToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), narrow.data(), size, nullptr, nullptr);
    return narrow;
}

}  // namespace win
