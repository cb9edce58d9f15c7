#pragma once
// One recovery copy: the ticked entries of the two result lists with the paths
// they named when it started, photos first, then files, each group in list
// order; one entry copied per step into the output folder; and what became of
// each entry. It knows no window: it is given plain values and tells its
// owner what happened through Report.
//
// A copy never replaces a file of the output folder, never reads through a
// link, and only files actually copied count as recovered.
#include <functional>
#include <string>
#include <vector>

namespace workflow {

// One ticked entry: its index in its list and the found file it names.
struct CopyEntry {
    int item;
    std::string source;
};

// What became of the entries that had their turn, as item indexes per list.
struct CopyOutcome {
    std::vector<int> copiedPhotos, copiedFiles;
    std::vector<int> failedPhotos, failedFiles;

    int CopiedCount() const { return static_cast<int>(copiedPhotos.size() + copiedFiles.size()); }
    int FailedCount() const { return static_cast<int>(failedPhotos.size() + failedFiles.size()); }
};

class RecoveryCopy {
public:
    using PathTest = std::function<bool(const std::string&)>;

    // How a copy tells its owner what happened; each call comes from inside Step.
    class Report {
    public:
        // After each entry copied or failed; a vanished source is not reported.
        virtual void OnCopyProgress(int position, int total) = 0;
        // The output folder was missing and could not be made: the copy has stopped there.
        virtual void OnCopyStopped(const std::string& message, const CopyOutcome& soFar) = 0;
        // Every entry has had its turn. `failureReport` is empty when nothing failed.
        virtual void OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) = 0;

    protected:
        ~Report() = default;
    };

    // `mayDelete` says which found files the clean-up after a copy may delete;
    // `nameTaken` whether a destination path is in use (PathExists when not given).
    RecoveryCopy(Report& report, PathTest mayDelete, PathTest nameTaken = {});

    // Every source lies below `dataFolder`; each is read through handles of
    // the folders on its way from there, and one that is a link, or lies
    // below one, is not copied.
    void Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, std::string outputFolder,
               std::string dataFolder);
    // Copies the entry in hand, or, once every entry has had its turn, finishes.
    void Step();
    bool Running() const { return m_running; }
    int Total() const { return static_cast<int>(m_photos.size() + m_files.size()); }
    const std::string& OutputFolder() const { return m_folder; }
    // What became of the entries that had their turn so far.
    const CopyOutcome& SoFar() const { return m_outcome; }

    // Deletes the data folder with the found files that may go; any other file
    // stays, and with it its folders.
    void CleanUpFoundFiles(const std::string& dataFolder) const;

private:
    bool CopyOneFile(const std::string& source) const;
    void Record(bool photo, int item, bool copied);
    std::string FailureReport() const;

    Report& m_report;
    PathTest m_mayDelete;
    PathTest m_nameTaken;
    std::vector<CopyEntry> m_photos, m_files;
    std::string m_folder;
    std::string m_dataFolder;
    int m_cursor = 0;
    bool m_running = false;
    CopyOutcome m_outcome;
};

}  // namespace workflow
