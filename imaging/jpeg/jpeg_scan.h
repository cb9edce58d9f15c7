#pragma once
// The entropy decoding of a sequential Huffman scan holding every component
// of the frame: the DC sample of each block, one row of MCUs at a time, and
// the first fault found on the way.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/jpeg/jpeg_headers.h"
#include "imaging/jpeg/jpeg_huffman.h"
#include "imaging/jpeg/jpeg_preview.h"

namespace imaging {

struct ScanComponent {
    unsigned h = 1;  // sampling factors; 1 x 1 for a lone component
    unsigned v = 1;
    unsigned dcQuant = 1;  // the first entry of its quantisation table
    const HuffmanTable* dc = nullptr;
    const HuffmanTable* ac = nullptr;
};

struct ScanLayout {
    std::array<ScanComponent, 3> components;
    unsigned componentCount = 0;
    unsigned hMax = 1;
    unsigned vMax = 1;
    unsigned mcusX = 0;  // MCUs across; each covers 8 * hMax x 8 * vMax pixels
    unsigned mcusY = 0;
    unsigned restartInterval = 0;  // in MCUs; 0 when none
    uint64_t Mcus() const { return uint64_t{mcusX} * mcusY; }
};

// The DC samples (0 to 255) of one row of MCUs: for each component, v rows
// of mcusX * h blocks.
struct BlockRow {
    std::array<std::vector<uint8_t>, 3> samples;
    std::array<unsigned, 3> stride{};
    uint8_t At(unsigned component, unsigned column, unsigned row) const {
        return samples[component][row * stride[component] + column];
    }
};

class BlockRowSink {
public:
    // Row `mcuRow` of MCUs, of which the first `mcus` decoded.
    virtual void TakeRow(unsigned mcuRow, unsigned mcus, const BlockRow& row) = 0;

protected:
    ~BlockRowSink() = default;
};

struct ScanVerdict {
    JpegDamage damage = JpegDamage::None;
    uint64_t firstBadMcu = 0;   // where the damage starts; meaningful when damaged
    // The damage was found after it began, somewhere from `searchFromMcu` on
    // (a restart marker checked good rules out what is before).
    bool foundLate = false;
    uint64_t searchFromMcu = 0;
};

// The layout of the first scan the headers describe; its tables stay in `headers`.
ScanLayout MakeScanLayout(const JpegHeaders& headers);

// Decodes the scan whose entropy-coded data starts at `start`.
ScanVerdict DecodeScan(std::span<const uint8_t> bytes, size_t start, const ScanLayout& layout, BlockRowSink& sink);

// One MCU, its blocks' DC samples written at column `mcuX` of `row`; false at
// a code or value no encoder writes. For decoders that keep their own state
// between MCUs (restart markers, where to resume) around DecodeScan's own step.
bool DecodeScanMcu(EntropyReader& reader, BitBuffer& buffer, const ScanLayout& layout, unsigned mcuX,
                   std::array<int, 3>& predictions, BlockRow& row);

}  // namespace imaging
