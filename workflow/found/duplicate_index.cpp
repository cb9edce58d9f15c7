#include "workflow/found/duplicate_index.h"

#include <cstring>

namespace workflow {

namespace {

// A digest's bytes are as good as random: its first eight, mixed with the
// size, place it in the table.
size_t Place(uint64_t size, const imaging::Sha256Digest& digest) {
    uint64_t bits;
    std::memcpy(&bits, digest.data(), sizeof bits);
    return static_cast<size_t>(bits ^ (size * 0x9E3779B97F4A7C15ULL));
}

}  // namespace

DuplicateIndex::Id DuplicateIndex::Add() {
    m_members.emplace_back();
    return static_cast<Id>(m_members.size() - 1);
}

uint32_t& DuplicateIndex::SlotOf(uint64_t size, const imaging::Sha256Digest& digest) {
    const size_t mask = m_slots.size() - 1;
    for (size_t at = Place(size, digest) & mask;; at = (at + 1) & mask) {
        uint32_t& slot = m_slots[at];
        if (slot == kNone) return slot;
        const Content& content = m_contents[slot];
        if (content.size == size && content.digest == digest) return slot;
    }
}

void DuplicateIndex::Grow() {
    // At most half full, so a probe ends soon and always finds a free slot.
    m_slots.assign(m_slots.empty() ? 64 : m_slots.size() * 2, kNone);
    for (uint32_t i = 0; i < m_contents.size(); ++i) SlotOf(m_contents[i].size, m_contents[i].digest) = i;
}

DuplicateIndex::Id DuplicateIndex::SetContent(Id id, uint64_t size, const imaging::Sha256Digest& digest) {
    Member& member = m_members[id];
    if (member.content != kNone) return m_contents[member.content].first;
    if ((m_contents.size() + 1) * 2 > m_slots.size()) Grow();
    uint32_t& slot = SlotOf(size, digest);
    if (slot == kNone) {
        slot = static_cast<uint32_t>(m_contents.size());
        m_contents.push_back({digest, size, id, 1});
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
