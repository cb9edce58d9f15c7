#include "imaging/jpeg/jpeg_scan.h"

#include <algorithm>

#include "imaging/jpeg/jpeg_segments.h"

namespace imaging {

namespace {

// 8-bit samples make block means of -128 to 127, so DC * q / 8 stays within
// that; the encoder's rounding adds up to q / 2. Past this margin no encoder
// of 8-bit data wrote the value.
constexpr int kDcMargin = 1024 + 64;

// An encoder ends the data with the padded last byte of the last block,
// some with a run of 00 or FF after it; more bytes than this of anything
// else before EOI are data of something else.
constexpr size_t kLeftoverLimit = 8;

constexpr int kCoefficients = 64;

[[gnu::always_inline]] inline bool DecodeBlock(EntropyReader& reader, BitBuffer& buffer, const ScanComponent& component, int& prediction,
                 uint8_t& sample) {
    int difference = 0;
    if (!component.dc->DecodeDc(reader, buffer, difference)) return false;
    prediction += difference;
    const int quant = static_cast<int>(component.dcQuant);
    const int value = prediction * quant;
    if (value > kDcMargin + quant || value < -kDcMargin - quant) return false;
    const int mean = value >= 0 ? (value + 4) >> 3 : -((-value + 4) >> 3);
    sample = static_cast<uint8_t>(std::clamp(128 + mean, 0, 255));
    unsigned index = 1;
    while (index < kCoefficients) {
        const unsigned advance = component.ac->SkipAc(reader, buffer);
        if (advance == 0) break;
        index += advance;
    }
    return index <= kCoefficients;
}

bool DecodeMcuBlocks(EntropyReader& reader, BitBuffer& buffer, const ScanLayout& layout, unsigned mcuX,
                     std::array<int, 3>& predictions, BlockRow& row) {
    for (unsigned c = 0; c < layout.componentCount; ++c) {
        const ScanComponent& component = layout.components[c];
        for (unsigned by = 0; by < component.v; ++by) {
            uint8_t* samples = row.samples[c].data() + by * row.stride[c] + mcuX * component.h;
            for (unsigned bx = 0; bx < component.h; ++bx) {
                if (!DecodeBlock(reader, buffer, component, predictions[c], samples[bx])) return false;
            }
        }
    }
    return true;
}

bool DecodeMcu(EntropyReader& reader, BitBuffer& buffer, const ScanLayout& layout, unsigned mcuX,
               std::array<int, 3>& predictions, BlockRow& row) {
    // A copy the compiler can keep in registers through the blocks.
    BitBuffer bits = buffer;
    const bool clean = DecodeMcuBlocks(reader, bits, layout, mcuX, predictions, row);
    buffer = bits;
    return clean;
}

// What a fault found at `mcu` means: a run of zeros explains it first, then
// data that stopped short, then the data itself.
ScanVerdict Classify(EntropyReader& reader, const BitBuffer& buffer, bool decodedCleanly, uint64_t mcu,
                     uint64_t lastRestart) {
    ScanVerdict verdict;
    verdict.firstBadMcu = mcu;
    verdict.searchFromMcu = lastRestart;
    if (reader.SawZeroSector() || (!decodedCleanly && reader.InZeroSector())) {
        verdict.damage = JpegDamage::Overwritten;
        verdict.firstBadMcu = std::min(mcu, reader.ZeroSectorUnit());
    } else if (reader.Overran(buffer)) {
        const int marker = reader.StopMarker();
        const bool restart = marker != EntropyReader::kEndOfData && jpeg_marker::IsRestart(static_cast<uint8_t>(marker));
        verdict.damage = restart ? JpegDamage::BadData : JpegDamage::CutOff;
        // The bytes simply ending is a cut; a marker too early may end the
        // data of another picture that took over earlier.
        verdict.foundLate = marker != EntropyReader::kEndOfData;
    } else {
        verdict.damage = JpegDamage::BadData;
        verdict.foundLate = true;
    }
    return verdict;
}

unsigned DivideUp(unsigned value, unsigned by) { return (value + by - 1) / by; }

}  // namespace

ScanLayout MakeScanLayout(const JpegHeaders& headers) {
    ScanLayout layout;
    layout.componentCount = headers.componentCount;
    layout.restartInterval = headers.restartInterval;
    for (unsigned c = 0; c < headers.componentCount; ++c) {
        const JpegFrameComponent& frame = headers.components[c];
        ScanComponent& component = layout.components[c];
        // A lone component is coded block by block whatever its factors say.
        component.h = headers.componentCount == 1 ? 1 : frame.h;
        component.v = headers.componentCount == 1 ? 1 : frame.v;
        component.dcQuant = headers.dcQuant[frame.quantTable];
        component.dc = &headers.dcTables[frame.dcTable];
        component.ac = &headers.acTables[frame.acTable];
        layout.hMax = std::max(layout.hMax, component.h);
        layout.vMax = std::max(layout.vMax, component.v);
    }
    layout.mcusX = DivideUp(headers.width, 8 * layout.hMax);
    layout.mcusY = DivideUp(headers.height, 8 * layout.vMax);
    return layout;
}

bool DecodeScanMcu(EntropyReader& reader, BitBuffer& buffer, const ScanLayout& layout, unsigned mcuX,
                   std::array<int, 3>& predictions, BlockRow& row) {
    return DecodeMcu(reader, buffer, layout, mcuX, predictions, row);
}

ScanVerdict DecodeScan(std::span<const uint8_t> bytes, size_t start, const ScanLayout& layout, BlockRowSink& sink) {
    EntropyReader reader(bytes, start);
    BitBuffer buffer;
    BlockRow row;
    for (unsigned c = 0; c < layout.componentCount; ++c) {
        row.stride[c] = layout.mcusX * layout.components[c].h;
        row.samples[c].assign(size_t{row.stride[c]} * layout.components[c].v, 128);
    }
    // With tables that code a flat block as zero bits, a sector of zeros is
    // a flat area; with others (the standard tables among them) no encoder
    // writes one.
    bool zerosAreData = true;
    for (unsigned c = 0; c < layout.componentCount; ++c) {
        const ScanComponent& component = layout.components[c];
        zerosAreData = zerosAreData && component.dc->ZerosMeanNothing() && component.ac->ZerosMeanNothing();
    }
    reader.WatchZeros(!zerosAreData);
    std::array<int, 3> predictions{};
    uint64_t mcu = 0, lastRestart = 0;
    int restartNumber = 0;
    for (unsigned mcuY = 0; mcuY < layout.mcusY; ++mcuY) {
        for (unsigned mcuX = 0; mcuX < layout.mcusX; ++mcuX, ++mcu) {
            if (layout.restartInterval != 0 && mcu != 0 && mcu % layout.restartInterval == 0) {
                const auto restart = reader.TakeRestart(buffer, restartNumber);
                if (restart != EntropyReader::Restart::Taken) {
                    sink.TakeRow(mcuY, mcuX, row);
                    ScanVerdict verdict;
                    verdict.firstBadMcu = mcu;
                    verdict.searchFromMcu = lastRestart;
                    const int marker = reader.StopMarker();
                    verdict.damage = restart == EntropyReader::Restart::Ended ? JpegDamage::CutOff : JpegDamage::BadData;
                    verdict.foundLate = marker != EntropyReader::kEndOfData;
                    return verdict;
                }
                restartNumber = (restartNumber + 1) & 7;
                predictions = {};
                lastRestart = mcu;
            }
            reader.SetUnit(mcu);
            const bool clean = DecodeMcu(reader, buffer, layout, mcuX, predictions, row);
            if (!clean || reader.Overran(buffer) || reader.SawZeroSector()) {
                sink.TakeRow(mcuY, mcuX, row);
                return Classify(reader, buffer, clean, mcu, lastRestart);
            }
        }
        sink.TakeRow(mcuY, layout.mcusX, row);
    }
    ScanVerdict verdict;
    bool endsAtEoi = false;
    if (reader.DataBytesLeft(buffer, endsAtEoi) > kLeftoverLimit && endsAtEoi) {
        verdict.damage = JpegDamage::BadData;
        verdict.firstBadMcu = layout.Mcus();
        verdict.foundLate = true;
        verdict.searchFromMcu = lastRestart;
    }
    return verdict;
}

}  // namespace imaging
