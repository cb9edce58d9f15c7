#include "workflow/recovery_copy.h"

#include <windows.h>

#include <utility>
#include <vector>

#include "win/handles.h"
#include "workflow/copy_names.h"
#include "workflow/folder_tree.h"
#include "workflow/scan_results.h"

namespace workflow {

namespace {

// The whole of `from` into `to`, with its time of last change, as CopyFile
// copies; a copy that fails half way is deleted again.
bool CopyContents(HANDLE from, HANDLE to) {
    std::vector<char> buffer(1 << 20);
    bool copied = true;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
            copied = false;
            break;
        }
        if (read == 0) break;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), read, &written, nullptr) || written != read) {
            copied = false;
            break;
        }
    }
    FILETIME changed{};
    if (copied && GetFileTime(from, nullptr, nullptr, &changed)) SetFileTime(to, nullptr, nullptr, &changed);
    if (!copied) {
        FILE_DISPOSITION_INFO disposition{TRUE};
        SetFileInformationByHandle(to, FileDispositionInfo, &disposition, sizeof disposition);
    }
    return copied;
}

}  // namespace

RecoveryCopy::RecoveryCopy(Report& report, PathTest mayDelete, PathTest nameTaken)
    : m_report(report), m_mayDelete(std::move(mayDelete)), m_nameTaken(nameTaken ? std::move(nameTaken) : PathExists) {}

void RecoveryCopy::Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, std::string outputFolder,
                         std::string dataFolder) {
    m_photos = std::move(photos);
    m_files = std::move(files);
    m_folder = std::move(outputFolder);
    m_dataFolder = std::move(dataFolder);
    m_cursor = 0;
    m_outcome = {};
    m_running = true;
}

void RecoveryCopy::Step() {
    if (!m_running) return;
    if (m_cursor >= Total()) {
        m_running = false;
        m_report.OnCopyFinished(m_outcome, FailureReport());
        return;
    }
    const int photoCount = static_cast<int>(m_photos.size());
    const bool photo = m_cursor < photoCount;
    const CopyEntry& entry = photo ? m_photos[static_cast<size_t>(m_cursor)]
                                   : m_files[static_cast<size_t>(m_cursor - photoCount)];

    // A file that has gone cannot be recovered any more; it is not counted.
    if (!PathExists(entry.source)) {
        ++m_cursor;
        return;
    }
    // Only the last level is made: a missing parent means the folder is not what the user chose.
    if (!PathExists(m_folder) && !CreateDirectoryA(m_folder.c_str(), nullptr)) {
        m_running = false;
        m_report.OnCopyStopped("Output directory \"" + m_folder + "\" does not exists.", m_outcome);
        return;
    }
    Record(photo, entry.item, CopyOneFile(entry.source));
    m_report.OnCopyProgress(m_cursor, Total());
}

// Copies under the file's own name, or the next free "name (n).ext"; never
// over an existing file. A destination too long for the system fails rather
// than being shortened into another name. The source is read from the handle
// that was checked to be no link, so nothing can be swapped in between.
bool RecoveryCopy::CopyOneFile(const std::string& source) const {
    const win::UniqueHandle from = OpenFileBelow(m_dataFolder, source);
    if (!from) return false;
    const std::string name = FileNameOf(source);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string destination = NextFreeDestination(m_folder, name, m_nameTaken);
        if (destination.size() >= MAX_PATH) return false;
        win::UniqueHandle to(CreateFileA(destination.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        if (to) return CopyContents(from.get(), to.get());
        // A file of that name appeared since it was found free: take the next free name.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

void RecoveryCopy::Record(bool photo, int item, bool copied) {
    auto& items = copied ? (photo ? m_outcome.copiedPhotos : m_outcome.copiedFiles)
                         : (photo ? m_outcome.failedPhotos : m_outcome.failedFiles);
    items.push_back(item);
    ++m_cursor;
}

std::string RecoveryCopy::FailureReport() const {
    const int failed = m_outcome.FailedCount();
    if (failed == 0) return {};
    return std::to_string(failed) + (failed == 1 ? " file" : " files") + " could not be copied to \"" + m_folder +
           "\".\n\nThe found files are kept and those not copied stay ticked. Free some space "
           "or choose another folder, then press 'Recover' again.";
}

void RecoveryCopy::CleanUpFoundFiles(const std::string& dataFolder) const {
    RemoveTree(dataFolder, true, m_mayDelete);
}

}  // namespace workflow
