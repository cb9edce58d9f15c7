#include "workflow/recovery_copy.h"

#include <windows.h>

#include <utility>

#include "workflow/copy_names.h"
#include "workflow/folder_tree.h"
#include "workflow/scan_results.h"

namespace workflow {

RecoveryCopy::RecoveryCopy(Report& report, PathTest mayDelete, PathTest nameTaken)
    : report_(report), mayDelete_(std::move(mayDelete)), nameTaken_(nameTaken ? std::move(nameTaken) : PathExists) {}

void RecoveryCopy::Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, std::string outputFolder) {
    photos_ = std::move(photos);
    files_ = std::move(files);
    folder_ = std::move(outputFolder);
    cursor_ = 0;
    outcome_ = {};
    running_ = true;
}

void RecoveryCopy::Step() {
    if (!running_) return;
    if (cursor_ >= Total()) {
        running_ = false;
        report_.OnCopyFinished(outcome_, FailureReport());
        return;
    }
    const int photoCount = static_cast<int>(photos_.size());
    const bool photo = cursor_ < photoCount;
    const CopyEntry& entry = photo ? photos_[static_cast<size_t>(cursor_)]
                                   : files_[static_cast<size_t>(cursor_ - photoCount)];

    // A file that has gone cannot be recovered any more; it is not counted.
    if (!PathExists(entry.source)) {
        ++cursor_;
        return;
    }
    // Only the last level is made: a missing parent means the folder is not what the user chose.
    if (!PathExists(folder_) && !CreateDirectoryA(folder_.c_str(), nullptr)) {
        running_ = false;
        report_.OnCopyStopped("Output directory \"" + folder_ + "\" does not exists.", outcome_);
        return;
    }
    Record(photo, entry.item, CopyOneFile(entry.source));
    report_.OnCopyProgress(cursor_, Total());
}

// Copies under the file's own name, or the next free "name (n).ext"; never
// over an existing file. A destination too long for the system fails rather
// than being shortened into another name.
bool RecoveryCopy::CopyOneFile(const std::string& source) const {
    const std::string name = FileNameOf(source);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string destination = NextFreeDestination(folder_, name, nameTaken_);
        if (destination.size() >= MAX_PATH) return false;
        if (CopyFileA(source.c_str(), destination.c_str(), TRUE)) return true;
        // A file of that name appeared since it was found free: take the next free name.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

void RecoveryCopy::Record(bool photo, int item, bool copied) {
    auto& items = copied ? (photo ? outcome_.copiedPhotos : outcome_.copiedFiles)
                         : (photo ? outcome_.failedPhotos : outcome_.failedFiles);
    items.push_back(item);
    ++cursor_;
}

std::string RecoveryCopy::FailureReport() const {
    const int failed = outcome_.FailedCount();
    if (failed == 0) return {};
    return std::to_string(failed) + (failed == 1 ? " file" : " files") + " could not be copied to \"" + folder_ +
           "\".\n\nThe found files are kept and those not copied stay ticked. Free some space "
           "or choose another folder, then press 'Recover' again.";
}

void RecoveryCopy::CleanUpFoundFiles(const std::string& dataFolder) const {
    RemoveTree(dataFolder, true, mayDelete_);
}

}  // namespace workflow
