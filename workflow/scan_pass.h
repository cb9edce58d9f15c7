#pragma once
// One pass of the scan monitor over the files a poll of the data folder found,
// and the record of every file already listed. The window owns one; the
// recovery copy keeps its own state, so neither can disturb the other.
#include <string>
#include <unordered_set>
#include <vector>

namespace workflow {

class ScanPass {
public:
    // A pass over the found paths not listed yet; false when none is left.
    // `engineRunning`: the engine was running at the poll, so another poll follows.
    bool Start(std::vector<std::string> found, bool engineRunning, int photoCount);
    bool Ended() const { return cursor_ >= total_; }
    // The path to examine next, or null once the pass has run past its paths.
    const std::string* Next() const;
    // The path in hand was examined and not listed.
    void Skip() { ++cursor_; }
    // The path in hand could not be read: only the last pass keeps it for a report.
    void SkipUnreadable();
    // The path in hand became a list entry.
    void Listed(const std::string& path, bool photo);
    void EndNow() { cursor_ = total_; }

    // Another poll follows this pass: the engine was running when it began.
    bool KeepPolling() const { return keepPolling_; }
    // The position of the next photo entry and of its thumbnail.
    int PhotoCount() const { return photoCount_; }
    bool IsListed(const std::string& path) const { return path.empty() || listed_.count(path) != 0; }
    // Paths the last pass could not read, handed over once.
    std::vector<std::string> TakeUnreadable();
    // The lists were emptied: nothing is listed any more.
    void ForgetListed();

private:
    std::vector<std::string> paths_;
    int cursor_ = 0;
    int total_ = 0;
    int photoCount_ = 0;
    bool keepPolling_ = false;
    std::unordered_set<std::string> listed_;
    std::vector<std::string> unreadable_;
};

}  // namespace workflow
