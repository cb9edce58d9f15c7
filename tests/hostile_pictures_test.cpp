// Pictures whose few bytes claim a size no decoder should be let loose on,
// and headers cut short or claiming nothing: each is sized from its header,
// and its thumbnail is made without GDI+ decoding it in full.
#include <windows.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "imaging/picture_header.h"
#include "tests/engines/engine_paths.h"
#include "tests/support/files.h"
#include "tests/support/pump.h"
#include "workflow/thumbnails/thumbnail_pool.h"
#include "workflow/thumbnails/thumbnails.h"

namespace {

using imaging::PictureFormat;

std::string Be16(uint32_t v) { return {char(v >> 8), char(v)}; }
std::string Be32(uint32_t v) { return Be16(v >> 16) + Be16(v & 0xFFFF); }
std::string Le16(uint32_t v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return Le16(v & 0xFFFF) + Le16(v >> 16); }

std::string Png(uint32_t width, uint32_t height) {
    return std::string("\x89PNG\r\n\x1A\n", 8) + Be32(13) + "IHDR" + Be32(width) + Be32(height) +
           std::string("\x08\x02\x00\x00\x00", 5) + Be32(0) + Be32(10) + "IDAT" + std::string(10, 'x');
}
std::string Gif(uint32_t width, uint32_t height) { return "GIF89a" + Le16(width) + Le16(height) + std::string(64, '\0'); }
std::string Bmp(int32_t width, int32_t height) {
    return "BM" + Le32(1000) + Le32(0) + Le32(54) + Le32(40) + Le32(static_cast<uint32_t>(width)) +
           Le32(static_cast<uint32_t>(height)) + Le16(1) + Le16(24) + std::string(24, '\0') + std::string(64, 'x');
}
std::string Tiff(uint32_t width, uint32_t height) {
    // One IFD with width and length as LONGs, right after the file header.
    return std::string("II*\0", 4) + Le32(8) + Le16(2) + Le16(256) + Le16(4) + Le32(1) + Le32(width) + Le16(257) +
           Le16(4) + Le32(1) + Le32(height) + Le32(0) + std::string(64, 'x');
}
// A frame header of the given kind (C0 baseline, C2 progressive) after an APP0 segment.
std::string Jpeg(uint8_t frame, uint32_t width, uint32_t height) {
    return std::string("\xFF\xD8\xFF\xE0", 4) + Be16(16) + std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14) + "\xFF" +
           char(frame) + Be16(17) + "\x08" + Be16(height) + Be16(width) + "\x03" + std::string("\x01\x22\x00\x02\x11\x01\x03\x11\x01", 9) +
           std::string(300, '\0');
}

// A GIF whose first frame is far larger than its 1 x 1 screen: a decoder
// decodes the whole frame, so the frame's size is the one that counts.
std::string GifWithLargeFrame(uint32_t width, uint32_t height) {
    return "GIF89a" + Le16(1) + Le16(1) + std::string(3, '\0') + "\x2C" + Le16(0) + Le16(0) + Le16(width) +
           Le16(height) + std::string("\0\x02\x02\x4C\x01\0\x3B", 7) + std::string(100, '\0');
}

std::string SmallJpeg() { return testing_support::ReadFile(engines::FixturesFolder() + "\\a_small.jpg"); }

// The JPEG with the size in its baseline frame header replaced.
std::string Claiming(std::string jpeg, uint32_t width, uint32_t height) {
    const size_t frame = jpeg.find("\xFF\xC0");
    if (frame == std::string::npos || frame + 9 > jpeg.size()) return {};
    jpeg.replace(frame + 5, 4, Be16(height) + Be16(width));
    return jpeg;
}

// The most memory the process has held in use at once. Wine keeps no peak of
// committed bytes; the peak working set is the one it tracks.
uint64_t PeakMemory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakWorkingSetSize;
}

TEST(HostilePictures, AreSizedFromTheirHeaderAndNeverDecodedInFull) {
    const struct {
        const char* name;
        std::string bytes;
        std::optional<PictureFormat> format;  // none: no header to be read
        uint32_t width, height;
        bool thumbnail;  // a bounded preview is drawn rather than the placeholder
        uint32_t bitsPerSample = 8;
    } rows[] = {
        {"huge.png", Png(60000, 60000), PictureFormat::Png, 60000, 60000, false},
        {"huge.gif", Gif(65535, 65535), PictureFormat::Gif, 65535, 65535, false},
        {"huge-frame.gif", GifWithLargeFrame(20000, 20000), PictureFormat::Gif, 20000, 20000, false},
        // Whole and valid, and just over the budget: GDI+ would decode it.
        {"over-budget.png",
         testing_support::ReadFile(testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/over-budget.png")),
         PictureFormat::Png, 10001, 10000, false, 1},
        // Within the pixel limit, but of 16 bits a sample: GDI+ would hold 800 MB and copy it.
        {"deep-near-limit.png",
         testing_support::ReadFile(testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/deep-near-limit.png")),
         PictureFormat::Png, 9999, 9999, false, 16},
        {"huge.bmp", Bmp(40000, -40000), PictureFormat::Bmp, 40000, 40000, false},  // rows stored top first
        {"huge.tif", Tiff(50000, 50000), PictureFormat::Tiff, 50000, 50000, false},
        {"huge-progressive.jpg", Jpeg(0xC2, 60000, 60000), PictureFormat::Jpeg, 60000, 60000, false},
        {"huge-baseline.jpg", Jpeg(0xC0, 60000, 60000), PictureFormat::Jpeg, 60000, 60000, false},
        // A real small JPEG whose frame header claims 20000 x 20000: its preview,
        // 2500 x 2500, fits the preview's budget and is drawn grey, as cut off.
        {"large-baseline.jpg", Claiming(SmallJpeg(), 20000, 20000), PictureFormat::Jpeg, 20000, 20000, true},
        {"cut.png", Png(100, 100).substr(0, 18), std::nullopt, 0, 0, false},
        {"cut.jpg", Jpeg(0xC0, 100, 100).substr(0, 24), std::nullopt, 0, 0, false},
        {"zero.png", Png(0, 100), std::nullopt, 0, 0, false},
        {"zero.gif", Gif(100, 0), std::nullopt, 0, 0, false},
        {"zero.tif", Tiff(0, 0), std::nullopt, 0, 0, false},
    };
    const testing_support::ScratchFolder folder("hostile-pictures");
    const uint64_t peakBefore = PeakMemory();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto bytes = std::span(reinterpret_cast<const uint8_t*>(row.bytes.data()), row.bytes.size());
        const std::optional<imaging::PictureHeader> header = imaging::ReadPictureHeader(bytes);
        ASSERT_EQ(header.has_value(), row.format.has_value());
        if (header) {
            EXPECT_EQ(header->format, *row.format);
            EXPECT_EQ(header->width, row.width);
            EXPECT_EQ(header->height, row.height);
            EXPECT_EQ(header->bitsPerSample, row.bitsPerSample);
        }
        testing_support::WriteFile(folder.In(row.name), row.bytes);
        const workflow::Thumbnail made = workflow::MakeThumbnail(folder.In(row.name));
        EXPECT_EQ(made.Decoded(), row.thumbnail);
        if (row.thumbnail) EXPECT_EQ(made.readableShare, 0.0);
    }
    // A full decode of any of them takes gigabytes; the preview of 2500 x 2500 about 19 MB.
    const uint64_t grown = PeakMemory() - peakBefore;
    std::printf("peak memory grew by %llu MB\n", static_cast<unsigned long long>(grown >> 20));
    EXPECT_LT(grown, uint64_t{200} << 20);
}

// A JPEG of 10 KB that claims 32768 x 32768 has a preview of 4096 x 4096,
// 48 MB of colour alone. One for each worker of two pools at once (a stopped
// pool's workers finish what they hold while the next pool's start): the
// previews wait their turns in the decode budget, and each is still drawn.
TEST(HostilePictures, HugeClaimingJpegForEveryWorkerOfTwoPoolsAtOnceWaitTheirTurns) {
    const testing_support::ScratchFolder folder("hostile-jpegs");
    const std::string bytes = Claiming(SmallJpeg(), 32768, 32768);
    std::vector<std::string> paths;
    constexpr int kWorkers = 2 * workflow::ThumbnailPool::kMaxWorkers;
    for (int i = 0; i < kWorkers; ++i) {
        paths.push_back(folder.In("huge-" + std::to_string(i) + ".jpg"));
        testing_support::WriteFile(paths.back(), bytes);
    }
    const uint64_t peakBefore = PeakMemory();
    std::atomic<int> drawn{0};
    {
        std::vector<std::jthread> workers;
        for (const std::string& path : paths)
            workers.emplace_back([&drawn, path] { drawn += workflow::MakeThumbnail(path).Decoded() ? 1 : 0; });
    }
    const uint64_t grown = PeakMemory() - peakBefore;
    std::printf("peak memory grew by %llu MB\n", static_cast<unsigned long long>(grown >> 20));
    EXPECT_EQ(drawn.load(), kWorkers);
    EXPECT_LT(grown, uint64_t{400} << 20);
}

}  // namespace
