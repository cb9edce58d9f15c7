#pragma once
// One recovery copy: the entries ticked when it started (photos first, then
// files, each group in list order), how far it has got, and what became of
// each entry. Owned by the window, apart from the scan pass.
#include <optional>
#include <vector>

namespace workflow {

struct CopyEntry {
    bool photo;  // an entry of the photo list, else of the file list
    int item;    // its index in that list
};

class CopyRun {
public:
    void Start(std::vector<int> photos, std::vector<int> files);
    int Total() const { return static_cast<int>(photos_.size() + files_.size()); }
    int Position() const { return cursor_; }
    bool Finished() const { return cursor_ >= Total(); }
    // The entry in hand; none once every entry has had its turn.
    std::optional<CopyEntry> Current() const;
    // The entry in hand is gone from the data folder: neither copied nor failed.
    void Skip() { ++cursor_; }
    // The entry in hand was copied, or its copy failed.
    void Record(bool copied);

    int CopiedCount() const { return static_cast<int>(copiedPhotos_.size() + copiedFiles_.size()); }
    const std::vector<int>& CopiedItems(bool photos) const { return photos ? copiedPhotos_ : copiedFiles_; }
    const std::vector<int>& FailedItems(bool photos) const { return photos ? failedPhotos_ : failedFiles_; }
    bool AnyFailed() const { return !failedPhotos_.empty() || !failedFiles_.empty(); }

private:
    std::vector<int> photos_, files_;
    int cursor_ = 0;
    std::vector<int> copiedPhotos_, copiedFiles_;
    std::vector<int> failedPhotos_, failedFiles_;
};

}  // namespace workflow
