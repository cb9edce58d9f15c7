#include "workflow/recovery_copy.h"

#include <windows.h>

#include <utility>

#include "workflow/copy_names.h"
#include "workflow/folder_tree.h"
#include "workflow/scan_results.h"

namespace workflow {

RecoveryCopy::RecoveryCopy(Report& report, PathTest mayDelete, PathTest nameTaken)
    : m_report(report), m_mayDelete(std::move(mayDelete)), m_nameTaken(nameTaken ? std::move(nameTaken) : PathExists) {}

void RecoveryCopy::Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, std::string outputFolder) {
    m_photos = std::move(photos);
    m_files = std::move(files);
    m_folder = std::move(outputFolder);
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
// than being shortened into another name.
bool RecoveryCopy::CopyOneFile(const std::string& source) const {
    const std::string name = FileNameOf(source);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string destination = NextFreeDestination(m_folder, name, m_nameTaken);
        if (destination.size() >= MAX_PATH) return false;
        if (CopyFileA(source.c_str(), destination.c_str(), TRUE)) return true;
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
