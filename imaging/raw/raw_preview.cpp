#include "imaging/raw/raw_preview.h"

#include <algorithm>
#include <exception>
#include <memory>
#include <new>
#include <vector>

#include "imaging/jpeg/jpeg_headers.h"
#include "imaging/raw/raw_source.h"

namespace imaging {

namespace {

// What the finder reads of a file: its directories, then the JPEGs' headers,
// each within a budget of its own, so that a file whose directories exhaust
// theirs still has its previews looked at.
constexpr uint64_t kDirectoriesBudget = uint64_t{1} << 20;
constexpr uint64_t kHeadersBudget = uint64_t{1} << 20;
// A JPEG's headers are first read this far, from the window the directories
// were read through when the JPEG lies near them: a camera's preview mostly
// has no EXIF of its own, and its headers take a few hundred bytes.
constexpr uint64_t kFirstHeadBytes = 4096;
// Headers longer than this (a JPEG's EXIF alone may take 64 KB) are no
// camera's preview.
constexpr uint64_t kMaxHeadBytes = 1024 * 1024;
constexpr unsigned kMaxSegments = 512;
constexpr unsigned kMinPreviewWidth = 256;
constexpr uint64_t kMinJpegBytes = 4;

// Where the SOS segment of the JPEG at `offset` ends, counted from `offset`,
// by stepping from marker to marker; none past `limit`.
std::optional<uint64_t> HeadLength(RawSource& source, uint64_t offset, uint64_t limit) {
    constexpr ByteOrder kOrder = ByteOrder::BigEndian;
    uint64_t at = offset + 2;
    for (unsigned segment = 0; segment < kMaxSegments && at - offset < limit; ++segment) {
        uint8_t prefix[1], code[1], lengthBytes[2];
        if (source.Bytes(at, prefix, kOrder).U8() != 0xFF) return std::nullopt;
        ByteReader markerField = source.Bytes(at + 1, code, kOrder);
        uint8_t marker = markerField.U8();
        // Fill bytes (FF) before the marker.
        while (!markerField.Failed() && marker == 0xFF && at - offset < limit) {
            markerField = source.Bytes(++at + 1, code, kOrder);
            marker = markerField.U8();
        }
        ByteReader lengthField = source.Bytes(at + 2, lengthBytes, kOrder);
        const uint16_t length = lengthField.U16();
        if (markerField.Failed() || lengthField.Failed() || length < 2) return std::nullopt;
        at += 2 + uint64_t{length};
        if (marker == 0xDA) return at - offset <= limit ? std::optional<uint64_t>(at - offset) : std::nullopt;
    }
    return std::nullopt;
}

class CandidateCheck {
public:
    CandidateCheck(RawSource& source, const RawLayout& layout, const RawPreviewLimits& limits, RawFacts& facts)
        : m_source(source), m_layout(layout), m_limits(limits), m_facts(facts) {}

    void Check(const RawCandidate& candidate) {
        const uint64_t offset = candidate.offset, length = candidate.length;
        // One that starts in the header or runs past the file's end is none.
        if (offset < m_layout.headerEnd || length < kMinJpegBytes || !m_source.Holds(offset, length)) return;
        if (!m_source.Matches(offset, "\xFF\xD8")) return;
        if (length > m_limits.maxBytes) {
            m_facts.previewTooLarge = true;
            return;
        }
        JpegHeaders headers;
        if (!ReadHeaders(offset, length, headers)) return;
        if (headers.width < kMinPreviewWidth && !candidate.narrowAllowed) return;
        const uint64_t pixels = uint64_t{headers.width} * headers.height;
        if (pixels > m_limits.maxPixels) {
            m_facts.previewTooLarge = true;
            return;
        }
        if (m_facts.preview && pixels <= uint64_t{m_facts.preview->width} * m_facts.preview->height) return;
        const int own = m_layout.orientation;
        m_facts.preview = RawPreview{offset, length, headers.width, headers.height,
                                     own >= 1 && own <= 8 ? own : headers.orientation};
    }

private:
    // The headers up to the first scan, when the JPEG is one our decoder covers.
    bool ReadHeaders(uint64_t offset, uint64_t length, JpegHeaders& headers) {
        uint64_t head = std::min(length, kFirstHeadBytes);
        for (int attempt = 0; attempt < 2; ++attempt) {
            m_head.resize(static_cast<size_t>(head));
            if (!m_source.Read(offset, m_head)) return false;
            if (ReadJpegHeaders(m_head, headers)) return true;
            if (head == length) return false;
            const auto whole = HeadLength(m_source, offset, std::min(length, kMaxHeadBytes));
            if (!whole || *whole <= head) return false;
            head = *whole;
        }
        return false;
    }

    RawSource& m_source;
    const RawLayout& m_layout;
    const RawPreviewLimits& m_limits;
    RawFacts& m_facts;
    std::vector<uint8_t> m_head;
};

bool ReadLayout(RawSource& source, RawLayout& layout) {
    for (const auto read : {ReadTiffLayout, ReadCr3Layout, ReadRafLayout, ReadCrwLayout}) {
        layout = RawLayout();
        if (read(source, layout)) return true;
    }
    return false;
}

RawFacts Find(RawReader& file, const RawPreviewLimits& limits) {
    RawFacts facts;
    facts.fileSize = file.Size();
    RawSource source(file, kDirectoriesBudget);
    const auto layout = std::make_unique<RawLayout>();
    if (!ReadLayout(source, *layout)) return facts;
    facts.family = layout->family;
    facts.declaredEnd = layout->declaredEnd;
    std::vector<RawCandidate>& candidates = layout->candidates;
    // The same JPEG is often named twice (a pair and a strip, two bases).
    std::sort(candidates.begin(), candidates.end(), [](const RawCandidate& a, const RawCandidate& b) {
        return a.offset != b.offset ? a.offset < b.offset : a.length < b.length;
    });
    candidates.erase(std::unique(candidates.begin(), candidates.end(),
                                 [](const RawCandidate& a, const RawCandidate& b) {
                                     return a.offset == b.offset && a.length == b.length;
                                 }),
                     candidates.end());
    source.Allow(kHeadersBudget);
    CandidateCheck check(source, *layout, limits, facts);
    for (const RawCandidate& candidate : candidates) check.Check(candidate);
    return facts;
}

}  // namespace

RawFacts FindRawPreview(RawReader& file, const RawPreviewLimits& limits) {
    try {
        return Find(file, limits);
    } catch (const std::exception&) {
        RawFacts facts;
        facts.fileSize = file.Size();
        return facts;
    }
}

}  // namespace imaging
