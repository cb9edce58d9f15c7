#pragma once
// The RAW file as the preview finder's parsers read it: bytes at any offset,
// handed over as a ByteReader and answered from one cached window, so that
// walking a directory of a hundred entries does not ask the file a hundred
// times; and a budget on all it reads, so that no layout, however many
// directories it chains, makes the finder read more than a few megabytes.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "imaging/byte_reader.h"
#include "imaging/raw/raw_preview.h"

namespace imaging {

class RawSource {
public:
    static constexpr uint64_t kWindowBytes = 64 * 1024;

    RawSource(RawReader& file, uint64_t budget) : m_file(file), m_size(file.Size()), m_budget(budget) {}

    uint64_t Size() const { return m_size; }
    // Lets `bytes` more be read.
    void Allow(uint64_t bytes) { m_budget += bytes; }
    // True when [offset, offset + length) lies inside the file.
    bool Holds(uint64_t offset, uint64_t length) const { return offset <= m_size && length <= m_size - offset; }

    // False past the end, past the budget, or when the file fails to read.
    bool Read(uint64_t offset, std::span<uint8_t> into);
    // The bytes at `offset` read into `into`, as a reader of them; when they
    // cannot be read, the reader fails at its first read.
    ByteReader Bytes(uint64_t offset, std::span<uint8_t> into, ByteOrder order);
    // The bytes at `offset` spell `tag` (at most 32 bytes).
    bool Matches(uint64_t offset, std::string_view tag);

private:
    bool Charge(uint64_t bytes);

    RawReader& m_file;
    uint64_t m_size;
    uint64_t m_budget;
    std::vector<uint8_t> m_window;
    uint64_t m_windowStart = 0;
};

// An embedded JPEG a parser found, not yet looked at.
struct RawCandidate {
    uint64_t offset = 0;
    uint64_t length = 0;
    // A thumbnail taken, though narrow, when nothing larger qualifies.
    bool narrowAllowed = false;
};

// What a family's parser found in the file's directories.
struct RawLayout {
    // Parsers stop adding past this many: no real file holds more than a few.
    static constexpr size_t kMaxCandidates = 64;

    RawFamily family = RawFamily::NotRaw;
    std::vector<RawCandidate> candidates;
    int orientation = 0;  // the container's, 0 when it gives none
    // A preview starting before this lies in the file's own header.
    uint64_t headerEnd = 0;
    uint64_t declaredEnd = 0;

    void Add(const RawCandidate& candidate) {
        if (candidates.size() < kMaxCandidates) candidates.push_back(candidate);
    }
    void Declare(uint64_t offset, uint64_t length) {
        const uint64_t end = offset + length < offset ? UINT64_MAX : offset + length;
        if (end > declaredEnd) declaredEnd = end;
    }
};

// Each returns false when the file is not of its family.
bool ReadTiffLayout(RawSource& source, RawLayout& layout);
bool ReadCr3Layout(RawSource& source, RawLayout& layout);
bool ReadRafLayout(RawSource& source, RawLayout& layout);
bool ReadCrwLayout(RawSource& source, RawLayout& layout);

// The orientation (1 to 8) in IFD0 of a TIFF structure starting at `base`,
// 0 when it gives none; for a CR3's metadata box.
int ReadTiffOrientation(RawSource& source, uint64_t base);

}  // namespace imaging
