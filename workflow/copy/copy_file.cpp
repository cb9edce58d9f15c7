#include "workflow/copy/copy_file.h"

#include "workflow/files/copy_names.h"

namespace workflow {

namespace {

// Partial names tried before a copy counts as failed.
constexpr int kNamingAttempts = 100;
// Numbers tried for a copy's name: a folder may hold the copies of many
// earlier recoveries of the same files.
constexpr int kLastNumber = 10000;

constexpr char kPartialSuffix[] = ".partial";

bool SetDeletePending(HANDLE file, bool pending) {
    FILE_DISPOSITION_INFO disposition{pending ? TRUE : FALSE};
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != FALSE;
}

bool IsNameTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

}  // namespace

bool IsDiskFull(DWORD error) { return error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL; }

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

CopyStep WritePartialCopy(HANDLE from, const win::HeldFolder& folder, const std::string& name, std::span<char> buffer,
                          std::stop_token stop, win::UniqueHandle& partial) {
    for (int attempt = 1; !partial && attempt <= kNamingAttempts; ++attempt) {
        const std::string partialName =
            name + (attempt == 1 ? std::string() : "." + std::to_string(attempt)) + kPartialSuffix;
        partial = folder.CreateNewFile(win::WidenAnsi(partialName));
        if (!partial && !IsNameTaken(GetLastError())) return IsDiskFull(GetLastError()) ? CopyStep::DiskFull : CopyStep::Failed;
    }
    if (!partial) return CopyStep::Failed;
    // Pending from the start: a copy that is never named goes when its handle
    // closes, also when the process ends without closing it.
    SetDeletePending(partial.get(), true);
    for (;;) {
        if (stop.stop_requested()) return CopyStep::Stopped;
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return CopyStep::Failed;
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(partial.get(), buffer.data(), read, &written, nullptr) || written != read)
            return IsDiskFull(GetLastError()) ? CopyStep::DiskFull : CopyStep::Failed;
    }
    FILETIME changed{};
    if (GetFileTime(from, nullptr, nullptr, &changed)) SetFileTime(partial.get(), nullptr, nullptr, &changed);
    return CopyStep::Done;
}

CopyStep NameCopy(HANDLE partial, const win::HeldFolder& folder, const std::string& folderPath, const std::string& name,
                  const std::function<bool(const std::string&)>& nameTaken, std::stop_token stop) {
    for (int number = 1; number <= kLastNumber; ++number) {
        const std::string candidate = NumberedName(name, number);
        const std::string path = JoinPath(folderPath, candidate);
        if (path.size() >= MAX_PATH) return CopyStep::Failed;
        if (nameTaken && nameTaken(path)) continue;
        if (stop.stop_requested()) return CopyStep::Stopped;
        // A file pending deletion cannot be renamed; if naming fails, it is made pending again.
        if (!SetDeletePending(partial, false)) return CopyStep::Failed;
        if (folder.MoveInto(partial, win::WidenAnsi(candidate))) return CopyStep::Done;
        const DWORD error = GetLastError();
        SetDeletePending(partial, true);
        if (!IsNameTaken(error)) return IsDiskFull(error) ? CopyStep::DiskFull : CopyStep::Failed;
    }
    return CopyStep::Failed;
}

}  // namespace workflow
