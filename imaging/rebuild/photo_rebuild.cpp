#include "imaging/rebuild/photo_rebuild.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <optional>

#include "imaging/jpeg/jpeg_headers.h"
#include "imaging/jpeg/jpeg_segments.h"
#include "imaging/rebuild/piece_map.h"
#include "imaging/rebuild/scan_checkpoint.h"
#include "imaging/rebuild/seam_score.h"

namespace imaging::rebuild {

namespace {

// The headers of a camera photo (EXIF, maker notes, an embedded preview)
// fit in this; a photo whose headers do not is left alone.
constexpr uint64_t kHeaderBytes = 4 << 20;
// The window a piece is decoded through.
constexpr uint64_t kStreamBytes = 1 << 20;
// A candidate is read in this much first: most fail within it.
constexpr uint64_t kFirstCandidateBytes = 4096;
// A candidate that needs more than this for a row of MCUs is not taken, nor
// data that needs more for one MCU.
constexpr uint64_t kMostCandidateBytes = 16 << 20;
// Smooth candidates decoded on to see how far they go, the smoothest first.
constexpr size_t kMostSmooth = 32;
// How far they go on at a time, in rows of MCUs.
constexpr uint64_t kRowsARound = 4;
constexpr uint64_t kRunnerBytes = 128 << 10;

bool Progressive(std::span<const uint8_t> head) {
    JpegSegmentReader segments(head);
    JpegSegment segment;
    while (segments.Next(segment)) {
        const uint8_t m = segment.marker;
        if (m == 0xC2 || m == 0xC6 || m == 0xCA || m == 0xCE) return true;
    }
    return false;
}

struct Continuation {
    uint64_t breakAt = 0;       // in the file: where the piece before it ends
    uint64_t deviceOffset = 0;  // where it starts on the device
    ScanCheckpoint checkpoint;  // the last sure state before the break
};

class PhotoRebuild {
public:
    PhotoRebuild(ByteSource& device, uint32_t blockSize, const ClaimedRanges& claimed, const RebuildLimits& limits)
        : m_device(device), m_blockSize(blockSize), m_claimed(claimed), m_limits(limits) {}

    RebuildResult Run(const std::vector<ByteRun>& fileRuns) {
        RebuildResult result;
        result.outcome = RebuildOutcome::Unreadable;
        if (!PlausibleBlockSize(m_blockSize) || !m_pieces.Assign(fileRuns)) return result;
        const ByteRun& last = m_pieces.Runs().back();
        if (last.DeviceEnd() > m_device.Size()) return result;
        // The engine may have cut the file short of where the photo's data
        // goes on: the last run reaches to the device's end.
        m_pieces.Append(last.DeviceEnd(), m_device.Size() - last.DeviceEnd());

        std::vector<uint8_t> head;
        m_pieces.Read(m_device, 0, kHeaderBytes, head);
        result.outcome = RebuildOutcome::NotCovered;
        if (Progressive(head)) {
            result.outcome = RebuildOutcome::Progressive;
            return result;
        }
        m_headers = std::make_unique<JpegHeaders>();
        if (!ReadJpegHeaders(head, *m_headers)) return result;
        m_layout = MakeScanLayout(*m_headers);
        if (!DcGrid::Fits(m_layout)) return result;
        m_grid = std::make_unique<DcGrid>(m_layout);

        ScanCheckpoint at;
        at.position = m_headers->scanStart;
        uint64_t pieceStart = 0;
        for (unsigned pieces = 1;; ++pieces) {
            const ScanProgress progress = Stream(m_pieces, at, m_layout.Mcus(), &m_marks);
            if (Cancelled()) return Outcome(RebuildOutcome::Cancelled);
            if (progress.stop == ScanStop::Finished) {
                if (pieces == 1) return Outcome(RebuildOutcome::Whole);
                result.outcome = RebuildOutcome::Rebuilt;
                result.runs = m_pieces.Clipped(progress.endPosition).Runs();
                result.pieces = pieces;
                return result;
            }
            if (pieces == m_limits.maxPieces) return Outcome(RebuildOutcome::TooManyPieces);
            const auto next = FindContinuation(pieceStart, progress.faultPosition, at.restartEnd);
            if (Cancelled()) return Outcome(RebuildOutcome::Cancelled);
            if (!next) return Outcome(RebuildOutcome::NoContinuation);
            m_pieces = m_pieces.Clipped(next->breakAt);
            m_pieces.Append(next->deviceOffset, m_device.Size() - next->deviceOffset);
            at = next->checkpoint;
            // What was decoded past the break was something else.
            while (!m_marks.empty() && m_marks.back().mcu > at.mcu) m_marks.pop_back();
            pieceStart = next->breakAt;
        }
    }

private:
    static RebuildResult Outcome(RebuildOutcome outcome) {
        RebuildResult result;
        result.outcome = outcome;
        return result;
    }
    bool Cancelled() const { return m_limits.cancel && m_limits.cancel->load(std::memory_order_relaxed); }

    // Decodes on through `pieces` from `at` to `goal` or a fault. A window
    // that holds no whole MCU (a run of fill bytes) is doubled, up to a bound.
    ScanProgress Stream(const PieceMap& pieces, ScanCheckpoint& at, uint64_t goal, std::vector<ScanCheckpoint>* marks,
                        uint64_t windowBytes = kStreamBytes) {
        std::vector<uint8_t> window;
        uint64_t size = windowBytes;
        for (;;) {
            if (Cancelled()) return {};
            const uint64_t from = at.position;
            if (!pieces.Read(m_device, from, size, window)) return {};
            const bool atEnd = from + window.size() >= pieces.Length();
            ScanProgress progress = DecodeFromCheckpoint(window, from, atEnd, m_layout, at, goal, *m_grid, marks);
            if (progress.stop != ScanStop::NeedBytes) return progress;
            if (at.position != from) {
                size = windowBytes;
            } else if (size < kMostCandidateBytes) {
                size *= 2;
            } else {
                progress.stop = ScanStop::Fault;
                progress.faultMcu = at.mcu;
                progress.faultPosition = from + window.size();
                return progress;
            }
        }
    }

    // The break lies on a cluster boundary of the piece that ends no later
    // than the fault, and after the last restart marker checked good.
    std::optional<Continuation> FindContinuation(uint64_t pieceStart, uint64_t faultPosition, uint64_t restartEnd) {
        const uint64_t cluster = m_blockSize;
        if (faultPosition <= pieceStart) return std::nullopt;
        // The reader stops on the FF of a marker: a stuffed FF that ended the
        // piece before the break; and a break past the fault fails quickly.
        const uint64_t last = faultPosition + 8;
        uint64_t breakAt = pieceStart + (last - pieceStart) / cluster * cluster;
        const uint64_t lowest = std::max({pieceStart + cluster, restartEnd, uint64_t{m_headers->scanStart} + 1});
        for (unsigned tried = 0; tried < m_limits.breakClusters && breakAt >= lowest; ++tried, breakAt -= cluster) {
            if (Cancelled()) return std::nullopt;
            if (auto found = ContinuationAfter(breakAt)) return found;
        }
        return std::nullopt;
    }

    // The best continuation of the file cut at `breakAt`, if one is good enough.
    std::optional<Continuation> ContinuationAfter(uint64_t breakAt) {
        // From the last row's mark before the break up to the break: a fault
        // on the way means the break is earlier.
        ScanCheckpoint at;
        at.position = m_headers->scanStart;
        for (const ScanCheckpoint& mark : m_marks)
            if (mark.position <= breakAt) at = mark;
        const uint64_t prefixStart = at.position;
        if (prefixStart > breakAt || breakAt >= m_pieces.Length()) return std::nullopt;
        std::vector<uint8_t> prefix;
        if (breakAt > prefixStart && !m_pieces.Read(m_device, prefixStart, breakAt - prefixStart, prefix))
            return std::nullopt;
        if (DecodeFromCheckpoint(prefix, at.position, false, m_layout, at, m_layout.Mcus(), *m_grid).stop !=
            ScanStop::NeedBytes)
            return std::nullopt;
        const uint64_t seamMcu = at.mcu;
        // Two rows above to judge the seam by.
        if (seamMcu < 2 * uint64_t{m_layout.mcusX}) return std::nullopt;
        prefix.erase(prefix.begin(), prefix.begin() + static_cast<ptrdiff_t>(at.position - prefixStart));
        const uint64_t goal = std::min(seamMcu + m_layout.mcusX, m_layout.Mcus());
        const SeamJudge judge(*m_grid, m_layout, seamMcu, goal - seamMcu);

        const auto lastByte = m_pieces.DeviceOffset(breakAt - 1);
        if (!lastByte) return std::nullopt;
        const uint64_t pieceEnd = *lastByte + 1;
        const auto carved = m_pieces.DeviceOffset(breakAt);
        std::vector<Smooth> smooth;
        std::vector<uint8_t> window;
        for (uint64_t k = 0; k < m_limits.gapClusters; ++k) {
            const uint64_t candidate = pieceEnd + k * m_blockSize;
            if (candidate >= m_device.Size()) break;
            if ((k & 63) == 0 && Cancelled()) return std::nullopt;
            if (carved && candidate == *carved) continue;  // what the file already holds there
            if (m_claimed.Claims(candidate, m_blockSize)) continue;
            ScanCheckpoint tried = at;
            if (!TryCandidate(prefix, candidate, goal, tried, window)) continue;
            const double ratio = judge.Ratio(SeamDifference(*m_grid, m_layout, seamMcu, goal - seamMcu));
            if (ratio > SeamJudge::kLargestRatio) continue;
            smooth.push_back({candidate, ratio});
            std::sort(smooth.begin(), smooth.end(), [](const Smooth& a, const Smooth& b) { return a.ratio < b.ratio; });
            if (smooth.size() > kMostSmooth) smooth.pop_back();
        }
        return Longest(smooth, breakAt, at);
    }

    struct Smooth {
        uint64_t deviceOffset;
        double ratio;
    };

    // Of the smooth candidates, the one whose data goes on cleanly the
    // longest: data from later in the same photo, or from a photo coded
    // alike, goes on as smoothly at first but meets its end marker too soon.
    // They go on side by side a few rows at a time, until one is left.
    std::optional<Continuation> Longest(const std::vector<Smooth>& smooth, uint64_t breakAt, const ScanCheckpoint& at) {
        struct Runner {
            size_t index;
            PieceMap pieces;
            ScanCheckpoint at;
            uint64_t reach = 0;
            bool done = false;
        };
        std::vector<Runner> runners;
        for (size_t i = 0; i < smooth.size(); ++i) {
            Runner runner{i, m_pieces.Clipped(breakAt), at};
            runner.pieces.Append(smooth[i].deviceOffset, m_device.Size() - smooth[i].deviceOffset);
            runners.push_back(std::move(runner));
        }
        const uint64_t step = uint64_t{m_layout.mcusX} * kRowsARound;
        for (uint64_t goal = at.mcu + step;; goal += step) {
            size_t going = 0;
            for (Runner& runner : runners) {
                if (runner.done) continue;
                const ScanProgress progress = Stream(runner.pieces, runner.at, goal, nullptr, kRunnerBytes);
                if (Cancelled()) return std::nullopt;
                if (progress.stop == ScanStop::Reached) {
                    runner.reach = goal;
                    ++going;
                } else {
                    runner.reach = progress.stop == ScanStop::Finished ? m_layout.Mcus() + 1 : progress.faultMcu;
                    runner.done = true;
                }
            }
            if (going <= 1) break;
        }
        // The longest; of equals, the smoothest (the list's order).
        const Runner* best = nullptr;
        for (const Runner& runner : runners)
            if (!best || runner.reach > best->reach) best = &runner;
        if (!best) return std::nullopt;
        return Continuation{breakAt, smooth[best->index].deviceOffset, at};
    }

    // Whether the candidate's bytes after the prefix decode cleanly to `goal`.
    bool TryCandidate(const std::vector<uint8_t>& prefix, uint64_t candidate, uint64_t goal, ScanCheckpoint& at,
                      std::vector<uint8_t>& window) {
        const ScanCheckpoint start = at;
        for (uint64_t size = kFirstCandidateBytes; size <= kMostCandidateBytes; size *= 4) {
            const uint64_t available = m_device.Size() - candidate;
            const uint64_t count = std::min(size, available);
            window.assign(prefix.begin(), prefix.end());
            window.resize(prefix.size() + static_cast<size_t>(count));
            // An unreadable candidate is passed over: its zeros fail to decode.
            ReadSkippingBadSectors(m_device, candidate, std::span(window).subspan(prefix.size()));
            at = start;
            const ScanProgress progress =
                DecodeFromCheckpoint(window, start.position, count == available, m_layout, at, goal, *m_grid);
            if (progress.stop == ScanStop::Reached || progress.stop == ScanStop::Finished) return true;
            if (progress.stop == ScanStop::Fault) return false;
        }
        return false;
    }

    ByteSource& m_device;
    uint32_t m_blockSize;
    const ClaimedRanges& m_claimed;
    RebuildLimits m_limits;
    PieceMap m_pieces;
    std::unique_ptr<JpegHeaders> m_headers;
    ScanLayout m_layout;
    std::unique_ptr<DcGrid> m_grid;
    // A sure checkpoint in each row of MCUs decoded, in order.
    std::vector<ScanCheckpoint> m_marks;
};

}  // namespace

RebuildResult RebuildPhoto(ByteSource& device, const std::vector<ByteRun>& fileRuns, uint32_t blockSize,
                           const ClaimedRanges& claimed, const RebuildLimits& limits) {
    try {
        return PhotoRebuild(device, blockSize, claimed, limits).Run(fileRuns);
    } catch (const std::exception&) {
        // Out of memory on a hostile layout: not rebuilt.
        RebuildResult result;
        result.outcome = RebuildOutcome::NotCovered;
        return result;
    }
}

}  // namespace imaging::rebuild
