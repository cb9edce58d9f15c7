#include "workflow/copy/recovery_copy.h"

#include <windows.h>

#include <deque>
#include <map>
#include <utility>

#include "win/handles.h"
#include "win/utf8_text.h"
#include "workflow/copy/copy_file.h"
#include "workflow/files/copy_names.h"
#include "workflow/files/folder_tree.h"
#include "workflow/copy/parallel_flush.h"
#include "workflow/found/duplicate_index.h"
#include "workflow/found/file_name_rules.h"
#include "workflow/found/scan_results.h"
#include "workflow/record/recovered_record.h"

namespace workflow {

namespace {

// The one buffer every file goes through; small enough to stay in the
// processor's cache between the read and the write.
constexpr size_t kBufferBytes = size_t{64} << 10;
constexpr int kFlushThreads = 8;
// Files written and not yet named, each holding its handle until it is.
constexpr size_t kMostUnnamed = 32;
// What a partial name adds to a name at most: ".100.vantreo-partial".
constexpr size_t kPartialNameChars = 20;

enum class Turn { Copied, Same, Failed, Vanished, Abandoned, LeftOut };

// An entry whose turn has come: its copy written and being flushed, or its
// turn over already.
struct InHand {
    size_t position = 0;
    win::UniqueHandle partial;
    uint64_t flushTicket = 0;
    Turn turn = Turn::Failed;
    CopyFailure failure = CopyFailure::NotWritten;  // of a turn that failed
    PartialCopies* partials = nullptr;  // of the folder it is written in
    std::string folder;                 // that folder below the output folder, with a closing backslash
    std::string leaf;                   // its name there, before it is made free
    uint64_t size = 0;
    std::optional<imaging::Sha256Digest> digest;
    // Below the output folder: its name, or the name its bytes were written under.
    std::string writtenAs;
};

// The name a file is given, as its owner chose, from what its entry says.
NameFacts NamingOf(const CopyEntry& entry) {
    NameFacts naming = entry.naming;
    if (naming.foundName.empty()) {
        naming.foundName = FileNameOf(entry.source);
        naming.extension = ExtensionOf(entry.source);
    }
    return naming;
}

// The turn a step ends, and the cause of a failure.
Turn TurnOf(CopyStep step, CopyFailure& failure) {
    switch (step) {
    case CopyStep::Done:
        return Turn::Copied;
    case CopyStep::Stopped:
        return Turn::Abandoned;
    case CopyStep::ReadFailed:
        failure = CopyFailure::Unreadable;
        break;
    case CopyStep::NameTooLong:
        failure = CopyFailure::NameTooLong;
        break;
    case CopyStep::WriteProtected:
        failure = CopyFailure::WriteProtected;
        break;
    case CopyStep::Failed:
    case CopyStep::DiskFull:
        failure = CopyFailure::NotWritten;
        break;
    }
    return Turn::Failed;
}

uint64_t SizeOf(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

}  // namespace

// Runs on the worker's thread; reads the entries, which the owner leaves
// alone while the copy runs.
class RecoveryCopy::Worker {
public:
    Worker(RecoveryCopy& owner, CopyDestination destination, std::string dataFolder, bool cleanUp, bool cleanUpWaits)
        : m_owner(owner),
          m_destination(std::move(destination)),
          m_dataFolder(std::move(dataFolder)),
          m_cleanUp(cleanUp),
          m_cleanUpWaits(cleanUpWaits) {}

    // The end is told only once every handle of the copy is closed.
    void Run(std::stop_token stop) {
        std::string stopMessage;
        const bool finished = Copy(stop, stopMessage);
        m_destination.reset();
        bool cleanUp = false;
        {
            const std::lock_guard lock(m_owner.m_lock);
            Shared& shared = m_owner.m_shared;
            cleanUp = finished && m_cleanUp && shared.outcome.FailedCount() == 0 && shared.outcome.LeftOutCount() == 0;
            shared.outcome.cleansUp = cleanUp;
            shared.ended = true;
            shared.finished = finished;
            shared.stopMessage = std::move(stopMessage);
        }
        if (m_owner.m_wake) m_owner.m_wake();
        // Every copy counted is flushed and named by now. Deleting thousands
        // of found files can take longer than copying them: it goes on after
        // the end is told, and Stop waits for it.
        if (!cleanUp) return;
        if (m_cleanUpWaits) {
            std::unique_lock lock(m_owner.m_lock);
            m_owner.m_decided.wait(lock, [&] { return m_owner.m_shared.cleanUpTold || m_owner.m_shared.stopping; });
            if (!m_owner.m_shared.cleanUpTold) return;
        }
        m_owner.CleanUpFoundFiles(m_dataFolder);
    }

private:
    // True when every entry had its turn; otherwise the copy stopped, and
    // `stopMessage` says why when the disk filled up.
    bool Copy(std::stop_token stop, std::string& stopMessage) {
        const size_t total = static_cast<size_t>(m_owner.Total());
        m_turns.assign(total, Turn::Abandoned);
        // Partial copies a run ended by force left here go before anything is written.
        PartialCopies(m_destination->folder, m_destination->path).RemoveLeftovers();
        std::vector<bool> leftOut(total, false);
        if (!CheckDestination(stop, leftOut)) return false;

        PartialCopies partials(m_destination->folder, m_destination->path);
        m_top = Folder{&m_destination->folder, &partials, nullptr, nullptr};
        if (m_owner.m_choices.writeRecord) StartRecord(partials);
        const bool copiedAll = CopyEach(stop, leftOut);
        FinishRecord(partials);
        m_folders.clear();
        if (!copiedAll) return false;
        if (!m_diskFull) return true;
        stopMessage = DiskFullMessage();
        return false;
    }

    // False when stopped.
    bool CopyEach(std::stop_token stop, const std::vector<bool>& leftOut) {
        std::vector<char> buffer(kBufferBytes);
        SourceFolders sources(m_dataFolder);
        // Declared before the flushes, so these handles close only once no
        // flush can be using them any more.
        std::deque<InHand> inHand;
        ParallelFlush flushes(kFlushThreads);
        for (size_t next = 0; next < leftOut.size() && !stop.stop_requested() && !m_diskFull; ++next) {
            InHand entry;
            entry.position = next;
            if (leftOut[next]) entry.turn = Turn::LeftOut;
            else if (!Write(entry, sources, buffer, stop)) break;
            if (entry.partial) entry.flushTicket = flushes.Begin(entry.partial.get());
            inHand.push_back(std::move(entry));
            while (!inHand.empty() && (inHand.size() > kMostUnnamed || !inHand.front().partial ||
                                       flushes.IsDone(inHand.front().flushTicket))) {
                Settle(inHand.front(), flushes, stop);
                inHand.pop_front();
            }
        }
        if (stop.stop_requested()) return false;
        for (; !inHand.empty(); inHand.pop_front()) Settle(inHand.front(), flushes, stop);
        return !stop.stop_requested();
    }

    const CopyEntry& At(size_t position) const {
        const size_t photos = m_owner.m_photos.size();
        return position < photos ? m_owner.m_photos[position] : m_owner.m_files[position - photos];
    }

    // False when stopped while the owner was asked what to do.
    bool CheckDestination(std::stop_token stop, std::vector<bool>& leftOut) {
        std::vector<uint64_t> sizes;
        for (size_t position = 0; position < leftOut.size() && !stop.stop_requested(); ++position) {
            const CopyEntry& entry = At(position);
            sizes.push_back(entry.size ? *entry.size : SizeOf(entry.source));
        }
        if (stop.stop_requested()) return false;
        const DestinationCheck check = workflow::CheckDestination(sizes, m_destination->room);
        if (check.TakesAll()) return true;
        std::vector<std::string> tooLarge;
        for (size_t position : check.tooLarge) tooLarge.push_back(FileNameOf(At(position).source));
        const bool roomShort = check.needed > check.available;
        DestinationShort shortOf;
        shortOf.fitsAny = check.fitting > 0;
        shortOf.tooLarge = TooLargeMessage(tooLarge, m_destination->room.fileSystem, m_destination->path,
                                           shortOf.fitsAny && !roomShort);
        if (roomShort)
            shortOf.room = RoomMessage(check.needed, check.available, check.fitting, m_destination->path);
        {
            const std::lock_guard lock(m_owner.m_lock);
            m_owner.m_shared.askDestination = true;
            m_owner.m_shared.shortOf = std::move(shortOf);
        }
        if (m_owner.m_wake) m_owner.m_wake();
        std::unique_lock lock(m_owner.m_lock);
        m_owner.m_decided.wait(lock, [&] { return m_owner.m_shared.continued || m_owner.m_shared.stopping; });
        if (m_owner.m_shared.stopping) return false;
        for (size_t position : check.leftOut) leftOut[position] = true;
        return true;
    }

    // A folder below the output folder (none for the output folder itself),
    // made when missing, each level opened through the one above it: none
    // when a level is a link or cannot be made.
    struct Folder {
        const win::HeldFolder* held = nullptr;
        PartialCopies* partials = nullptr;
        std::unique_ptr<win::HeldFolder> ownHeld;
        std::unique_ptr<PartialCopies> ownPartials;
    };
    Folder* FolderBelow(const std::string& folder) {
        if (folder.empty()) return &m_top;
        if (const auto found = m_folders.find(folder); found != m_folders.end()) return &found->second;
        const size_t slash = folder.rfind('\\');
        Folder* parent = FolderBelow(slash == std::string::npos ? std::string() : folder.substr(0, slash));
        if (!parent) return nullptr;
        std::optional<win::HeldFolder> opened =
            parent->held->OpenFolder(win::WidenAnsi(folder.substr(slash == std::string::npos ? 0 : slash + 1)), true);
        if (!opened) return nullptr;
        Folder made;
        made.ownHeld = std::make_unique<win::HeldFolder>(std::move(*opened));
        made.ownPartials = std::make_unique<PartialCopies>(*made.ownHeld, JoinPath(m_destination->path, folder));
        made.held = made.ownHeld.get();
        made.partials = made.ownPartials.get();
        // A folder of an earlier copy may hold what a run ended by force left.
        made.partials->RemoveLeftovers();
        return &(m_folders[folder] = std::move(made));
    }

    // Opens the source and writes its partial copy; false when the copy stops here.
    bool Write(InHand& entry, SourceFolders& sources, std::vector<char>& buffer, std::stop_token stop) {
        const CopyEntry& source = At(entry.position);
        // Bytes known to be written already are not read again.
        if (source.sha256 && source.size) {
            if (const std::string* same = m_written.WrittenAs(*source.size, *source.sha256)) {
                entry.turn = Turn::Same;
                entry.size = *source.size;
                entry.digest = source.sha256;
                entry.writtenAs = *same;
                return true;
            }
        }
        const win::UniqueHandle from = sources.Open(source.source);
        if (!from) {
            // A file that has gone cannot be recovered any more; it is not counted.
            entry.turn = PathExists(source.source) ? Turn::Failed : Turn::Vanished;
            entry.failure = CopyFailure::Unreadable;
            return true;
        }
        const std::optional<std::string> name =
            FitName(RecoveredName(NamingOf(source), m_owner.m_choices.naming),
                    MostNameChars(m_destination->path, kPartialNameChars));
        if (!name) {
            entry.turn = Turn::Failed;
            entry.failure = CopyFailure::NameTooLong;
            return true;
        }
        const size_t slash = name->rfind('\\');
        entry.folder = slash == std::string::npos ? std::string() : name->substr(0, slash + 1);
        entry.leaf = name->substr(entry.folder.size());
        const Folder* folder = FolderBelow(entry.folder.empty() ? entry.folder : entry.folder.substr(0, slash));
        if (!folder) {
            entry.turn = Turn::Failed;
            entry.failure = CopyFailure::NotWritten;
            return true;
        }
        entry.partials = folder->partials;
        imaging::Sha256 hash;
        const CopyStep step = entry.partials->Write(from.get(), entry.leaf, buffer, stop, entry.partial,
                                                    source.sha256 ? nullptr : &hash, &entry.size);
        if (step == CopyStep::Done) {
            entry.digest = source.sha256 ? *source.sha256 : hash.Finish();
            return true;
        }
        entry.partial.reset();
        if (step == CopyStep::Stopped) return false;
        entry.turn = TurnOf(step, entry.failure);
        m_diskFull = step == CopyStep::DiskFull;
        return true;
    }

    // Names a flushed copy, or drops it when its bytes were written under
    // another name meanwhile, or records why the entry's turn ended without one.
    void Settle(InHand& entry, ParallelFlush& flushes, std::stop_token stop) {
        if (entry.partial) {
            const DWORD flushed = flushes.Wait(entry.flushTicket);
            const std::string* same = entry.digest ? m_written.WrittenAs(entry.size, *entry.digest) : nullptr;
            // A copy whose flush failed may not be on the disk: it is never named.
            if (flushed != ERROR_SUCCESS) {
                const CopyStep step = StepForError(flushed);
                m_diskFull = m_diskFull || step == CopyStep::DiskFull;
                entry.turn = TurnOf(step, entry.failure);
            } else if (same) {
                entry.turn = Turn::Same;
                entry.writtenAs = *same;
            } else {
                std::string given;
                const CopyStep step = entry.partials->Name(entry.partial.get(), entry.leaf, m_owner.m_nameTaken, stop, &given);
                m_diskFull = m_diskFull || step == CopyStep::DiskFull;
                entry.turn = TurnOf(step, entry.failure);
                if (step == CopyStep::Done) {
                    entry.writtenAs = entry.folder + given;
                    if (entry.digest) m_written.Claim(entry.size, *entry.digest, entry.writtenAs);
                }
            }
            entry.partial.reset();  // deletes a copy that was not named
        }
        m_turns[entry.position] = entry.turn;
        Record(entry);
        const std::lock_guard lock(m_owner.m_lock);
        m_owner.m_shared.position = static_cast<int>(entry.position) + 1;
        const bool photo = entry.position < m_owner.m_photos.size();
        CopyOutcome& outcome = m_owner.m_shared.outcome;
        std::vector<int>* items = nullptr;
        switch (entry.turn) {
        case Turn::Copied:
            items = photo ? &outcome.copiedPhotos : &outcome.copiedFiles;
            break;
        case Turn::Same:
            items = photo ? &outcome.samePhotos : &outcome.sameFiles;
            break;
        case Turn::Failed:
            items = photo ? &outcome.failedPhotos : &outcome.failedFiles;
            ++outcome.failedFor[static_cast<size_t>(entry.failure)];
            break;
        case Turn::LeftOut:
            items = photo ? &outcome.leftOutPhotos : &outcome.leftOutFiles;
            break;
        case Turn::Vanished:
        case Turn::Abandoned:
            return;
        }
        items->push_back(At(entry.position).item);
    }

    // The record is a partial copy until the copy ends, whatever ends it: a
    // crash leaves none, and one named lists the files named.
    void StartRecord(PartialCopies& partials) {
        CopyStep failed = CopyStep::Failed;
        m_record = partials.Begin(std::string(kRecordFileName), failed);
        m_recordLines = 0;
        if (m_record) AddToRecord(RecordHead());
    }

    void Record(const InHand& entry) {
        if (!m_record || (entry.turn != Turn::Copied && entry.turn != Turn::Same && entry.turn != Turn::Failed)) return;
        const CopyEntry& source = At(entry.position);
        const NameFacts naming = NamingOf(source);
        RecordedFile file;
        if (entry.turn != Turn::Failed) file.nameWritten = entry.writtenAs;
        file.nameFound = naming.foundName;
        file.size = entry.size ? entry.size : source.size.value_or(0);
        file.width = source.width;
        file.height = source.height;
        file.taken = naming.taken;
        file.previewTaken = naming.previewTaken;
        file.camera = naming.camera;
        file.damage = source.damage;
        file.timesFound = source.timesFound;
        file.sha256 = entry.digest;
        file.result = entry.turn == Turn::Copied ? RecordResult::Written
                      : entry.turn == Turn::Same ? RecordResult::SameAsAnother
                                                 : RecordResult::Failed;
        if (entry.turn == Turn::Failed) file.problem = RecordedProblem(entry.failure);
        AddToRecord(RecordLine(file, [](const std::string& text) { return win::Utf8FromAnsi(text); }));
        ++m_recordLines;
    }

    // A record that cannot be written whole is dropped: it would not list what was written.
    void AddToRecord(const std::string& text) {
        DWORD written = 0;
        if (!WriteFile(m_record.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
            written != text.size())
            m_record.reset();
    }

    // Named even after a stop: it lists what was named before it.
    void FinishRecord(PartialCopies& partials) {
        if (!m_record) return;
        if (m_recordLines > 0 && FlushFileBuffers(m_record.get()))
            partials.Name(m_record.get(), std::string(kRecordFileName), nullptr, std::stop_token());
        m_record.reset();
    }

    std::string DiskFullMessage() const {
        std::vector<std::string> notCopied;
        size_t copied = 0;
        for (size_t position = 0; position < m_turns.size(); ++position) {
            if (m_turns[position] == Turn::Copied || m_turns[position] == Turn::Same)
                ++copied;
            else if (m_turns[position] != Turn::Vanished)
                notCopied.push_back(FileNameOf(At(position).source));
        }
        return workflow::DiskFullMessage(m_destination->path, copied, notCopied);
    }

    RecoveryCopy& m_owner;
    std::optional<CopyDestination> m_destination;  // held until the copy has ended
    const std::string m_dataFolder;
    const bool m_cleanUp;
    const bool m_cleanUpWaits;
    std::vector<Turn> m_turns;  // by position: how each entry's turn ended
    bool m_diskFull = false;
    WrittenContents m_written;
    Folder m_top;
    std::map<std::string, Folder> m_folders;  // by their path below the output folder
    win::UniqueHandle m_record;               // recovered.csv while it is written
    size_t m_recordLines = 0;
};

RecoveryCopy::RecoveryCopy(Report& report, PathTest mayDelete, std::function<void()> wake, PathTest nameTaken)
    : m_report(report), m_mayDelete(std::move(mayDelete)), m_wake(std::move(wake)), m_nameTaken(std::move(nameTaken)) {}

RecoveryCopy::~RecoveryCopy() { Stop(); }

void RecoveryCopy::Start(std::vector<CopyEntry> photos, std::vector<CopyEntry> files, CopyDestination destination,
                         std::string dataFolder, bool cleanUp, bool cleanUpWaits) {
    Stop();
    m_photos = std::move(photos);
    m_files = std::move(files);
    m_folder = destination.path;
    m_shared = {};
    m_destinationAsked = false;
    m_positionShown = 0;
    m_running = true;
    m_worker = std::make_unique<Worker>(*this, std::move(destination), std::move(dataFolder), cleanUp, cleanUpWaits);
    m_thread = std::jthread([this](std::stop_token stop) { m_worker->Run(stop); });
}

CopyOutcome RecoveryCopy::SoFar() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_shared.outcome;
}

void RecoveryCopy::Poll() {
    if (!m_running) return;
    Shared now;
    {
        const std::lock_guard lock(m_lock);
        now.position = m_shared.position;
        now.askDestination = m_shared.askDestination;
        now.ended = m_shared.ended;
        if (now.askDestination && !m_destinationAsked) now.shortOf = m_shared.shortOf;
        if (now.ended) now = m_shared;
    }
    if (now.position != m_positionShown) {
        m_positionShown = now.position;
        m_report.OnCopyProgress(now.position, Total());
    }
    if (now.ended) {
        m_running = false;
        if (now.finished) {
            m_report.OnCopyFinished(now.outcome, FailureReport(now.outcome.failedFor, m_folder));
        } else {
            m_report.OnCopyStopped(now.stopMessage, now.outcome);
        }
        return;
    }
    if (now.askDestination && !m_destinationAsked) {
        m_destinationAsked = true;
        m_report.OnDestinationShort(now.shortOf);
    }
}

void RecoveryCopy::Continue() {
    const std::lock_guard lock(m_lock);
    m_shared.continued = true;
    m_decided.notify_all();
}

void RecoveryCopy::CleanUp() {
    const std::lock_guard lock(m_lock);
    m_shared.cleanUpTold = true;
    m_decided.notify_all();
}

void RecoveryCopy::RequestStop() {
    if (!m_thread.joinable()) return;
    m_thread.request_stop();
    const std::lock_guard lock(m_lock);
    m_shared.stopping = true;
    m_decided.notify_all();
}

void RecoveryCopy::Stop() {
    if (m_thread.joinable()) {
        RequestStop();
        m_thread.join();
    }
    m_worker.reset();
    m_running = false;
}

void RecoveryCopy::CleanUpFoundFiles(const std::string& dataFolder) const {
    RemoveTree(dataFolder, true, m_mayDelete);
}

}  // namespace workflow
