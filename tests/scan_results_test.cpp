#include "workflow/scan_results.h"

#include <gtest/gtest.h>

namespace {

using namespace workflow;

TEST(FoundFileNames, NameIsTheTextAfterTheLastSeparator) {
    EXPECT_EQ(FileNameOf("C:\\data\\temp.1\\f0001.jpg"), "f0001.jpg");
    EXPECT_EQ(FileNameOf("C:/data/f0002.png"), "f0002.png");
    EXPECT_EQ(FileNameOf("C:\\a/b\\c.txt"), "c.txt");
    EXPECT_EQ(FileNameOf("plain"), "");
}

TEST(FoundFileNames, ExtensionComesFromTheFileNameOnly) {
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001.JPG"), "JPG");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001.tar.gz"), "gz");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001"), "");
    EXPECT_EQ(ExtensionOf("C:\\data\\temp.1\\f0001."), "");
}

TEST(FoundFileNames, PhotosAreKnownByExtensionInAnyCase) {
    for (const char* photo : {"a.jpg", "a.JPG", "a.jpeg", "a.Gif", "a.png", "a.bmp", "a.tif", "a.TIFF"})
        EXPECT_TRUE(IsPhotoPath(std::string("C:\\d\\") + photo)) << photo;
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

TEST(FileListRows, ZeroSizeShowsUnknown) {
    EXPECT_EQ(SizeText(0), "unknown");
    EXPECT_EQ(SizeText(1536), "1.5 KB");
    EXPECT_EQ(SizeText(5ULL << 32), "20.0 GB");  // beyond 32 bits, shown in full
}

TEST(FileListRows, SortsByNameSizeOrExtensionEitherWay) {
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

}  // namespace
