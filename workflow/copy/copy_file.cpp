#include "workflow/copy/copy_file.h"

#include <vector>

#include "workflow/files/copy_names.h"
#include "workflow/found/file_name_rules.h"

namespace workflow {

namespace {

// Partial names tried before a copy counts as failed.
constexpr int kNamingAttempts = 100;

// FileDispositionInfoEx and its flags, which the headers show only to
// programs that need a later Windows than ours.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);
constexpr DWORD kDispositionDelete = 0x1;
constexpr DWORD kDispositionOnClose = 0x8;

// Delete-on-close set or taken back. Windows 10 takes it back; older
// Windows and Wine refuse the call, and the plain disposition cannot undo it.
bool SetDeleteOnClose(HANDLE file, bool on) {
    DWORD flags = kDispositionOnClose | (on ? kDispositionDelete : 0);
    return SetFileInformationByHandle(file, kFileDispositionInfoEx, &flags, sizeof flags) != FALSE;
}

bool SetDeletePending(HANDLE file, bool pending) {
    FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(pending)};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool IsNameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

}  // namespace

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

CopyStep StepForError(DWORD error) {
    if (IsDiskFull(error)) return CopyStep::DiskFull;
    if (error == ERROR_WRITE_PROTECT || error == ERROR_ACCESS_DENIED) return CopyStep::WriteProtected;
    if (error == ERROR_FILENAME_EXCED_RANGE) return CopyStep::NameTooLong;
    return CopyStep::Failed;
}

win::UniqueHandle SourceFolders::Open(const std::string& path) {
    const size_t slash = path.rfind('\\');
    if (slash == std::string::npos || slash < m_dataFolder.size() || path.compare(0, m_dataFolder.size(), m_dataFolder) != 0 ||
        path[m_dataFolder.size()] != '\\')
        return win::UniqueHandle();
    const std::string folder = path.substr(0, slash);
    if (folder != m_heldPath || !m_held) {
        m_heldPath = folder;
        // Shared: the window still walks the data folder, to count what
        // closing would delete.
        m_held = win::HeldFolder::OpenShared(m_dataFolder);
        for (size_t start = m_dataFolder.size() + 1; m_held && start <= folder.size();) {
            const size_t end = std::min(folder.find('\\', start), folder.size());
            m_held = m_held->OpenFolder(win::WidenAnsi(folder.substr(start, end - start)));
            start = end + 1;
        }
    }
    if (!m_held) return win::UniqueHandle();
    return m_held->OpenFileForReading(win::WidenAnsi(path.substr(slash + 1)));
}

void PartialCopies::RemoveLeftovers() const {
    std::vector<win::HeldEntry> entries;
    if (!m_folder.List(entries)) return;
    for (const win::HeldEntry& entry : entries) {
        if (entry.attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
        if (IsPartialName(win::NarrowToAnsi(entry.name))) m_folder.DeleteEntry(entry.name);
    }
}

// One file made with the mark, the mark taken back and the handle closed:
// the file is still there only if the volume really took it back. A volume
// that accepted the call and deleted the file anyway would delete every named
// copy.
bool PartialCopies::KeepsFilesUnmarked() const {
    const std::wstring check = win::WidenAnsi(PartialName("delete-on-close-check", 1));
    win::UniqueHandle file = m_folder.CreateNewFile(check, true);
    if (!file) return false;
    const bool unmarked = SetDeleteOnClose(file.get(), false);
    file.reset();
    return unmarked && m_folder.DeleteEntry(check);
}

win::UniqueHandle PartialCopies::Create(const std::wstring& name) {
    if (m_mark == Mark::Unknown) m_mark = KeepsFilesUnmarked() ? Mark::OnClose : Mark::Pending;
    win::UniqueHandle file = m_folder.CreateNewFile(name, m_mark == Mark::OnClose);
    if (file && m_mark == Mark::Pending) SetDeletePending(file.get(), true);
    return file;
}

// A file pending deletion cannot be renamed.
bool PartialCopies::Unmark(HANDLE partial) const {
    return m_mark == Mark::OnClose ? SetDeleteOnClose(partial, false) : SetDeletePending(partial, false);
}

void PartialCopies::Remark(HANDLE partial) const {
    if (m_mark != Mark::OnClose || !SetDeleteOnClose(partial, true)) SetDeletePending(partial, true);
}

win::UniqueHandle PartialCopies::Begin(const std::string& name, CopyStep& failed) {
    win::UniqueHandle partial;
    for (int attempt = 1; !partial && attempt <= kNamingAttempts; ++attempt) {
        partial = Create(win::WidenAnsi(PartialName(name, attempt)));
        if (!partial && !IsNameTaken(GetLastError())) {
            failed = StepForError(GetLastError());
            return partial;
        }
    }
    failed = CopyStep::Failed;
    return partial;
}

CopyStep PartialCopies::Write(HANDLE from, const std::string& name, std::span<char> buffer, std::stop_token stop,
                              win::UniqueHandle& partial, imaging::Sha256* hash, uint64_t* bytes) {
    if (!FitsPathLimit(JoinPath(m_folderPath, name))) return CopyStep::NameTooLong;
    CopyStep failed = CopyStep::Failed;
    if (!partial) partial = Begin(name, failed);
    if (!partial) return failed;
    for (;;) {
        if (stop.stop_requested()) return CopyStep::Stopped;
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return CopyStep::ReadFailed;
        if (read == 0) break;
        if (hash) hash->Add(std::span(reinterpret_cast<const uint8_t*>(buffer.data()), read));
        if (bytes) *bytes += read;
        DWORD written = 0;
        if (!WriteFile(partial.get(), buffer.data(), read, &written, nullptr) || written != read)
            return StepForError(GetLastError());
    }
    FILETIME changed{};
    if (GetFileTime(from, nullptr, nullptr, &changed)) SetFileTime(partial.get(), nullptr, nullptr, &changed);
    return CopyStep::Done;
}

CopyStep PartialCopies::Name(HANDLE partial, const std::string& name,
                             const std::function<bool(const std::string&)>& nameTaken, std::stop_token stop,
                             std::string* given) {
    CopyStep step = CopyStep::Done;
    bool refused = false;
    const size_t most = MostNameChars(m_folderPath, 0);
    // "Taken" goes on to the next number; a name given or refused ends the search.
    const std::optional<std::string> named = FirstFreeName(name, most, [&](const std::string& candidate) {
        if (nameTaken && nameTaken(JoinPath(m_folderPath, candidate))) return true;
        if (stop.stop_requested()) {
            step = CopyStep::Stopped;
        } else if (!Unmark(partial)) {
            step = CopyStep::Failed;
        } else if (m_folder.MoveInto(partial, win::WidenAnsi(candidate))) {
            return false;
        } else {
            const DWORD error = GetLastError();
            Remark(partial);
            if (IsNameTaken(error)) return true;
            step = StepForError(error);
        }
        refused = true;
        return false;
    });
    if (!named) return FitName(name, most) ? CopyStep::Failed : CopyStep::NameTooLong;
    if (refused) return step;
    if (given) *given = *named;
    return CopyStep::Done;
}

}  // namespace workflow
