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

    // A found file, in the order files are found: its id is its place in
    // that order, so the first found of a content is its lowest id.
    Id Add();
    size_t Count() const { return m_members.size(); }

    // The file's size and digest once known: it joins the files of the same
    // content. A second digest for the same file is ignored: its first
    // standing is what the window has shown. Returns the first found of the
    // content, whose standing (and that of every other member) has changed
    // when it holds more than this file.
    Id SetContent(Id id, uint64_t size, const imaging::Sha256Digest& digest);

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

    struct Member {
        uint32_t content = kNone;
        uint32_t next = kNone;  // the next found of the same content
    };
    struct Content {
        imaging::Sha256Digest digest;
        uint64_t size;
        Id first;
        uint32_t count;
    };

    uint32_t& SlotOf(uint64_t size, const imaging::Sha256Digest& digest);
    void Grow();

    std::vector<Member> m_members;
    std::vector<Content> m_contents;
    // Open addressing over m_contents: a content's index, or kNone.
    std::vector<uint32_t> m_slots;
};

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
