#include "workflow/copy/recovery_copy.h"

#include <windows.h>

#include <deque>
#include <utility>

#include "win/handles.h"
#include "workflow/copy/copy_file.h"
#include "workflow/files/folder_tree.h"
#include "workflow/copy/parallel_flush.h"
#include "workflow/found/scan_results.h"

namespace workflow {

namespace {

// The one buffer every file goes through; small enough to stay in the
// processor's cache between the read and the write.
constexpr size_t kBufferBytes = size_t{64} << 10;
constexpr int kFlushThreads = 8;
// Files written and not yet named, each holding its handle until it is.
constexpr size_t kMostUnnamed = 32;

enum class Turn { Copied, Failed, Vanished, Abandoned, LeftOut };

// An entry whose turn has come: its copy written and being flushed, or its
// turn over already.
struct InHand {
    size_t position = 0;
    win::UniqueHandle partial;
    uint64_t flushTicket = 0;
    Turn turn = Turn::Failed;
    CopyFailure failure = CopyFailure::NotWritten;  // of a turn that failed
};

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

        std::vector<char> buffer(kBufferBytes);
        SourceFolders sources(m_dataFolder);
        PartialCopies partials(m_destination->folder, m_destination->path);
        // Declared before the flushes, so these handles close only once no
        // flush can be using them any more.
        std::deque<InHand> inHand;
        ParallelFlush flushes(kFlushThreads);
        for (size_t next = 0; next < total && !stop.stop_requested() && !m_diskFull; ++next) {
            InHand entry;
            entry.position = next;
            if (leftOut[next]) entry.turn = Turn::LeftOut;
            else if (!Write(entry, sources, partials, buffer, stop)) break;
            if (entry.partial) entry.flushTicket = flushes.Begin(entry.partial.get());
            inHand.push_back(std::move(entry));
            while (!inHand.empty() && (inHand.size() > kMostUnnamed || !inHand.front().partial ||
                                       flushes.IsDone(inHand.front().flushTicket))) {
                Settle(inHand.front(), flushes, partials, stop);
                inHand.pop_front();
            }
        }
        if (stop.stop_requested()) return false;
        for (; !inHand.empty(); inHand.pop_front()) Settle(inHand.front(), flushes, partials, stop);
        if (stop.stop_requested()) return false;
        if (!m_diskFull) return true;
        stopMessage = DiskFullMessage();
        return false;
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

    // Opens the source and writes its partial copy; false when the copy stops here.
    bool Write(InHand& entry, SourceFolders& sources, PartialCopies& partials, std::vector<char>& buffer,
               std::stop_token stop) {
        const CopyEntry& source = At(entry.position);
        const win::UniqueHandle from = sources.Open(source.source);
        if (!from) {
            // A file that has gone cannot be recovered any more; it is not counted.
            entry.turn = PathExists(source.source) ? Turn::Failed : Turn::Vanished;
            entry.failure = CopyFailure::Unreadable;
            return true;
        }
        const CopyStep step = partials.Write(from.get(), FileNameOf(source.source), buffer, stop, entry.partial);
        if (step == CopyStep::Done) return true;
        entry.partial.reset();
        if (step == CopyStep::Stopped) return false;
        entry.turn = TurnOf(step, entry.failure);
        m_diskFull = step == CopyStep::DiskFull;
        return true;
    }

    // Names a flushed copy, or records why the entry's turn ended without one.
    void Settle(InHand& entry, ParallelFlush& flushes, PartialCopies& partials, std::stop_token stop) {
        if (entry.partial) {
            const DWORD flushed = flushes.Wait(entry.flushTicket);
            // A copy whose flush failed may not be on the disk: it is never named.
            const CopyStep step =
                flushed == ERROR_SUCCESS ? partials.Name(entry.partial.get(), FileNameOf(At(entry.position).source),
                                                         m_owner.m_nameTaken, stop)
                                         : StepForError(flushed);
            if (step == CopyStep::DiskFull) m_diskFull = true;
            entry.turn = TurnOf(step, entry.failure);
            entry.partial.reset();  // deletes a copy that was not named
        }
        m_turns[entry.position] = entry.turn;
        const std::lock_guard lock(m_owner.m_lock);
        m_owner.m_shared.position = static_cast<int>(entry.position) + 1;
        const bool photo = entry.position < m_owner.m_photos.size();
        CopyOutcome& outcome = m_owner.m_shared.outcome;
        std::vector<int>* items = nullptr;
        switch (entry.turn) {
        case Turn::Copied:
            items = photo ? &outcome.copiedPhotos : &outcome.copiedFiles;
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

    std::string DiskFullMessage() const {
        std::vector<std::string> notCopied;
        size_t copied = 0;
        for (size_t position = 0; position < m_turns.size(); ++position) {
            if (m_turns[position] == Turn::Copied)
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
