#pragma once
// One recovery copy: the checked entries of the two result lists with the
// paths they named when it started, photos first, then files, each group in
// list order, copied on a worker thread into the output folder; and what
// became of each entry. It knows no window: it is given plain values and
// tells its owner what happened through Report, from Poll.
//
// Threads: every public method but RequestStop (any thread) on the owner's
// thread; Report only from Poll. Worker::Run, `mayDelete`, `nameTaken` and
// `wake` on the worker's thread, which also runs the flushing threads of
// ParallelFlush. Under m_lock: m_shared, and the wait on m_decided. Read by
// the worker without the lock, and left alone by the owner while it runs:
// m_photos, m_files, m_choices, m_mayDelete, m_nameTaken, m_wake; `mayDelete` may
// read what the owner changes before it calls CleanUp, not after. The
// owner's thread alone: m_folder, m_running, m_destinationAsked,
// m_positionShown, m_worker, m_thread. The worker is told to stop through its stop token; Stop joins it
// without a bound, since a flush under way cannot be cut short and a
// clean-up runs to its end.
//
// A copy never replaces a file of the output folder, never reads nor writes
// through a link, and a file gets its name only once all of it is flushed to
// the disk (copy_file.h): whenever a copy stops, no partial file is left
// under a finished name. Only named files count as recovered.
//
// Each content is written once: a file whose bytes (size and SHA-256, known
// before or hashed as it is read) this copy has written already is dropped
// and counted as the same as another. With the record chosen, recovered.csv
// is written beside the copies like one of them: a line for each file as its
// turn ends, named when the copy ends however it ends, so that it lists
// exactly the files named.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "imaging/sha256.h"
#include "workflow/copy/copy_choices.h"
#include "workflow/copy/copy_destination.h"
#include "workflow/copy/copy_messages.h"
#include "workflow/found/found_item.h"
#include "workflow/found/recovered_names.h"

namespace workflow {

// One checked entry: its index in its list and the found file it names.
struct CopyEntry {
    int item;
    std::string source;
    std::optional<uint64_t> size;  // read from the file when not given
    // What its name is made of; its found name and extension are taken from
    // `source` when not given.
    NameFacts naming;
    // For its line in the record.
    uint32_t width = 0, height = 0;
    Damage damage;
    uint32_t timesFound = 1;
    // Its bytes' digest when known; the copy hashes the bytes it reads otherwise.
    std::optional<imaging::Sha256Digest> sha256;
};


// What became of the entries that had their turn, as item indexes per list.
// Left out are those the destination could not take, which the user was
// told of before the copy: too large for its file system, or beyond its room.
struct CopyOutcome {
    std::vector<int> copiedPhotos, copiedFiles;
    std::vector<int> failedPhotos, failedFiles;
    std::vector<int> leftOutPhotos, leftOutFiles;
    // Not written: their bytes were written under another file's name.
    std::vector<int> samePhotos, sameFiles;
    FailureCounts failedFor{};  // the failed, by cause

    // The found files that may go are deleted after the last copy was named
    // (once CleanUp is called, when the copy was started so), by the time
    // Stop returns.
    bool cleansUp = false;

    int CopiedCount() const { return static_cast<int>(copiedPhotos.size() + copiedFiles.size()); }
    int FailedCount() const { return static_cast<int>(failedPhotos.size() + failedFiles.size()); }
    int LeftOutCount() const { return static_cast<int>(leftOutPhotos.size() + leftOutFiles.size()); }
    int SameCount() const { return static_cast<int>(samePhotos.size() + sameFiles.size()); }
};

// Before the first byte: what the destination cannot take.
struct DestinationShort {
    std::string tooLarge;  // names the files its file system cannot hold; empty when none
    std::string room;      // says the room missing; empty when what it holds fits
    // Some file can be copied: `room`, when given, asks whether to copy what
    // fits. Otherwise the copy copies nothing once continued.
    bool fitsAny = false;
};

class RecoveryCopy {
public:
    using PathTest = std::function<bool(const std::string&)>;

    class Report {
    public:
        // The entries that have had their turn; at most once a Poll.
        virtual void OnCopyProgress(int position, int total) = 0;
        // Before the first byte: the destination cannot take every file. The
        // copy waits for Continue or Stop.
        virtual void OnDestinationShort(const DestinationShort& shortOf) = 0;
        // The destination's disk filled up: the copy has stopped there.
        // After RequestStop, `message` is empty.
        virtual void OnCopyStopped(const std::string& message, const CopyOutcome& soFar) = 0;
        // Every entry has had its turn. `failureReport` is empty when nothing failed.
        virtual void OnCopyFinished(const CopyOutcome& outcome, const std::string& failureReport) = 0;

    protected:
        ~Report() = default;
    };

    // `mayDelete` says which found files the clean-up after a copy may delete;
    // `nameTaken`, when given, whether a destination path is known to be in
    // use before a copy is given that name; each name is otherwise tried, and
    // one in use is never replaced. Both are asked on
    // the worker's thread while the copy runs; what they read must not change
    // meanwhile. `wake`, when given, is called on the worker's thread when
    // the copy has ended or waits for Continue: the owner should Poll soon
    // rather than at its next look.
    RecoveryCopy(Report& report, PathTest mayDelete, std::function<void()> wake = {}, PathTest nameTaken = {});
    ~RecoveryCopy();
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;

    // Every source lies below `dataFolder`; each is read through handles of
    // the folders on its way from there, and one that is a link, or lies
    // below one, is not copied. With `cleanUp`, a copy in which every entry
    // was copied ends with CleanUpFoundFiles, which goes on after the copy is
    // reported finished: whoever touches the data folder next calls Stop
    // first. With `cleanUpWaits` as well, the clean-up starts only once
    // CleanUp is called, and Stop before that drops it.
    // For the copies started from now on; the owner's thread, between copies.
    void SetChoices(const CopyChoices& choices) { m_choices = choices; }
    void Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, CopyDestination destination,
               std::string dataFolder, bool cleanUp, bool cleanUpWaits = false);
    // Tells the owner what has happened since the last Poll; once the copy
    // has ended, its end. Never waits on the worker.
    void Poll();
    // After OnDestinationShort: copies what the destination can take.
    void Continue();
    // After a finish reported with `cleansUp`, for a copy whose clean-up waits: it starts now.
    void CleanUp();
    // The copy stops at the next file boundary: the file in hand and those
    // written but not yet named are abandoned, and their partial copies
    // deleted. Returns at once; the next Polls report the stop.
    void RequestStop();
    // As RequestStop, and waits until the worker has ended: a copy after the
    // flushes under way, a clean-up after its last file. Nothing more is
    // reported.
    void Stop();

    bool Running() const { return m_running; }
    int Total() const { return static_cast<int>(m_photos.size() + m_files.size()); }
    const std::string& OutputFolder() const { return m_folder; }
    // What became of the entries that had their turn so far, as the worker
    // last said: a file counts as copied once it is flushed and named.
    CopyOutcome SoFar() const;

    // Deletes the data folder with the found files that may go; any other file
    // stays, and with it its folders.
    void CleanUpFoundFiles(const std::string& dataFolder) const;

private:
    // What the worker tells the owner, under m_lock.
    struct Shared {
        int position = 0;
        CopyOutcome outcome;
        bool askDestination = false;
        DestinationShort shortOf;
        bool continued = false;
        bool cleanUpTold = false;
        bool stopping = false;
        bool ended = false;
        bool finished = false;  // every entry had its turn; otherwise it stopped
        std::string stopMessage;
    };
    class Worker;

    Report& m_report;
    PathTest m_mayDelete;
    std::function<void()> m_wake;
    PathTest m_nameTaken;
    CopyChoices m_choices;
    std::vector<CopyEntry> m_photos, m_files;
    std::string m_folder;
    bool m_running = false;
    bool m_destinationAsked = false;
    int m_positionShown = -1;

    mutable std::mutex m_lock;
    std::condition_variable m_decided;
    Shared m_shared;
    std::unique_ptr<Worker> m_worker;
    std::jthread m_thread;
};

}  // namespace workflow
