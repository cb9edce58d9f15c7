#include "imaging/rebuild/scan_checkpoint.h"

#include "imaging/jpeg/jpeg_segments.h"

namespace imaging::rebuild {

namespace {

// As the preview's scan: more bytes than this of data after the last block,
// before the end marker, belong to something else.
constexpr size_t kLeftoverLimit = 8;

}  // namespace

bool DcGrid::Fits(const ScanLayout& layout) {
    uint64_t blocks = 0;
    for (unsigned c = 0; c < layout.componentCount; ++c)
        blocks += uint64_t{layout.components[c].h} * layout.components[c].v;
    return layout.componentCount > 0 && layout.Mcus() > 0 && layout.Mcus() * blocks <= kMaxBlocks;
}

DcGrid::DcGrid(const ScanLayout& layout) : m_layout(layout) {
    for (unsigned c = 0; c < layout.componentCount; ++c) {
        m_columns[c] = layout.mcusX * layout.components[c].h;
        m_samples[c].assign(size_t{m_columns[c]} * layout.mcusY * layout.components[c].v, 128);
    }
}

void DcGrid::Store(uint64_t mcu, const BlockRow& row) {
    const unsigned mcuX = static_cast<unsigned>(mcu % m_layout.mcusX);
    const unsigned mcuY = static_cast<unsigned>(mcu / m_layout.mcusX);
    for (unsigned c = 0; c < m_layout.componentCount; ++c) {
        const ScanComponent& component = m_layout.components[c];
        for (unsigned by = 0; by < component.v; ++by) {
            uint8_t* out = m_samples[c].data() + size_t{mcuY * component.v + by} * m_columns[c] + mcuX * component.h;
            for (unsigned bx = 0; bx < component.h; ++bx) out[bx] = row.At(c, bx, by);
        }
    }
}

ScanProgress DecodeFromCheckpoint(std::span<const uint8_t> window, uint64_t windowStart, bool atEnd,
                                  const ScanLayout& layout, ScanCheckpoint& at, uint64_t goal, DcGrid& grid,
                                  std::vector<ScanCheckpoint>* marks) {
    ScanProgress progress;
    if (at.position < windowStart || at.position - windowStart > window.size()) return progress;
    EntropyReader reader(window, static_cast<size_t>(at.position - windowStart));
    reader.WatchZeros(true);
    const uint64_t total = layout.Mcus();
    if (goal > total) goal = total;

    // The state as decoded so far; `at` follows it wherever the reader has
    // not yet met the window's end, so that more bytes would change nothing.
    ScanCheckpoint state = at;
    BlockRow row;
    for (unsigned c = 0; c < layout.componentCount; ++c) {
        row.stride[c] = layout.components[c].h;
        row.samples[c].assign(size_t{layout.components[c].h} * layout.components[c].v, 128);
    }
    const auto sure = [&] { return reader.StopMarker() == -1; };
    const auto commit = [&] {
        state.position = windowStart + reader.Position();
        at = state;
        if (marks && (marks->empty() || marks->back().mcu / layout.mcusX < state.mcu / layout.mcusX))
            marks->push_back(state);
    };
    const auto stopAt = [&](bool ranOut) {
        if (ranOut && !atEnd) {
            progress.stop = ScanStop::NeedBytes;
        } else {
            progress.stop = ScanStop::Fault;
            progress.faultMcu = state.mcu;
            progress.faultPosition = windowStart + reader.Position();
        }
        return progress;
    };
    const auto ranOut = [&] { return reader.StopMarker() == EntropyReader::kEndOfData; };

    while (state.mcu < goal) {
        if (layout.restartInterval != 0 && state.mcu != 0 && state.mcu % layout.restartInterval == 0 &&
            state.restartMcu != state.mcu) {
            const auto restart = reader.TakeRestart(state.buffer, state.restartNumber);
            if (restart != EntropyReader::Restart::Taken) return stopAt(restart == EntropyReader::Restart::Ended && ranOut());
            state.restartNumber = (state.restartNumber + 1) & 7;
            state.predictions = {};
            state.restartMcu = state.mcu;
            state.restartEnd = windowStart + reader.Position();
            if (sure()) commit();
        }
        reader.SetUnit(state.mcu);
        const bool clean = DecodeScanMcu(reader, state.buffer, layout, 0, state.predictions, row);
        if (!clean || reader.Overran(state.buffer) || reader.SawZeroSector()) return stopAt(ranOut() && !reader.SawZeroSector());
        grid.Store(state.mcu, row);
        ++state.mcu;
        if (sure()) commit();
    }
    if (state.mcu < total) {
        // When the reader has met the window's end, `at` stays the last sure
        // checkpoint, before the goal.
        progress.stop = ScanStop::Reached;
        return progress;
    }
    bool endsAtEoi = false;
    const size_t left = reader.DataBytesLeft(state.buffer, endsAtEoi);
    if (ranOut()) return stopAt(true);
    if (!endsAtEoi || left > kLeftoverLimit) {
        progress.stop = ScanStop::Fault;
        progress.faultMcu = total;
        progress.faultPosition = windowStart + reader.Position();
        return progress;
    }
    progress.stop = ScanStop::Finished;
    progress.endPosition = windowStart + reader.Position() + 2;
    return progress;
}

}  // namespace imaging::rebuild
