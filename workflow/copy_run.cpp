#include "workflow/copy_run.h"

#include <utility>

namespace workflow {

void CopyRun::Start(std::vector<int> photos, std::vector<int> files) {
    *this = CopyRun{};
    photos_ = std::move(photos);
    files_ = std::move(files);
}

std::optional<CopyEntry> CopyRun::Current() const {
    const int photos = static_cast<int>(photos_.size());
    if (cursor_ < photos) return CopyEntry{true, photos_[static_cast<size_t>(cursor_)]};
    if (cursor_ < Total()) return CopyEntry{false, files_[static_cast<size_t>(cursor_ - photos)]};
    return std::nullopt;
}

void CopyRun::Record(bool copied) {
    if (const std::optional<CopyEntry> entry = Current()) {
        auto& outcome = copied ? (entry->photo ? copiedPhotos_ : copiedFiles_)
                               : (entry->photo ? failedPhotos_ : failedFiles_);
        outcome.push_back(entry->item);
    }
    ++cursor_;
}

}  // namespace workflow
