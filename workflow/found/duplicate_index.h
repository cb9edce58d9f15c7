#pragma once
// Which found files hold the same bytes: a card reused after a format, or a
// disk with backups and caches, gives back the same photo many times. Two
// files are the same when their sizes and the SHA-256 of their whole bytes
// are; the digest is made where the bytes are read anyway (the thumbnail
// worker, the copy) and handed here. Photos and other files share one index,
// so a photo and a file row of the same bytes are known as one content.
//
// Threads: not locked. The window's thread owns the index; workers hand
// their digests over with their results, as values.
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "imaging/sha256.h"

namespace workflow {

class DuplicateIndex {
public:
    using Id = uint32_t;

    struct Added {
        Id id = 0;
        // Another file of the same size was found before: only then can this
        // one be a copy, and its bytes must be hashed to tell.
        bool sizeShared = false;
        // The one file of that size found before, when it was alone until now
        // and is not hashed yet: it must be hashed too.
        std::optional<Id> hashAlso;
    };

    // A found file, in the order files are found: its id is its place in
    // that order, so the first found of a content is its lowest id. With the
    // processor's SHA instructions a worker may hash every file it reads
    // anyway; without them hashing costs a large share of a JPEG preview's
    // decode, and only the files of a size found twice need it (Added says
    // which).
    Added Add(uint64_t size);
    size_t Count() const { return m_members.size(); }
    uint64_t SizeOf(Id id) const { return m_members[id].size; }

    // The file's digest once known: it joins the files of the same content.
    // A second digest for the same file is ignored: its first standing is
    // what the window has shown. Returns the first found of the content,
    // whose standing (and that of every other member) has changed when it
    // holds more than this file.
    Id SetContent(Id id, const imaging::Sha256Digest& digest);

    bool Hashed(Id id) const { return m_members[id].content != kNone; }
    // None until hashed.
    std::optional<imaging::Sha256Digest> DigestOf(Id id) const;
    // How many found files hold its bytes; 1 until it is hashed (no file is
    // called a copy on its size alone).
    uint32_t TimesFound(Id id) const;
    // The first found of its content; itself until hashed.
    Id FirstFound(Id id) const;
    bool IsCopy(Id id) const { return FirstFound(id) != id; }
    // Every file of its content in found order, itself included.
    std::vector<Id> SameContent(Id id) const;

private:
    static constexpr uint32_t kNone = UINT32_MAX;
    // Marks a size slot whose size a second file has: ids stay below 2^31 - 1.
    static constexpr uint32_t kSizeShared = 0x80000000u;

    struct Member {
        uint64_t size = 0;
        uint32_t content = kNone;
        uint32_t next = kNone;  // the next found of the same content
    };
    struct Content {
        imaging::Sha256Digest digest;
        Id first;  // its size is the first's
        uint32_t count;
    };

    // Open addressing, at most half full: a content's index (or a member's
    // id for sizes) or kNone.
    uint32_t& ContentSlot(uint64_t size, const imaging::Sha256Digest& digest);
    uint32_t& SizeSlot(uint64_t size);
    void GrowContentSlots();
    void GrowSizeSlots();

    std::vector<Member> m_members;
    std::vector<Content> m_contents;
    std::vector<uint32_t> m_contentSlots;
    std::vector<uint32_t> m_sizeSlots;  // the first found of each size
    size_t m_sizes = 0;
};

// "Found 3 times" for a tip; empty for a file found once.
std::string TimesFoundText(uint32_t times);

// For files in the order a copy writes them: true for each whose bytes, as
// far as known, are those of a file before it, so the copy need not read it.
// A file not hashed yet is hashed by the copy as it reads it and checked
// against WrittenContents.
std::vector<bool> KnownRepeats(const DuplicateIndex& index, std::span<const DuplicateIndex::Id> copyOrder);

// The contents a copy has written, and the name each was written under: a
// copy writes each content once, whichever of its files are ticked.
// Threads: the copy's own.
class WrittenContents {
public:
    // The name the same bytes were written under by this copy; none when
    // not yet.
    const std::string* WrittenAs(uint64_t size, const imaging::Sha256Digest& digest) const;
    // Records bytes written under `name`; false, changing nothing, when the
    // same bytes were written before (the new file is then to be dropped).
    bool Claim(uint64_t size, const imaging::Sha256Digest& digest, const std::string& name);

private:
    std::map<std::pair<uint64_t, imaging::Sha256Digest>, std::string> m_written;
};

}  // namespace workflow
