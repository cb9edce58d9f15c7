// Our GIF decoder against GDI+'s decode of GIFs another encoder wrote
// (make_gif_corpus.sh: real LZW data, codes widening to 12 bits, interlaced
// rows, a transparent colour), and on hand-made GIFs for data cut short and
// sizes a worker must not take on.
#include "imaging/gif_picture.h"

#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/files.h"
#include "tests/support/pump.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using imaging::DecodeGif;
using imaging::GifStatus;
using Bytes = std::vector<uint8_t>;

std::string CorpusPath(const std::string& name) {
    return testing_support::WindowsPath(std::string(VANTREO_GIF_CORPUS) + "/" + name + ".gif");
}

// GDI+'s decode of a GIF file as R G B rows, its transparent pixels white,
// as a thumbnail shows them; empty when GDI+ cannot read it.
Bytes GdiplusPixels(const std::string& path, UINT& width, UINT& height) {
    const std::wstring wide(path.begin(), path.end());
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromFile(wide.c_str(), &bitmap) != Gdiplus::Ok) return {};
    gdip::GdipGetImageWidth(bitmap, &width);
    gdip::GdipGetImageHeight(bitmap, &height);
    Bytes rgb(size_t{width} * height * 3);
    const Gdiplus::Rect all(0, 0, static_cast<INT>(width), static_cast<INT>(height));
    Gdiplus::BitmapData data{};
    if (gdip::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data) == Gdiplus::Ok) {
        for (UINT y = 0; y < height; ++y) {
            const BYTE* row = static_cast<const BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (UINT x = 0; x < width; ++x) {
                const BYTE* p = row + 4 * x;  // B G R A
                for (int c = 0; c < 3; ++c) rgb[(size_t{y} * width + x) * 3 + c] = p[3] == 0 ? 255 : p[2 - c];
            }
        }
        gdip::GdipBitmapUnlockBits(bitmap, &data);
    }
    gdip::GdipDisposeImage(bitmap);
    return rgb;
}

TEST(GifPicture, FilesAnotherEncoderWroteDecodeToGdiplusPixels) {
    for (const char* name : {"plasma", "interlaced", "checker", "pixel", "transparent"}) {
        SCOPED_TRACE(name);
        UINT width = 0, height = 0;
        const Bytes expected = GdiplusPixels(CorpusPath(name), width, height);
        ASSERT_FALSE(expected.empty());
        const std::string text = testing_support::ReadFile(CorpusPath(name));
        const auto result = DecodeGif(Bytes(text.begin(), text.end()));
        ASSERT_EQ(result.status, GifStatus::Made);
        EXPECT_EQ(result.picture.width, width);
        EXPECT_EQ(result.picture.height, height);
        EXPECT_TRUE(result.picture.complete);
        EXPECT_TRUE(result.picture.rgb == expected);
    }
}

// A GIF whose LZW data holds no strings (a clear code before the codes would
// widen), as simple encoders write it; the pixels are palette indexes.
Bytes HandMadeGif(unsigned width, unsigned height, const std::vector<uint8_t>& indexes, bool interlaced,
                  int transparent = -1) {
    constexpr int kBits = 3;  // eight colours: index i is (i * 30, 0, 255 - i * 30)
    Bytes gif = {'G', 'I', 'F', '8', '9', 'a', uint8_t(width), uint8_t(width >> 8), uint8_t(height),
                 uint8_t(height >> 8), 0xF2, 0, 0};
    for (int i = 0; i < 8; ++i) gif.insert(gif.end(), {uint8_t(i * 30), 0, uint8_t(255 - i * 30)});
    if (transparent >= 0) gif.insert(gif.end(), {0x21, 0xF9, 4, 1, 0, 0, uint8_t(transparent), 0});
    gif.insert(gif.end(), {0x2C, 0, 0, 0, 0, uint8_t(width), uint8_t(width >> 8), uint8_t(height),
                           uint8_t(height >> 8), uint8_t(interlaced ? 0x40 : 0), kBits});
    const int clear = 1 << kBits;
    std::vector<int> codes{clear};
    int run = 0;
    for (uint8_t index : indexes) {
        if (run == clear - 2) codes.push_back(clear), run = 0;
        codes.push_back(index), ++run;
    }
    codes.push_back(clear + 1);
    Bytes data;
    uint32_t bits = 0;
    int used = 0;
    for (int code : codes) {
        bits |= uint32_t(code) << used, used += kBits + 1;
        for (; used >= 8; used -= 8, bits >>= 8) data.push_back(uint8_t(bits));
    }
    if (used) data.push_back(uint8_t(bits));
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t size = std::min<size_t>(255, data.size() - at);
        gif.push_back(uint8_t(size));
        gif.insert(gif.end(), data.begin() + at, data.begin() + at + size);
    }
    gif.insert(gif.end(), {0, 0x3B});
    return gif;
}

uint8_t Red(const imaging::GifPicture& picture, unsigned x, unsigned y) {
    return picture.rgb[(size_t{y} * picture.width + x) * 3];
}

TEST(GifPicture, InterlacedTransparentAndCutShortFramesAndSizesRefused) {
    // Interlaced: stored rows 0, 8, 4, 2, 6, 1, 3, 5, 7, 9 of ten; stored row s has index s % 8.
    const unsigned order[] = {0, 8, 4, 2, 6, 1, 3, 5, 7, 9};
    std::vector<uint8_t> stored;
    for (unsigned s = 0; s < 10; ++s) stored.insert(stored.end(), 3, uint8_t(s % 8));
    auto result = DecodeGif(HandMadeGif(3, 10, stored, true));
    ASSERT_EQ(result.status, GifStatus::Made);
    for (unsigned s = 0; s < 10; ++s) EXPECT_EQ(Red(result.picture, 1, order[s]), (s % 8) * 30) << "stored row " << s;

    // Index 5 transparent: white there, the colour elsewhere.
    result = DecodeGif(HandMadeGif(2, 1, {5, 6}, false, 5));
    ASSERT_EQ(result.status, GifStatus::Made);
    EXPECT_EQ(result.picture.rgb, (Bytes{255, 255, 255, 180, 0, 75}));

    // Cut in the middle of its data: what was read is drawn, the rest is white.
    std::vector<uint8_t> ones(40 * 40, 1);
    Bytes cut = HandMadeGif(40, 40, ones, false);
    cut.resize(cut.size() / 2);
    result = DecodeGif(cut);
    ASSERT_EQ(result.status, GifStatus::Made);
    EXPECT_FALSE(result.picture.complete);
    EXPECT_EQ(Red(result.picture, 0, 0), 30);
    EXPECT_EQ(Red(result.picture, 39, 39), 255);

    // No frame, no colours, not a GIF; a screen or frame too large to decode.
    Bytes noFrame = HandMadeGif(2, 2, {1, 1, 1, 1}, false);
    noFrame.resize(13 + 24);
    noFrame.push_back(0x3B);
    EXPECT_EQ(DecodeGif(noFrame).status, GifStatus::NotMine);
    Bytes noColours = HandMadeGif(2, 2, {1, 1, 1, 1}, false);
    noColours[10] = 0;  // no global table; its bytes now read as a broken block
    EXPECT_EQ(DecodeGif(noColours).status, GifStatus::NotMine);
    EXPECT_EQ(DecodeGif(Bytes{'G', 'I', 'F', '8', '8', 'a'}).status, GifStatus::NotMine);
    Bytes hugeScreen = HandMadeGif(2, 2, {1, 1, 1, 1}, false);
    hugeScreen[6] = hugeScreen[7] = hugeScreen[8] = hugeScreen[9] = 0xFF;
    EXPECT_EQ(DecodeGif(hugeScreen).status, GifStatus::TooLarge);
    Bytes hugeFrame = HandMadeGif(2, 2, {1, 1, 1, 1}, false);
    const size_t frameSize = 13 + 24 + 5;  // the frame's width and height follow its position
    hugeFrame[frameSize] = hugeFrame[frameSize + 1] = hugeFrame[frameSize + 2] = hugeFrame[frameSize + 3] = 0xFF;
    EXPECT_EQ(DecodeGif(hugeFrame).status, GifStatus::TooLarge);
}

}  // namespace
