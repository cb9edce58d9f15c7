#include "workflow/scan_pass.h"

#include <utility>

namespace workflow {

bool ScanPass::Start(std::vector<std::string> found, bool engineRunning, int photoCount) {
    // Files listed by an earlier pass are dropped here rather than one per tick,
    // so a pass spends its ticks on new files only, however many were found.
    std::erase_if(found, [this](const std::string& path) { return IsListed(path); });
    if (found.empty()) return false;
    paths_ = std::move(found);
    cursor_ = 0;
    total_ = static_cast<int>(paths_.size());
    photoCount_ = photoCount;
    keepPolling_ = engineRunning;
    unreadable_.clear();
    return true;
}

const std::string* ScanPass::Next() const {
    return cursor_ < static_cast<int>(paths_.size()) ? &paths_[static_cast<size_t>(cursor_)] : nullptr;
}

void ScanPass::SkipUnreadable() {
    // Earlier passes leave it to a later one: the engine may still hold it.
    if (!keepPolling_ && Next()) unreadable_.push_back(*Next());
    ++cursor_;
}

void ScanPass::Listed(const std::string& path, bool photo) {
    listed_.insert(path);
    if (photo) ++photoCount_;
    ++cursor_;
}

std::vector<std::string> ScanPass::TakeUnreadable() { return std::exchange(unreadable_, {}); }

void ScanPass::ForgetListed() {
    listed_.clear();
    unreadable_.clear();
}

}  // namespace workflow
