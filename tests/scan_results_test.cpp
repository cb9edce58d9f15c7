#include "workflow/found/scan_results.h"

#include <gtest/gtest.h>

#include "workflow/engine/scan_progress.h"

namespace {

using namespace workflow;

TEST(FoundFileNames, NameFollowsTheLastSeparatorAndPhotosAreKnownByItsExtension) {
    EXPECT_EQ(FileNameOf("C:\\data\\temp.1\\f0001.jpg"), "f0001.jpg");
    EXPECT_EQ(FileNameOf("C:/data/f0002.png"), "f0002.png");
    EXPECT_EQ(FileNameOf("C:\\a/b\\c.txt"), "c.txt");
    EXPECT_EQ(FileNameOf("plain"), "");
    // The extension comes from the file name only.
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001.tar.gz"), "gz");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001"), "");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001."), "");
    // Photos are known by their extension, in any case.
    for (const char* photo : {"a.jpg", "a.JPG", "a.jpeg", "a.Gif", "a.png", "a.bmp", "a.tif", "a.TIFF"})
        EXPECT_TRUE(IsPhotoPath(std::string("C:\\d\\") + photo)) << photo;
    // Camera RAW files too, as the engine names them.
    for (const char* raw : {"a.cr2", "a_ftyp.cr3", "a.crw", "a.NEF", "a.nrw", "a.arw", "a.sr2", "a.srf", "a.dng",
                            "a.pef", "a.orf", "a.rw2", "a.raf", "a.srw"})
        EXPECT_TRUE(IsPhotoPath(std::string("C:\\d\\") + raw) && IsRawPath(std::string("C:\\d\\") + raw)) << raw;
    EXPECT_FALSE(IsRawPath("C:\\d\\a.tif"));
    for (const char* other : {"a.txt", "a.jpgx", "a", "a.mp3", "a.raw", "jpg"})
        EXPECT_FALSE(IsPhotoPath(std::string("C:\\d\\") + other)) << other;
    EXPECT_FALSE(IsPhotoPath("C:\\d.jpg\\file"));
}

TEST(StatusAnimation, CountsDotsUpToFiveThenStartsAgain) {
    std::string text = "Recovering data, please wait";
    const std::string base = "Analyzing disk, please wait";
    text = NextStatusText(text);
    EXPECT_EQ(text, base);
    for (int dots = 1; dots <= 5; ++dots) {
        text = NextStatusText(text);
        EXPECT_EQ(text, base + std::string(dots, '.'));
    }
    EXPECT_EQ(NextStatusText(text), base);
    EXPECT_EQ(NextStatusText("Press 'Recover' to recover files detected."), base);
}

TEST(FileListRows, ZeroSizeShowsUnknownAndRowsSortByAnyColumnEitherWay) {
    EXPECT_EQ(SizeText(0), "unknown");
    EXPECT_EQ(SizeText(1536), "1.5 KB");
    EXPECT_EQ(SizeText(5ULL << 32), "20.0 GB");  // beyond 32 bits, shown in full

    // Rows sort by name, size or extension, either way.
    FoundItem small{"b.txt", 10, "txt", "p1"};
    FoundItem big{"a.zip", 5ULL << 32, "zip", "p2"};
    FoundItem upper{"B.txt", 20, "TXT", "p3"};
    EXPECT_LT(CompareFoundItems(big, small, 0, false), 0);
    EXPECT_GT(CompareFoundItems(big, small, 0, true), 0);
    EXPECT_LT(CompareFoundItems(upper, small, 0, false), 0);  // byte order: capitals first
    EXPECT_LT(CompareFoundItems(small, big, 1, false), 0);    // 64-bit sizes compare in full
    EXPECT_GT(CompareFoundItems(small, big, 1, true), 0);
    EXPECT_LT(CompareFoundItems(upper, small, 2, false), 0);
    EXPECT_EQ(CompareFoundItems(small, small, 2, false), 0);
}

TEST(ScanProgress, StartSectorOnlyFromTheEnginesOwnNames) {
    const std::optional<uint64_t> none;
    const struct {
        const char* name;
        std::optional<uint64_t> sector;
        bool damaged = false;  // the engine kept it although its checks failed
    } rows[] = {
        {"f0002048.fat", 2048},
        {"b0003261.jpg", 3261, true},
        {"C:\\data\\b.1\\b0000006.fat", 6, true},
        {"B0003261.jpg", none},
        {"bx12.jpg", none},
        {"f0065956.jpg", 65956},
        {"f12.jpg", 12},
        {"f0002048", 2048},  // no extension
        {"f0001234_Annual report.doc", 1234},  // a title the engine found inside the file
        {"f123456789012.tar.gz", 123456789012ULL},
        {"C:\\data\\recup_dir.1\\f0065956.jpg", 65956},
        {"C:\\data\\f12.d\\report.xml", none},  // only the file's own name counts
        {"F0002048.jpg", none},
        {"fx12.jpg", none},
        {"f12x.jpg", none},
        {"f.jpg", none},
        {"f", none},
        {"report.xml", none},
        {"", none},
        {"C:\\data\\", none},
        {"f000000000000000000000000002048.jpg", 2048},  // leading zeros are no overflow
        {"f123456789012345678901234567890.jpg", UINT64_MAX},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(StartSectorOf(row.name), row.sector) << row.name;
        EXPECT_EQ(IsMarkedDamaged(row.name), row.damaged) << row.name;
    }
}

TEST(ScanProgress, FurthestFileOverTheDiskSize) {
    constexpr uint64_t kDisk = 1024 * 512;  // 1024 sectors
    const struct {
        std::vector<std::string> names;
        uint64_t diskBytes;
        double fraction;
    } rows[] = {
        {{"f0000256.jpg", "f0000768.png", "f0000512.gif"}, kDisk, 0.75},  // out of order
        {{"report.xml", "f0000512.jpg", "F0001000.jpg", "fx1000.jpg"}, kDisk, 0.5},
        {{"f0001024.jpg"}, kDisk, 1.0},
        {{"f0009999.jpg"}, kDisk, 1.0},
        {{"f123456789012345678901234567890.jpg"}, kDisk, 1.0},
        {{"f99999999999999999.jpg"}, UINT64_MAX, 1.0},  // 512 times the sector is past 64 bits
        {{"report.xml", "recup_dir.1"}, kDisk, 0.0},
        {{}, kDisk, 0.0},
        {{"f0000512.jpg"}, 0, 0.0},
    };
    for (const auto& row : rows) {
        EXPECT_DOUBLE_EQ(SearchedFraction(row.names, row.diskBytes), row.fraction) << row.names.size();
        SearchProgress oneByOne;
        for (const std::string& name : row.names) oneByOne.See(name);
        EXPECT_DOUBLE_EQ(oneByOne.Fraction(row.diskBytes), row.fraction) << row.names.size();
    }
}

// Wine makes up one disk with a size of its own; there is no disk 200.
TEST(PhysicalDiskSize, TheFirstDiskHasASizeAndAMissingOneNone) {
    const std::optional<uint64_t> size = PhysicalDiskSize(0);
    ASSERT_TRUE(size);
    EXPECT_GT(*size, 0u);
    EXPECT_EQ(PhysicalDiskSize(200), std::nullopt);
}

}  // namespace
