#include "workflow/found/duplicate_index.h"

#include <cstring>

namespace workflow {

namespace {

constexpr uint64_t kMix = 0x9E3779B97F4A7C15ULL;

// A digest's bytes are as good as random: its first eight, mixed with the
// size, place it in the table.
size_t Place(uint64_t size, const imaging::Sha256Digest& digest) {
    uint64_t bits;
    std::memcpy(&bits, digest.data(), sizeof bits);
    return static_cast<size_t>(bits ^ (size * kMix));
}

size_t Place(uint64_t size) { return static_cast<size_t>((size * kMix) >> 20); }

}  // namespace

DuplicateIndex::Added DuplicateIndex::Add(uint64_t size) {
    const Id id = static_cast<Id>(m_members.size());
    m_members.push_back({size, kNone, kNone});
    if ((m_sizes + 1) * 2 > m_sizeSlots.size()) GrowSizeSlots();
    uint32_t& slot = SizeSlot(size);
    Added added;
    added.id = id;
    if (slot == kNone) {
        slot = id;
        ++m_sizes;
        return added;
    }
    added.sizeShared = true;
    // Only the second of a size asks for the first: a third finds it asked for.
    if (!(slot & kSizeShared)) {
        const Id first = slot;
        slot |= kSizeShared;
        if (!Hashed(first)) added.hashAlso = first;
    }
    return added;
}

uint32_t& DuplicateIndex::SizeSlot(uint64_t size) {
    const size_t mask = m_sizeSlots.size() - 1;
    for (size_t at = Place(size) & mask;; at = (at + 1) & mask) {
        uint32_t& slot = m_sizeSlots[at];
        if (slot == kNone || m_members[slot & ~kSizeShared].size == size) return slot;
    }
}

uint32_t& DuplicateIndex::ContentSlot(uint64_t size, const imaging::Sha256Digest& digest) {
    const size_t mask = m_contentSlots.size() - 1;
    for (size_t at = Place(size, digest) & mask;; at = (at + 1) & mask) {
        uint32_t& slot = m_contentSlots[at];
        if (slot == kNone) return slot;
        const Content& content = m_contents[slot];
        if (m_members[content.first].size == size && content.digest == digest) return slot;
    }
}

void DuplicateIndex::GrowSizeSlots() {
    std::vector<uint32_t> old = std::move(m_sizeSlots);
    m_sizeSlots.assign(old.empty() ? 64 : old.size() * 2, kNone);
    for (uint32_t slot : old)
        if (slot != kNone) SizeSlot(m_members[slot & ~kSizeShared].size) = slot;
}

void DuplicateIndex::GrowContentSlots() {
    m_contentSlots.assign(m_contentSlots.empty() ? 64 : m_contentSlots.size() * 2, kNone);
    for (uint32_t i = 0; i < m_contents.size(); ++i)
        ContentSlot(m_members[m_contents[i].first].size, m_contents[i].digest) = i;
}

DuplicateIndex::Id DuplicateIndex::SetContent(Id id, const imaging::Sha256Digest& digest) {
    if (m_members[id].content != kNone) return m_contents[m_members[id].content].first;
    if ((m_contents.size() + 1) * 2 > m_contentSlots.size()) GrowContentSlots();
    uint32_t& slot = ContentSlot(m_members[id].size, digest);
    Member& member = m_members[id];
    if (slot == kNone) {
        slot = static_cast<uint32_t>(m_contents.size());
        m_contents.push_back({digest, id, 1});
        member.content = slot;
        return id;
    }
    Content& content = m_contents[slot];
    member.content = slot;
    ++content.count;
    // Digests come in any order: the members stay linked in found order.
    if (id < content.first) {
        member.next = content.first;
        content.first = id;
        return id;
    }
    Id before = content.first;
    while (m_members[before].next != kNone && m_members[before].next < id) before = m_members[before].next;
    member.next = m_members[before].next;
    m_members[before].next = id;
    return content.first;
}

std::optional<imaging::Sha256Digest> DuplicateIndex::DigestOf(Id id) const {
    const uint32_t content = m_members[id].content;
    if (content == kNone) return std::nullopt;
    return m_contents[content].digest;
}

uint32_t DuplicateIndex::TimesFound(Id id) const {
    const uint32_t content = m_members[id].content;
    return content == kNone ? 1 : m_contents[content].count;
}

DuplicateIndex::Id DuplicateIndex::FirstFound(Id id) const {
    const uint32_t content = m_members[id].content;
    return content == kNone ? id : m_contents[content].first;
}

std::vector<DuplicateIndex::Id> DuplicateIndex::SameContent(Id id) const {
    std::vector<Id> same;
    for (Id member = FirstFound(id); member != kNone; member = m_members[member].next) same.push_back(member);
    return same;
}

std::string TimesFoundText(uint32_t times) {
    return times > 1 ? "Found " + std::to_string(times) + " times" : std::string();
}

std::vector<bool> KnownRepeats(const DuplicateIndex& index, std::span<const DuplicateIndex::Id> copyOrder) {
    std::vector<bool> repeats(copyOrder.size(), false);
    // A content is named by its first found file's id: the same for every member.
    std::vector<bool> firstSeen(index.Count(), false);
    for (size_t i = 0; i < copyOrder.size(); ++i) {
        const DuplicateIndex::Id id = copyOrder[i];
        if (!index.Hashed(id)) continue;
        const DuplicateIndex::Id first = index.FirstFound(id);
        repeats[i] = firstSeen[first];
        firstSeen[first] = true;
    }
    return repeats;
}

const std::string* WrittenContents::WrittenAs(uint64_t size, const imaging::Sha256Digest& digest) const {
    const auto found = m_written.find({size, digest});
    return found == m_written.end() ? nullptr : &found->second;
}

bool WrittenContents::Claim(uint64_t size, const imaging::Sha256Digest& digest, const std::string& name) {
    return m_written.try_emplace({size, digest}, name).second;
}

}  // namespace workflow
