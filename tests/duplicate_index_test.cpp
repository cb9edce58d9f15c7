// Found files of the same bytes known as one content: its count, its first
// found, and which files a copy leaves out because their bytes are written.
#include "workflow/found/duplicate_index.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using workflow::DuplicateIndex;
using Id = DuplicateIndex::Id;

imaging::Sha256Digest DigestOf(const std::string& bytes) {
    return imaging::Sha256Of({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
}

struct Found {
    const char* what;  // "photo" or "file": one index holds both
    std::string bytes;
};

TEST(DuplicateIndex, GroupsPhotosAndFilesOfTheSameBytesWhateverOrderTheirDigestsCome) {
    // Found in this order; the same bytes as a photo and as a file row
    // (a picture the decoder refused) are one content.
    const std::vector<Found> found = {
        {"photo", "card photo A"},  // 0
        {"photo", "card photo B"},  // 1
        {"photo", "card photo A"},  // 2: copied on the card before the format
        {"file", "a zip"},          // 3
        {"file", "card photo A"},   // 4: the same bytes listed as a file
        {"file", "a zip"},          // 5
        {"file", "a zap"},          // 6: as large, other bytes: another content
        {"photo", "not hashed"},    // 7
    };
    const struct {
        const char* order;
        std::vector<Id> hashed;
    } orders[] = {
        {"found order", {0, 1, 2, 3, 4, 5, 6}},
        {"reversed", {6, 5, 4, 3, 2, 1, 0}},
        {"workers' order", {2, 5, 0, 6, 4, 1, 3}},
    };
    for (const auto& order : orders) {
        DuplicateIndex index;
        for (size_t i = 0; i < found.size(); ++i) ASSERT_EQ(index.Add(found[i].bytes.size()).id, i);
        for (Id id : order.hashed) index.SetContent(id, DigestOf(found[id].bytes));
        const struct {
            Id id;
            uint32_t timesFound;
            Id first;
            std::vector<Id> same;
        } expected[] = {
            {0, 3, 0, {0, 2, 4}}, {1, 1, 1, {1}},       {2, 3, 0, {0, 2, 4}}, {3, 2, 3, {3, 5}},
            {4, 3, 0, {0, 2, 4}}, {5, 2, 3, {3, 5}},    {6, 1, 6, {6}},       {7, 1, 7, {7}},
        };
        for (const auto& file : expected) {
            EXPECT_EQ(index.TimesFound(file.id), file.timesFound) << order.order << ", file " << file.id;
            EXPECT_EQ(index.FirstFound(file.id), file.first) << order.order << ", file " << file.id;
            EXPECT_EQ(index.IsCopy(file.id), file.first != file.id) << order.order << ", file " << file.id;
            EXPECT_EQ(index.SameContent(file.id), file.same) << order.order << ", file " << file.id;
        }
        EXPECT_EQ(workflow::TimesFoundText(index.TimesFound(0)), "Found 3 times") << order.order;
        EXPECT_EQ(workflow::TimesFoundText(index.TimesFound(1)), "") << order.order;
        EXPECT_FALSE(index.Hashed(7));
        EXPECT_FALSE(index.DigestOf(7));
        EXPECT_EQ(index.DigestOf(4), DigestOf("card photo A"));
    }
}

TEST(DuplicateIndex, SetContentNamesTheFirstFoundWhoseStandingChanged) {
    DuplicateIndex index;
    for (int i = 0; i < 3; ++i) index.Add(1);
    const auto digest = DigestOf("x");
    EXPECT_EQ(index.SetContent(1, digest), 1u);
    EXPECT_EQ(index.SetContent(2, digest), 1u);
    EXPECT_EQ(index.SetContent(0, digest), 0u);  // found before: now the first
    // A second digest for a file changes nothing: its standing was shown.
    EXPECT_EQ(index.SetContent(2, DigestOf("y")), 0u);
    EXPECT_EQ(index.TimesFound(0), 3u);
    EXPECT_EQ(index.DigestOf(2), digest);
    // Same digest, other size: not the same bytes.
    index.Add(2);
    EXPECT_EQ(index.SetContent(3, digest), 3u);
    EXPECT_EQ(index.TimesFound(3), 1u);
}

TEST(DuplicateIndex, OnlyFilesOfASizeFoundTwiceNeedHashing) {
    // size found, hashed by its worker at once; then what Add asks.
    const struct {
        uint64_t size;
        bool hashedAtOnce;
        bool sizeShared;
        std::optional<Id> hashAlso;
    } found[] = {
        {100, false, false, std::nullopt},  // 0
        {200, true, false, std::nullopt},   // 1
        {300, false, false, std::nullopt},  // 2
        {100, false, true, 0},              // 3: the first of its size is asked for
        {100, false, true, std::nullopt},   // 4: asked for already
        {200, false, true, std::nullopt},   // 5: the first is hashed
        {300, true, true, 2},               // 6
    };
    DuplicateIndex index;
    for (size_t i = 0; i < std::size(found); ++i) {
        const DuplicateIndex::Added added = index.Add(found[i].size);
        EXPECT_EQ(added.id, i);
        EXPECT_EQ(added.sizeShared, found[i].sizeShared) << "file " << i;
        EXPECT_EQ(added.hashAlso, found[i].hashAlso) << "file " << i;
        if (found[i].hashedAtOnce) index.SetContent(added.id, DigestOf(std::to_string(i)));
        EXPECT_EQ(index.SizeOf(added.id), found[i].size);
    }
    // Many sizes, past the growths of the table: each found once is alone.
    for (uint64_t size = 1000; size < 5000; ++size) EXPECT_FALSE(index.Add(size).sizeShared) << size;
    EXPECT_TRUE(index.Add(4999).sizeShared);
}

TEST(DuplicateIndex, ManyContentsStayApart) {
    // Past several growths of the table: each content found twice.
    DuplicateIndex index;
    constexpr Id kContents = 5000;
    auto bytes = [](Id i) { return "content " + std::to_string(i % kContents); };
    for (Id i = 0; i < 2 * kContents; ++i) index.Add(bytes(i).size());
    for (Id i = 0; i < 2 * kContents; ++i) index.SetContent(i, DigestOf(bytes(i)));
    for (Id i = 0; i < 2 * kContents; i += 997) {
        EXPECT_EQ(index.TimesFound(i), 2u) << i;
        EXPECT_EQ(index.FirstFound(i), i % kContents) << i;
    }
}

TEST(DuplicateIndex, ACopyWritesEachContentOnceWhicheverOfItsFilesAreTicked) {
    DuplicateIndex index;
    const std::vector<std::string> bytes = {"A", "B", "A", "A", "unhashed A"};
    for (size_t i = 0; i < bytes.size(); ++i) index.Add(bytes[i].size());
    for (Id id : {0, 1, 2, 3}) index.SetContent(id, DigestOf(bytes[id]));
    const struct {
        std::vector<Id> copyOrder;
        std::vector<bool> repeats;
    } cases[] = {
        {{0, 1, 2, 3}, {false, false, true, true}},
        {{2, 3}, {false, true}},  // the first found not ticked: the first ticked is written
        {{3, 1, 0}, {false, false, true}},
        {{4, 0}, {false, false}},  // not hashed: the copy hashes it as it reads it
        {{}, {}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(workflow::KnownRepeats(index, cases[i].copyOrder), cases[i].repeats) << "case " << i;

    // Bytes hashed by the copy itself: the second file of the same bytes is dropped.
    workflow::WrittenContents written;
    EXPECT_EQ(written.WrittenAs(1, DigestOf("A")), nullptr);
    EXPECT_TRUE(written.Claim(1, DigestOf("A"), "2019-05-04 13.22.10.jpg"));
    EXPECT_FALSE(written.Claim(1, DigestOf("A"), "f0000003.jpg"));
    EXPECT_TRUE(written.Claim(2, DigestOf("A"), "other size.jpg"));
    ASSERT_NE(written.WrittenAs(1, DigestOf("A")), nullptr);
    EXPECT_EQ(*written.WrittenAs(1, DigestOf("A")), "2019-05-04 13.22.10.jpg");
    EXPECT_EQ(written.WrittenAs(1, DigestOf("B")), nullptr);
}

}  // namespace
