// The JPEG preview decoder on the corpus the build makes (make_jpeg_corpus.sh):
// against GDI+'s full decode of the same files, on damaged copies of them,
// on every EXIF orientation, and on the inputs that once crashed it.
#include "imaging/jpeg/jpeg_preview.h"
#include "imaging/jpeg/jpeg_preview_canvas.h"

#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/pump.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using imaging::DecodeJpegPreview;
using imaging::JpegDamage;
using imaging::JpegPreviewStatus;
using Bytes = std::vector<uint8_t>;

std::string CorpusPath(const std::string& name) {
    return testing_support::WindowsPath(std::string(VANTREO_JPEG_CORPUS) + "/" + name + ".jpg");
}

Bytes ReadBytes(const std::string& path) {
    const std::string text = testing_support::ReadFile(path);
    return Bytes(text.begin(), text.end());
}

Bytes Corpus(const std::string& name) {
    Bytes bytes = ReadBytes(CorpusPath(name));
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

// The offset of a marker's FF, from `from` on; the end when there is none.
size_t Find(const Bytes& bytes, uint8_t marker, size_t from = 0) {
    for (size_t i = from; i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == marker) return i;
    return bytes.size();
}

size_t ScanData(const Bytes& bytes) {
    const size_t sos = Find(bytes, 0xDA);
    return sos + 2 + (bytes[sos + 2] << 8 | bytes[sos + 3]);
}

std::vector<size_t> Restarts(const Bytes& bytes) {
    std::vector<size_t> found;
    for (size_t i = ScanData(bytes); i + 1 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] >= 0xD0 && bytes[i + 1] <= 0xD7) found.push_back(i);
    return found;
}

struct Picture {
    unsigned width = 0, height = 0;  // of the full picture
    std::vector<uint8_t> blocks;     // R G B of each 8 x 8 block's mean
};

// GDI+'s decode of the file, each 8 x 8 block averaged (edge blocks over the
// pixels they have), as the preview should show it.
Picture GdiplusBlockMeans(const std::string& path) {
    Picture picture;
    const std::wstring wide(path.begin(), path.end());
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromFile(wide.c_str(), &bitmap) != Gdiplus::Ok) return picture;
    UINT width = 0, height = 0;
    gdip::GdipGetImageWidth(bitmap, &width);
    gdip::GdipGetImageHeight(bitmap, &height);
    const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (gdip::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) == Gdiplus::Ok) {
        const unsigned across = (width + 7) / 8, down = (height + 7) / 8;
        std::vector<double> sums(size_t{across} * down * 3);
        for (UINT y = 0; y < height; ++y) {
            const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (UINT x = 0; x < width; ++x) {
                double* sum = &sums[((y / 8) * across + x / 8) * 3];
                sum[0] += row[3 * x + 2], sum[1] += row[3 * x + 1], sum[2] += row[3 * x];  // stored B G R
            }
        }
        picture.blocks.resize(sums.size());
        for (size_t i = 0; i < sums.size(); ++i) {
            const size_t block = i / 3;
            const unsigned bx = block % across, by = static_cast<unsigned>(block / across);
            const double pixels = std::min(8u, width - bx * 8) * std::min(8u, height - by * 8);
            picture.blocks[i] = static_cast<uint8_t>(std::lround(sums[i] / pixels));
        }
        picture.width = width, picture.height = height;
        gdip::GdipBitmapUnlockBits(bitmap, &data);
    }
    gdip::GdipDisposeImage(bitmap);
    return picture;
}

// ---------------------------------------------------------------- what cameras write

// Each preview pixel is its block's DC, so it matches the mean of GDI+'s
// decode of that block up to the DC's rounding and clamping: under a level
// on average (0.5 measured). Subsampled chroma comes from the chroma block
// covering the luma block, where GDI+ interpolates between chroma blocks: on
// this plasma's colour slopes that moves a channel by 2 to 5 levels on
// average (5.1 measured, odd-sized 4:2:0). A chroma block taken from the
// wrong place or a colour conversion gone wrong moves it by tens.
constexpr double kFullResolutionDifference = 1.0;
constexpr double kSubsampledDifference = 6.0;

TEST(JpegPreview, MatchesTheBlockMeansOfGdiplusOnEveryKindCamerasWrite) {
    const struct {
        const char* name;
        bool subsampled;
        float dpi;
    } rows[] = {
        {"s444", false, 0},       {"s422", true, 0},         {"s440", true, 0},
        {"s420", true, 0},        {"s422-restart-rows", true, 0},     {"s420-restart-7", true, 0},
        {"grey", false, 0},       {"grey-restart", false, 0},         {"odd420", true, 0},
        {"odd422", true, 0},      {"optimized", true, 0},    {"extended", true, 0},
        {"horizon", true, 0},     {"jfif-300dpi", false, 300},        {"exif-180dpi", true, 180},
        {"mpf", true, 0},         {"other", true, 0},        {"other-optimized", true, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto result = DecodeJpegPreview(Corpus(row.name));
        ASSERT_EQ(result.status, JpegPreviewStatus::Made);
        const auto& preview = result.preview;
        EXPECT_FALSE(preview.Damaged());
        EXPECT_EQ(preview.intactFraction, 1.0);
        EXPECT_EQ(preview.dpiX, row.dpi);
        EXPECT_EQ(preview.dpiY, row.dpi);
        const Picture gdiplus = GdiplusBlockMeans(CorpusPath(row.name));
        ASSERT_EQ((std::vector<unsigned>{preview.fullWidth, preview.fullHeight, preview.width, preview.height}),
                  (std::vector<unsigned>{gdiplus.width, gdiplus.height, (gdiplus.width + 7) / 8, (gdiplus.height + 7) / 8}));
        ASSERT_EQ(preview.rgb.size(), gdiplus.blocks.size());
        double differences[3] = {0, 0, 0};
        for (size_t i = 0; i < preview.rgb.size(); ++i) differences[i % 3] += std::abs(preview.rgb[i] - gdiplus.blocks[i]);
        const double bound = row.subsampled ? kSubsampledDifference : kFullResolutionDifference;
        for (double difference : differences) EXPECT_LE(difference * 3 / preview.rgb.size(), bound);
    }
}

// Photographs as cameras and photographers wrote them, and pictures whose
// rows or blocks change the way damage does (edges one block row apart off
// the grid and under noise, roofs, a widening header bar, a skyline, padding
// before EOI): none is called damaged, and each preview is libjpeg's own
// 1/8 decode up to the chroma: libjpeg interpolates subsampled chroma where
// the preview takes the covering block's (6.1 levels on average at most,
// measured on these). A grey band or a wrong turn moves it by tens.
constexpr double kLibjpegDifference = 8.0;

struct Pnm {
    unsigned width = 0, height = 0, channels = 0;
    std::string pixels;
};

Pnm ReadPnm(const std::string& path) {
    Pnm pnm;
    const std::string text = testing_support::ReadFile(path);
    char magic[3] = {};
    unsigned maximum = 0;
    int header = 0;
    if (std::sscanf(text.c_str(), "%2s %u %u %u%n", magic, &pnm.width, &pnm.height, &maximum, &header) == 4) {
        pnm.channels = magic[1] == '6' ? 3 : 1;
        pnm.pixels = text.substr(static_cast<size_t>(header) + 1);
    }
    return pnm;
}

TEST(JpegPreview, NoIntactPhotographIsCalledDamagedAndEachIsLibjpegsEighth) {
    const std::string folder = testing_support::WindowsPath(VANTREO_INTACT_PHOTOS);
    std::istringstream list(testing_support::ReadFile(folder + "\\intact.list"));
    std::vector<std::pair<std::string, std::string>> rows;
    for (std::string line; std::getline(list, line);) {
        const size_t tab = line.find('\t');
        rows.emplace_back(testing_support::WindowsPath(line.substr(0, tab)), folder + "\\" + line.substr(tab + 1));
    }
    for (const char* name : {"edges", "roofs", "header", "skyline", "zeros-before-eoi", "fill-before-eoi"})
        rows.emplace_back(CorpusPath(name), "");
    ASSERT_GE(rows.size(), 46u);  // the camera corpus and the synthetic rows at least
    int decoded = 0;
    for (const auto& [photo, reference] : rows) {
        SCOPED_TRACE(photo);
        const auto result = DecodeJpegPreview(ReadBytes(photo));
        // Progressive files are GDI+'s, which gives no verdict.
        ASSERT_NE(result.status, JpegPreviewStatus::TooLarge);
        if (result.status != JpegPreviewStatus::Made) continue;
        ++decoded;
        const auto& p = result.preview;
        EXPECT_FALSE(p.Damaged());
        EXPECT_EQ(p.intactFraction, 1.0);
        if (reference.empty()) continue;
        const Pnm libjpeg = ReadPnm(reference);
        const bool turned = imaging::SwapsSides(p.orientation);
        ASSERT_EQ(libjpeg.width, turned ? p.height : p.width);
        ASSERT_EQ(libjpeg.height, turned ? p.width : p.height);
        ASSERT_EQ(libjpeg.pixels.size(), size_t{libjpeg.width} * libjpeg.height * libjpeg.channels);
        double differences[3] = {0, 0, 0};
        for (unsigned y = 0; y < libjpeg.height; ++y) {
            for (unsigned x = 0; x < libjpeg.width; ++x) {
                const auto shown = imaging::OrientPixel(x, y, libjpeg.width, libjpeg.height, p.orientation);
                const uint8_t* mine = &p.rgb[(size_t{shown.y} * p.width + shown.x) * 3];
                const size_t theirs = (size_t{y} * libjpeg.width + x) * libjpeg.channels;
                for (unsigned c = 0; c < 3; ++c)
                    differences[c] += std::abs(mine[c] - static_cast<uint8_t>(libjpeg.pixels[theirs + c % libjpeg.channels]));
            }
        }
        for (double difference : differences)
            EXPECT_LE(difference / (double{libjpeg.width} * libjpeg.height), kLibjpegDifference);
    }
    EXPECT_GE(decoded, 46);
}

// ---------------------------------------------------------------- left to GDI+

void Patch(Bytes& bytes, uint8_t marker, size_t offset, uint8_t value) { bytes.at(Find(bytes, marker) + offset) = value; }

TEST(JpegPreview, LeavesWhatItDoesNotCoverToOthers) {
    const struct {
        const char* name;
        const char* file;
        void (*patch)(Bytes&);
        JpegPreviewStatus status;
    } rows[] = {
        {"progressive", "progressive", [](Bytes&) {}, JpegPreviewStatus::NotMine},
        {"arithmetic", "arithmetic", [](Bytes&) {}, JpegPreviewStatus::NotMine},
        {"CMYK", "cmyk", [](Bytes&) {}, JpegPreviewStatus::NotMine},
        {"a scan per colour", "separate-scans", [](Bytes&) {}, JpegPreviewStatus::NotMine},
        {"12-bit", "s422", [](Bytes& b) { Patch(b, 0xC0, 4, 12); }, JpegPreviewStatus::NotMine},
        {"lossless", "s422", [](Bytes& b) { Patch(b, 0xC0, 1, 0xC3); }, JpegPreviewStatus::NotMine},
        {"hierarchical", "s422", [](Bytes& b) { Patch(b, 0xC0, 1, 0xC5); }, JpegPreviewStatus::NotMine},
        // Three more codes of 1 bit than fit, as many fewer of 3 bits.
        {"over-subscribed Huffman table", "s422",
         [](Bytes& b) { Patch(b, 0xC4, 5, 3), Patch(b, 0xC4, 7, 2); }, JpegPreviewStatus::NotMine},
        {"scan naming an undefined table", "s422", [](Bytes& b) { Patch(b, 0xDA, 6, 0x33); }, JpegPreviewStatus::NotMine},
        {"undefined quantisation table", "s422", [](Bytes& b) { Patch(b, 0xC0, 12, 3); }, JpegPreviewStatus::NotMine},
        {"sampling factor 3", "s422", [](Bytes& b) { Patch(b, 0xC0, 11, 0x31); }, JpegPreviewStatus::NotMine},
        {"headers cut short", "s422", [](Bytes& b) { b.resize(Find(b, 0xDA) + 6); }, JpegPreviewStatus::NotMine},
        {"not a JPEG", "s422", [](Bytes& b) { b[1] = 'P'; }, JpegPreviewStatus::NotMine},
        {"nothing", "s422", [](Bytes& b) { b.clear(); }, JpegPreviewStatus::NotMine},
        {"65535 x 65535", "s422",
         [](Bytes& b) { Patch(b, 0xC0, 5, 0xFF), Patch(b, 0xC0, 6, 0xFF), Patch(b, 0xC0, 7, 0xFF), Patch(b, 0xC0, 8, 0xFF); },
         JpegPreviewStatus::TooLarge},
    };
    for (const auto& row : rows) {
        Bytes bytes = Corpus(row.file);
        row.patch(bytes);
        EXPECT_EQ(DecodeJpegPreview(bytes).status, row.status) << row.name;
    }
}

// ---------------------------------------------------------------- damage

enum class Harm { CutAtRestart, ZerosAfterRestart, DropRestart, RenumberRestart, ZerosToEnd, Cut, Zeros, Flip, TailOfStandard, TailOfOwn, DropEoi };

Bytes Harmed(const Bytes& intact, Harm harm, double share, double& truth) {
    Bytes bytes = intact;
    // With one restart interval a row of MCUs, the k-th marker starts row k.
    const auto restartAt = [&] {
        const auto restarts = Restarts(intact);
        const size_t row = static_cast<size_t>(std::lround(share * (restarts.size() + 1)));
        truth = static_cast<double>(row) / (restarts.size() + 1);
        return restarts.at(row - 1);
    };
    const size_t at = ScanData(intact) + static_cast<size_t>(share * (intact.size() - ScanData(intact)));
    const auto tail = [&](const char* other) {
        const Bytes donor = Corpus(other);
        const size_t from = ScanData(donor) + (donor.size() - ScanData(donor)) * 3 / 10;
        bytes.resize(at);
        bytes.insert(bytes.end(), donor.begin() + static_cast<ptrdiff_t>(from), donor.end());
    };
    switch (harm) {
    case Harm::CutAtRestart: bytes.resize(restartAt()); break;
    case Harm::ZerosAfterRestart: std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(restartAt() + 40), 600, 0); break;
    case Harm::DropRestart: {
        const auto restart = bytes.begin() + static_cast<ptrdiff_t>(restartAt());
        bytes.erase(restart, restart + 2);
        break;
    }
    case Harm::RenumberRestart: {
        uint8_t& number = bytes[restartAt() + 1];
        number = static_cast<uint8_t>(0xD0 + (number - 0xD0 + 3) % 8);
        break;
    }
    case Harm::ZerosToEnd: std::fill(bytes.begin() + static_cast<ptrdiff_t>(at), bytes.end() - 2, 0); break;
    case Harm::Cut: bytes.resize(at); break;
    case Harm::Zeros: std::fill_n(bytes.begin() + static_cast<ptrdiff_t>(at), 1024, 0); break;
    case Harm::Flip: for (size_t i = at; i < at + 16; ++i) bytes[i] ^= 0x5A; break;
    case Harm::TailOfStandard: tail("other"); break;
    case Harm::TailOfOwn: tail("other-optimized"); break;
    case Harm::DropEoi: bytes.resize(bytes.size() - 2); break;
    }
    return bytes;
}

TEST(JpegPreview, FindsWhereDamageStartsAndGreysWhatFollows) {
    const struct {
        const char* file;
        Harm harm;
        double share;
        JpegDamage damage;
        bool truthKnown;  // the restart markers say which row the harm starts in
    } rows[] = {
        {"s422-restart-rows", Harm::CutAtRestart, 0.2, JpegDamage::CutOff, true},
        {"s422-restart-rows", Harm::CutAtRestart, 0.75, JpegDamage::CutOff, true},
        {"s422-restart-rows", Harm::ZerosAfterRestart, 0.3, JpegDamage::Overwritten, true},
        {"s422-restart-rows", Harm::ZerosAfterRestart, 0.9, JpegDamage::Overwritten, true},
        {"s422-restart-rows", Harm::DropRestart, 0.5, JpegDamage::BadData, true},
        {"s422-restart-rows", Harm::RenumberRestart, 0.4, JpegDamage::BadData, true},
        {"s420-restart-7", Harm::RenumberRestart, 0.6, JpegDamage::BadData, false},
        {"s420", Harm::ZerosToEnd, 0.5, JpegDamage::Overwritten, false},
        {"s422", Harm::ZerosToEnd, 0.8, JpegDamage::Overwritten, false},
        {"grey-restart", Harm::CutAtRestart, 0.5, JpegDamage::CutOff, true},
        {"grey-restart", Harm::ZerosAfterRestart, 0.6, JpegDamage::Overwritten, true},
        {"s420", Harm::Cut, 0.1, JpegDamage::CutOff, false},
        {"grey", Harm::Cut, 0.6, JpegDamage::CutOff, false},
        {"s420", Harm::Zeros, 0.4, JpegDamage::Overwritten, false},
        // These flipped bytes still decode to valid codes and the right number
        // of blocks, as libjpeg finds too: nothing proves damage, so no verdict.
        {"s422", Harm::Flip, 0.25, JpegDamage::None, false},
        {"s422", Harm::Flip, 0.5, JpegDamage::BadData, false},
        {"s444", Harm::Flip, 0.25, JpegDamage::BadData, false},
        {"s422", Harm::TailOfStandard, 0.3, JpegDamage::BadData, false},
        {"s422", Harm::TailOfStandard, 0.8, JpegDamage::BadData, false},
        {"s420", Harm::TailOfOwn, 0.5, JpegDamage::BadData, false},
        {"s422", Harm::DropEoi, 1, JpegDamage::None, false},
        {"s422-restart-rows", Harm::DropEoi, 1, JpegDamage::None, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " harm " + std::to_string(static_cast<int>(row.harm)) + " at " +
                     std::to_string(row.share));
        const Bytes intact = Corpus(row.file);
        double truth = 0;
        const auto result = DecodeJpegPreview(Harmed(intact, row.harm, row.share, truth));
        ASSERT_EQ(result.status, JpegPreviewStatus::Made);
        const auto& preview = result.preview;
        EXPECT_EQ(preview.damage, row.damage);
        if (row.truthKnown) {
            EXPECT_NEAR(preview.intactFraction, truth, 0.03);
        }
        if (row.damage == JpegDamage::None) {
            EXPECT_EQ(preview.intactFraction, 1.0);
            if (row.harm == Harm::DropEoi) EXPECT_EQ(preview.rgb, DecodeJpegPreview(intact).preview.rgb);
        } else {
            EXPECT_LT(preview.intactFraction, 1.0);
            // The last block is grey; the first row, before any harm, as intact.
            EXPECT_EQ(std::vector<uint8_t>(preview.rgb.end() - 3, preview.rgb.end()), (std::vector<uint8_t>{128, 128, 128}));
            const auto intactRgb = DecodeJpegPreview(intact).preview.rgb;
            EXPECT_TRUE(std::equal(intactRgb.begin(), intactRgb.begin() + preview.width * 3, preview.rgb.begin()));
        }
    }
}

// ---------------------------------------------------------------- orientation

// The stored picture has red, green / blue, white quarters; each orientation
// shows them in its own corners.
TEST(JpegPreview, TurnsThePictureAsItsExifOrientationSays) {
    enum Colour { R, G, B, W };
    const uint8_t colours[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}};
    const struct {
        int orientation;
        Colour corners[4];  // top left, top right, bottom left, bottom right as shown
    } rows[] = {
        {1, {R, G, B, W}}, {2, {G, R, W, B}}, {3, {W, B, G, R}}, {4, {B, W, R, G}},
        {5, {R, B, G, W}}, {6, {B, R, W, G}}, {7, {W, G, B, R}}, {8, {G, W, R, B}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.orientation);
        const Bytes bytes = Corpus("orientation-" + std::to_string(row.orientation));
        EXPECT_EQ(imaging::ReadJpegOrientation(bytes), row.orientation);
        const auto result = DecodeJpegPreview(bytes);
        ASSERT_EQ(result.status, JpegPreviewStatus::Made);
        const auto& p = result.preview;
        EXPECT_EQ(p.orientation, row.orientation);
        const bool portrait = row.orientation >= 5;
        EXPECT_EQ((std::vector<unsigned>{p.fullWidth, p.fullHeight, p.width, p.height}),
                  portrait ? (std::vector<unsigned>{192, 256, 24, 32}) : (std::vector<unsigned>{256, 192, 32, 24}));
        const unsigned xs[4] = {1, p.width - 2, 1, p.width - 2}, ys[4] = {1, 1, p.height - 2, p.height - 2};
        for (int corner = 0; corner < 4; ++corner) {
            const uint8_t* pixel = &p.rgb[(ys[corner] * p.width + xs[corner]) * 3];
            for (int c = 0; c < 3; ++c) EXPECT_NEAR(pixel[c], colours[row.corners[corner]][c], 24) << "corner " << corner;
        }
    }
}

// ---------------------------------------------------------------- fuzzing's finds

// Every input that ever crashed the decoder under the fuzzer stays here.
TEST(JpegPreview, ReplaysWhatCrashedItOnce) {
    const std::string folder = testing_support::WindowsPath(std::string(VANTREO_SOURCE_DIR) + "/tests/fuzz/regressions");
    const auto files = testing_support::FilesIn(folder);
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        const Bytes bytes = ReadBytes(folder + "\\" + name);
        const auto result = DecodeJpegPreview(bytes);
        const int orientation = imaging::ReadJpegOrientation(bytes);
        EXPECT_TRUE(orientation >= 1 && orientation <= 8) << name;
        if (result.status == JpegPreviewStatus::Made) {
            const auto& p = result.preview;
            EXPECT_EQ(p.rgb.size(), size_t{p.width} * p.height * 3) << name;
        }
    }
}

}  // namespace
