// Found files of the same bytes known as one content: its count, its first
// found, and which files a copy leaves out because their bytes are written.
#include "workflow/found/duplicate_index.h"

#include <gtest/gtest.h>

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
        for (size_t i = 0; i < found.size(); ++i) ASSERT_EQ(index.Add(), i);
        for (Id id : order.hashed) index.SetContent(id, found[id].bytes.size(), DigestOf(found[id].bytes));
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
        EXPECT_FALSE(index.Hashed(7));
        EXPECT_FALSE(index.DigestOf(7));
        EXPECT_EQ(index.DigestOf(4), DigestOf("card photo A"));
    }
}

TEST(DuplicateIndex, SetContentNamesTheFirstFoundWhoseStandingChanged) {
    DuplicateIndex index;
    for (int i = 0; i < 3; ++i) index.Add();
    const auto digest = DigestOf("x");
    EXPECT_EQ(index.SetContent(1, 1, digest), 1u);
    EXPECT_EQ(index.SetContent(2, 1, digest), 1u);
    EXPECT_EQ(index.SetContent(0, 1, digest), 0u);  // found before: now the first
    // A second digest for a file changes nothing: its standing was shown.
    EXPECT_EQ(index.SetContent(2, 1, DigestOf("y")), 0u);
    EXPECT_EQ(index.TimesFound(0), 3u);
    EXPECT_EQ(index.DigestOf(2), digest);
    // Same digest, other size: not the same bytes.
    index.Add();
    EXPECT_EQ(index.SetContent(3, 2, digest), 3u);
    EXPECT_EQ(index.TimesFound(3), 1u);
}

TEST(DuplicateIndex, ManyContentsStayApart) {
    // Past several growths of the table: each content found twice.
    DuplicateIndex index;
    constexpr Id kContents = 5000;
    for (Id i = 0; i < 2 * kContents; ++i) index.Add();
    for (Id i = 0; i < 2 * kContents; ++i) {
        const std::string bytes = "content " + std::to_string(i % kContents);
        index.SetContent(i, bytes.size(), DigestOf(bytes));
    }
    for (Id i = 0; i < 2 * kContents; i += 997) {
        EXPECT_EQ(index.TimesFound(i), 2u) << i;
        EXPECT_EQ(index.FirstFound(i), i % kContents) << i;
    }
}

TEST(DuplicateIndex, ACopyWritesEachContentOnceWhicheverOfItsFilesAreTicked) {
    DuplicateIndex index;
    const std::vector<std::string> bytes = {"A", "B", "A", "A", "unhashed A"};
    for (size_t i = 0; i < bytes.size(); ++i) index.Add();
    for (Id id : {0, 1, 2, 3}) index.SetContent(id, 1, DigestOf(bytes[id]));
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
