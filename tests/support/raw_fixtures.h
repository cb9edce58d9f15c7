#pragma once
// Small RAW files of each family, laid out as their makers document them,
// around a JPEG handed in: for the preview finder's tests and its fuzzer's
// seeds. Plain C++, so the fuzzer's native build uses them too.
#include <cstdint>
#include <string>
#include <vector>

namespace raw_fixtures {

using Bytes = std::vector<uint8_t>;

// Where the TIFF fixtures put things.
inline constexpr uint32_t kIfd0At = 8;
inline constexpr uint32_t kPreviewIfdAt = 0x100;
inline constexpr uint32_t kRawIfdAt = 0x180;
inline constexpr uint32_t kPreviewAt = 0x400;
inline constexpr uint32_t kRawBytes = 8192;

// NEF, ARW, PEF and the like: IFD0 holds the orientation and two SubIFDs,
// one with the preview as a JPEGInterchangeFormat pair, one with the raw
// data (a CFA strip after the preview).
struct SubIfdFile {
    bool bigEndian = false;
    int orientation = 1;
    bool ifd0ChainsToItself = false;
    bool rawSubIfdNamesItself = false;
    // Where the preview's pair says it is, when not where it is.
    uint32_t previewOffset = 0;
};
Bytes MakeSubIfdFile(const Bytes& preview, const SubIfdFile& options = {});

// CR2: "CR" after the header, the preview as IFD0's one JPEG strip, the raw
// data as the lossless JPEG strip of the next IFD in the chain.
Bytes MakeCr2File(const Bytes& preview, const Bytes& losslessRaw);

// ORF: "IIRO", the preview in Olympus's camera settings inside the maker
// note, its offset counted from the note's start.
Bytes MakeOrfFile(const Bytes& preview);

// RW2: magic 0x55, the preview as IFD0's JpgFromRaw tag.
Bytes MakeRw2File(const Bytes& preview);

// A TIFF picture with no raw data, its JPEG thumbnail in IFD1, as a scanner
// or an editor writes.
Bytes MakePlainTiff(const Bytes& thumbnail);

// CR3 boxes: ftyp, moov holding Canon's uuid box with CMT1 (its TIFF IFD0
// holding the orientation) and THMB, Canon's preview uuid box with PRVW
// (left out when `preview` is empty), and mdat.
Bytes MakeCr3File(const Bytes& preview, const Bytes& thumbnail, int orientation);

// RAF: the header naming the JPEG, the raw data's header and the raw data.
Bytes MakeRafFile(const Bytes& preview);

// CRW: a heap holding the JPEG and a sub-heap with the image info, whose
// rotation is in degrees.
Bytes MakeCrwFile(const Bytes& preview, int rotation);

// A JPEG whose start-of-frame marker is changed to `frame` (0xC3: lossless)
// and its size to `width` x `height` (0: as it was): enough for anything that
// reads only the headers.
Bytes WithFrame(Bytes jpeg, uint8_t frame, uint16_t width, uint16_t height = 0);

}  // namespace raw_fixtures
