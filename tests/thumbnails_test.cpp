#include "workflow/thumbnails.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/folders.h"
#include "tests/support/files.h"
#include "win/handles.h"
#include "win/image_list.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using workflow::PlaceThumbnail;
using testing_support::FileExists;
using testing_support::WriteFile;
using workflow::ThumbnailPlacement;

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;

// ---------------------------------------------------------------- placement

TEST(PlaceThumbnail, FillsTheLongerSideCentredAndTruncated) {
    const struct {
        unsigned width, height;
        ThumbnailPlacement place;
    } rows[] = {
        {640, 480, {0, 7, 64, 48}},  {1024, 768, {0, 8, 64, 48}}, {800, 600, {0, 8, 63, 47}},  // wide: the width
        {300, 600, {15, 0, 32, 64}}, {480, 640, {7, 0, 48, 64}},                               // tall: the height
        {100, 100, {0, 0, 63, 63}},  {64, 64, {0, 0, 64, 64}},    {1, 1, {0, 0, 64, 64}},      // square
        {32, 16, {0, 16, 64, 32}},                                                            // small: enlarged
        {0, 480, {0, 0, 0, 0}},      {640, 0, {0, 0, 0, 0}},                                   // empty: nothing
    };
    for (const auto& row : rows) {
        const ThumbnailPlacement place = PlaceThumbnail(row.width, row.height);
        EXPECT_EQ((std::vector<int>{place.x, place.y, place.width, place.height}),
                  (std::vector<int>{row.place.x, row.place.y, row.place.width, row.place.height}))
            << row.width << " x " << row.height;
    }
}

// ---------------------------------------------------------------- pictures

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

bool EncoderFor(const wchar_t* mimeType, CLSID& clsid) {
    UINT count = 0, bytes = 0;
    gdip::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<BYTE> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || gdip::GdipGetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == mimeType) {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

// Writes a picture of one colour in the format of the MIME type.
void WritePicture(const std::string& path, int width, int height, Gdiplus::ARGB colour, const wchar_t* mimeType) {
    CLSID encoder{};
    ASSERT_TRUE(EncoderFor(mimeType, encoder));
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipGetImageGraphicsContext(bitmap, &graphics);
    gdip::GdipGraphicsClear(graphics, colour);
    gdip::GdipDeleteGraphics(graphics);
    const Gdiplus::GpStatus saved = gdip::GdipSaveImageToFile(bitmap, Wide(path).c_str(), &encoder, nullptr);
    gdip::GdipDisposeImage(bitmap);
    ASSERT_EQ(saved, Gdiplus::Ok) << path;
}

// Puts a placeholder of our own (or none) beside the test executable for the
// life of the object, keeping aside any that was there.
class PlaceholderScope {
public:
    PlaceholderScope() {
        if (FileExists(path_)) MoveFileA(path_.c_str(), keptPath_.c_str());
    }
    ~PlaceholderScope() {
        DeleteFileA(path_.c_str());
        if (FileExists(keptPath_)) MoveFileA(keptPath_.c_str(), path_.c_str());
    }
    const std::string& path() const { return path_; }

private:
    std::string path_ = settings::GetProgramFolder() + "icon.png";
    std::string keptPath_ = settings::GetProgramFolder() + "icon.png.kept";
};

struct Pixel {
    int r, g, b;
};

// The image's pixels as the image list holds them.
class ListedImage {
public:
    ListedImage(HIMAGELIST list, int index) {
        IMAGEINFO info{};
        if (!ImageList_GetImageInfo(list, index, &info)) return;
        BITMAP bitmap{};
        GetObjectA(info.hbmImage, sizeof(bitmap), &bitmap);
        width_ = bitmap.bmWidth;
        origin_ = info.rcImage;
        BITMAPINFO format{};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = bitmap.bmWidth;
        format.bmiHeader.biHeight = -bitmap.bmHeight;  // top-down rows
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        pixels_.resize(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
        win::WindowDC screen(nullptr);
        read_ = GetDIBits(screen, info.hbmImage, 0, bitmap.bmHeight, pixels_.data(), &format, DIB_RGB_COLORS) ==
                bitmap.bmHeight;
    }
    bool read() const { return read_; }
    Pixel at(int x, int y) const {
        const DWORD value = pixels_[static_cast<size_t>(origin_.top + y) * width_ + origin_.left + x];
        return {static_cast<int>((value >> 16) & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                static_cast<int>(value & 0xFF)};
    }

private:
    std::vector<DWORD> pixels_;
    int width_ = 0;
    RECT origin_{};
    bool read_ = false;
};

bool IsWhite(Pixel p) { return p.r == 255 && p.g == 255 && p.b == 255; }
bool IsRed(Pixel p) { return p.r > 200 && p.g < 60 && p.b < 60; }
bool IsGreen(Pixel p) { return p.g > 200 && p.r < 60 && p.b < 60; }
bool IsBlue(Pixel p) { return p.b > 200 && p.r < 60 && p.g < 60; }

std::ostream& operator<<(std::ostream& out, Pixel p) {
    return out << "(" << p.r << ", " << p.g << ", " << p.b << ")";
}

// Every pixel of the image is white outside `drawn`, and of the picture's
// colour more than two pixels inside it; the rim between is bicubic blending.
template <typename IsColour>
void ExpectThumbnail(const ListedImage& image, RECT drawn, IsColour isColour) {
    ASSERT_TRUE(image.read());
    int failures = 0;
    for (int y = 0; y < workflow::kThumbnailSize && failures < 5; ++y) {
        for (int x = 0; x < workflow::kThumbnailSize && failures < 5; ++x) {
            const Pixel p = image.at(x, y);
            const bool outside = x < drawn.left || x >= drawn.right || y < drawn.top || y >= drawn.bottom;
            const bool inside = x >= drawn.left + 2 && x < drawn.right - 2 && y >= drawn.top + 2 && y < drawn.bottom - 2;
            if (outside && !IsWhite(p)) {
                ADD_FAILURE() << "not white at " << x << ", " << y << ": " << p;
                ++failures;
            }
            if (inside && !isColour(p)) {
                ADD_FAILURE() << "not the picture's colour at " << x << ", " << y << ": " << p;
                ++failures;
            }
        }
    }
}

class PhotoThumbnails : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(list_.Create(64, 64, ILC_COLOR24, 0, 1)); }
    std::string Picture(const std::string& name) const { return folder_.In(name); }

    testing_support::ScratchFolder folder_{"thumbnails"};
    win::OwnedImageList list_;
};

// Drawn where PlaceThumbnail puts it, in every format the engine finds.
TEST_F(PhotoThumbnails, PicturesAreDrawnWhereTheirPlacementSays) {
    const struct {
        const char* name;
        int width, height;
        Gdiplus::ARGB colour;
        const wchar_t* type;
        RECT drawn;
        bool (*isColour)(Pixel);
        bool sharpCorners;  // no blending at the corners of the drawn area
    } rows[] = {
        {"wide.jpg", 640, 480, kRed, L"image/jpeg", {0, 7, 64, 55}, IsRed, false},
        {"tall.png", 300, 600, kGreen, L"image/png", {15, 0, 47, 64}, IsGreen, false},
        {"square.bmp", 100, 100, kBlue, L"image/bmp", {0, 0, 63, 63}, IsBlue, true},  // last row and column white
        {"small.png", 32, 16, kRed, L"image/png", {0, 16, 64, 48}, IsRed, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        win::OwnedImageList list;
        ASSERT_TRUE(list.Create(64, 64, ILC_COLOR24, 0, 1));
        WritePicture(Picture(row.name), row.width, row.height, row.colour, row.type);
        ASSERT_TRUE(workflow::AddPhotoThumbnail(list, Picture(row.name)));
        ASSERT_EQ(list.Count(), 1);
        const ListedImage image(list, 0);
        ExpectThumbnail(image, row.drawn, row.isColour);
        if (!row.sharpCorners) continue;
        EXPECT_TRUE(row.isColour(image.at(0, 0))) << image.at(0, 0);
        EXPECT_TRUE(row.isColour(image.at(62, 62))) << image.at(62, 62);
    }
}

TEST_F(PhotoThumbnails, ThumbnailsAreAppendedInOrder) {
    const std::string first = Picture("first.png");
    const std::string second = Picture("second.png");
    WritePicture(first, 64, 64, kRed, L"image/png");
    WritePicture(second, 64, 64, kBlue, L"image/png");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, first));
    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, second));

    ASSERT_EQ(list_.Count(), 2);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 0, 64, 64}, IsRed);
    ExpectThumbnail(ListedImage(list_, 1), RECT{0, 0, 64, 64}, IsBlue);
}

TEST_F(PhotoThumbnails, CorruptPictureShowsThePlaceholder) {
    const PlaceholderScope placeholder;
    WritePicture(placeholder.path(), 96, 96, kGreen, L"image/png");
    const std::string path = Picture("corrupt.jpg");
    WriteFile(path, "\xFF\xD8\xFF\xE0 this is not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ASSERT_EQ(list_.Count(), 1);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 0, 64, 64}, IsGreen);
}

TEST_F(PhotoThumbnails, CorruptPictureWithoutPlaceholderIsDeclined) {
    const PlaceholderScope noPlaceholder;
    const std::string path = Picture("corrupt.jpg");
    WriteFile(path, "not a picture");
    const std::string good = Picture("good.png");
    WritePicture(good, 64, 64, kRed, L"image/png");
    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, good));

    EXPECT_FALSE(workflow::AddPhotoThumbnail(list_, path));
    EXPECT_FALSE(workflow::AddPhotoThumbnail(list_, Picture("missing.jpg")));

    EXPECT_EQ(list_.Count(), 1);
}

TEST_F(PhotoThumbnails, PlaceholderThatIsNoPictureGivesAPlainWhiteThumbnail) {
    const PlaceholderScope placeholder;
    WriteFile(placeholder.path(), "not a picture either");
    const std::string path = Picture("corrupt.jpg");
    WriteFile(path, "not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ASSERT_EQ(list_.Count(), 1);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 0, 0, 0}, IsWhite);
}

bool CanOpenForExclusiveWrite(const std::string& path) {
    const win::UniqueHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

TEST_F(PhotoThumbnails, PictureIsNotHeldOpenAfterwards) {
    const std::string path = Picture("held.jpg");
    WritePicture(path, 640, 480, kRed, L"image/jpeg");
    {
        // Shows that the check below can see a picture the library holds.
        Gdiplus::GpBitmap* open = nullptr;
        ASSERT_EQ(gdip::GdipCreateBitmapFromFile(Wide(path).c_str(), &open), Gdiplus::Ok);
        EXPECT_FALSE(CanOpenForExclusiveWrite(path));
        gdip::GdipDisposeImage(open);
    }

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    EXPECT_TRUE(CanOpenForExclusiveWrite(path));
}

TEST_F(PhotoThumbnails, PlaceholderIsNotHeldOpenAfterwards) {
    const PlaceholderScope placeholder;
    WritePicture(placeholder.path(), 96, 96, kGreen, L"image/png");
    const std::string path = Picture("corrupt.jpg");
    WriteFile(path, "not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    EXPECT_TRUE(CanOpenForExclusiveWrite(path));
    EXPECT_TRUE(CanOpenForExclusiveWrite(placeholder.path()));
}

TEST_F(PhotoThumbnails, ProbeAcceptsPicturesOnly) {
    const std::string picture = Picture("picture.jpg");
    WritePicture(picture, 32, 32, kRed, L"image/jpeg");
    const std::string corrupt = Picture("corrupt.jpg");
    WriteFile(corrupt, "not a picture");

    EXPECT_TRUE(workflow::ProbeImage(picture));
    EXPECT_FALSE(workflow::ProbeImage(corrupt));
    EXPECT_FALSE(workflow::ProbeImage(Picture("missing.jpg")));
    EXPECT_TRUE(CanOpenForExclusiveWrite(picture));
}

}  // namespace
