#pragma once
// The entropy decoding of a JPEG's scan that can stop anywhere and go on
// over other bytes: the decoder's whole state between two MCUs is a
// checkpoint (where the next byte is, the bits already read, the DC
// predictions, the MCU and restart counts), kept only where it is sure of it.
// Bytes come as a window of the file's logical stream; running out of them
// is not a fault but a request for more, and the checkpoint given back is
// the last one from which more bytes change nothing already decided.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/jpeg/jpeg_bit_reader.h"
#include "imaging/jpeg/jpeg_scan.h"

namespace imaging::rebuild {

struct ScanCheckpoint {
    uint64_t position = 0;  // in the file: the next byte the reader takes
    BitBuffer buffer;       // bits read from before `position`, not yet decoded
    std::array<int, 3> predictions{};
    uint64_t mcu = 0;       // the next MCU to decode
    int restartNumber = 0;  // of the next restart marker, 0 to 7
    uint64_t restartMcu = 0;  // the MCU the last restart marker taken came before
    uint64_t restartEnd = 0;  // just past the last restart marker taken; 0 when none
};

// The DC sample of every block of the picture, by component.
class DcGrid {
public:
    // Pictures of more blocks than this (about 250 megapixels) are not rebuilt.
    static constexpr uint64_t kMaxBlocks = uint64_t{12} << 20;
    static bool Fits(const ScanLayout& layout);

    explicit DcGrid(const ScanLayout& layout);
    unsigned Columns(unsigned component) const { return m_columns[component]; }
    uint8_t At(unsigned component, unsigned column, unsigned row) const {
        return m_samples[component][size_t{row} * m_columns[component] + column];
    }
    // The blocks of MCU `mcu`, as DecodeScanMcu wrote them at column 0 of `row`.
    void Store(uint64_t mcu, const BlockRow& row);

private:
    const ScanLayout& m_layout;
    std::array<std::vector<uint8_t>, 3> m_samples;
    std::array<unsigned, 3> m_columns{};
};

enum class ScanStop {
    Reached,    // the goal MCU is next
    Finished,   // every MCU decoded and the end marker follows
    Fault,      // a code, value, marker or sector of zeros no encoder writes, or the data ended
    NeedBytes,  // the window ended first: go on from the checkpoint with more
};

struct ScanProgress {
    ScanStop stop = ScanStop::Fault;
    uint64_t faultMcu = 0;
    uint64_t faultPosition = 0;  // in the file: how far the reader had read at the fault
    uint64_t endPosition = 0;    // Finished: just past the end marker
};

// Decodes from `at` until MCU `goal` is next (or the picture's end), over the
// file's bytes [windowStart, windowStart + window.size()), which must hold
// `at.position`. `atEnd`: no bytes follow the window, so running out of them
// is a fault. `at` becomes the last sure checkpoint (at the goal when Reached
// before the reader met the window's end); `marks`, when given,
// gets a checkpoint at the first sure point of each row of MCUs reached.
ScanProgress DecodeFromCheckpoint(std::span<const uint8_t> window, uint64_t windowStart, bool atEnd,
                                  const ScanLayout& layout, ScanCheckpoint& at, uint64_t goal, DcGrid& grid,
                                  std::vector<ScanCheckpoint>* marks = nullptr);

}  // namespace imaging::rebuild
