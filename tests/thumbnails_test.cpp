#include "workflow/thumbnails.h"

#include <gdiplus.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "settings/folders.h"
#include "win/handles.h"
#include "win/image_list.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using workflow::PlaceThumbnail;
using workflow::ThumbnailPlacement;

constexpr Gdiplus::ARGB kRed = 0xFFFF0000;
constexpr Gdiplus::ARGB kGreen = 0xFF00FF00;
constexpr Gdiplus::ARGB kBlue = 0xFF0000FF;

// ---------------------------------------------------------------- placement

void ExpectPlacement(unsigned width, unsigned height, ThumbnailPlacement expected) {
    const ThumbnailPlacement place = PlaceThumbnail(width, height);
    EXPECT_EQ(place.x, expected.x) << width << " x " << height;
    EXPECT_EQ(place.y, expected.y) << width << " x " << height;
    EXPECT_EQ(place.width, expected.width) << width << " x " << height;
    EXPECT_EQ(place.height, expected.height) << width << " x " << height;
}

TEST(PlaceThumbnail, WidePicturesFillTheWidthAndAreCentredVertically) {
    ExpectPlacement(640, 480, {0, 7, 64, 48});
    ExpectPlacement(1024, 768, {0, 8, 64, 48});
    ExpectPlacement(800, 600, {0, 8, 63, 47});
}

TEST(PlaceThumbnail, TallPicturesFillTheHeightAndAreCentredHorizontally) {
    ExpectPlacement(300, 600, {15, 0, 32, 64});
    ExpectPlacement(480, 640, {7, 0, 48, 64});
}

TEST(PlaceThumbnail, SquarePicturesFillTheSquareUpToTruncation) {
    ExpectPlacement(100, 100, {0, 0, 63, 63});
    ExpectPlacement(64, 64, {0, 0, 64, 64});
    ExpectPlacement(1, 1, {0, 0, 64, 64});
}

TEST(PlaceThumbnail, SmallPicturesAreEnlarged) {
    ExpectPlacement(32, 16, {0, 16, 64, 32});
}

TEST(PlaceThumbnail, AnEmptySizeDrawsNothing) {
    ExpectPlacement(0, 480, {0, 0, 0, 0});
    ExpectPlacement(640, 0, {0, 0, 0, 0});
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

void WriteBytes(const std::string& path, const std::string& bytes) {
    win::UniqueHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file.valid()) << path;
    DWORD written = 0;
    WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ASSERT_EQ(written, bytes.size());
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
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
    void SetUp() override {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "vantreo-thumbnails-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
        ASSERT_TRUE(list_.Create(64, 64, ILC_COLOR24, 0, 1));
    }
    void TearDown() override {
        for (const std::string& path : written_) DeleteFileA(path.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string Picture(const std::string& name) {
        written_.push_back(folder_ + name);
        return written_.back();
    }

    std::string folder_;
    std::vector<std::string> written_;
    win::OwnedImageList list_;
};

TEST_F(PhotoThumbnails, WidePictureIsDrawnAcrossTheMiddle) {
    const std::string path = Picture("wide.jpg");
    WritePicture(path, 640, 480, kRed, L"image/jpeg");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ASSERT_EQ(list_.Count(), 1);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 7, 64, 55}, IsRed);
}

TEST_F(PhotoThumbnails, TallPictureIsDrawnDownTheMiddle) {
    const std::string path = Picture("tall.png");
    WritePicture(path, 300, 600, kGreen, L"image/png");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ExpectThumbnail(ListedImage(list_, 0), RECT{15, 0, 47, 64}, IsGreen);
}

TEST_F(PhotoThumbnails, SquarePictureLeavesTheLastRowAndColumnWhite) {
    const std::string path = Picture("square.bmp");
    WritePicture(path, 100, 100, kBlue, L"image/bmp");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    const ListedImage image(list_, 0);
    ExpectThumbnail(image, RECT{0, 0, 63, 63}, IsBlue);
    EXPECT_TRUE(IsBlue(image.at(0, 0))) << image.at(0, 0);
    EXPECT_TRUE(IsBlue(image.at(62, 62))) << image.at(62, 62);
}

TEST_F(PhotoThumbnails, SmallPictureIsEnlarged) {
    const std::string path = Picture("small.png");
    WritePicture(path, 32, 16, kRed, L"image/png");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 16, 64, 48}, IsRed);
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

// How many images the list has room for. The images share one bitmap, which
// is reallocated, with every image in it copied, whenever the room changes.
int Room(HIMAGELIST list) {
    IMAGEINFO info{};
    if (!ImageList_GetImageInfo(list, 0, &info)) return 0;
    BITMAP bitmap{};
    GetObjectA(info.hbmImage, sizeof(bitmap), &bitmap);
    return (bitmap.bmWidth / workflow::kThumbnailSize) * (bitmap.bmHeight / workflow::kThumbnailSize);
}

// A list that grew by one slot per photo would copy every earlier thumbnail at
// each new one: a scan of 20,000 photos then takes hours.
TEST_F(PhotoThumbnails, TheThumbnailListGrowsInBlocksAndKeepsTheOrder) {
    win::OwnedImageList list;
    ASSERT_TRUE(workflow::CreateThumbnailList(list));
    const std::string red = Picture("red.png");
    const std::string blue = Picture("blue.png");
    WritePicture(red, 64, 64, kRed, L"image/png");
    WritePicture(blue, 64, 64, kBlue, L"image/png");

    const int count = 2 * workflow::kThumbnailGrowth + 1;
    int growths = 0;
    for (int i = 0, room = 0; i < count; ++i) {
        ASSERT_TRUE(workflow::AddPhotoThumbnail(list, i % 2 == 0 ? red : blue));
        ASSERT_GE(Room(list), i + 1);
        if (Room(list) != room) ++growths;
        room = Room(list);
    }

    EXPECT_EQ(list.Count(), count);
    EXPECT_LE(growths, count / workflow::kThumbnailGrowth + 1);
    for (int index : {0, workflow::kThumbnailGrowth - 1, workflow::kThumbnailGrowth, count - 2, count - 1}) {
        SCOPED_TRACE(index);
        ExpectThumbnail(ListedImage(list, index), RECT{0, 0, 64, 64}, index % 2 == 0 ? IsRed : IsBlue);
    }
}

// A new scan empties the list; its first photo must be image 0 again.
TEST_F(PhotoThumbnails, AnEmptiedListStartsAgainAtTheFirstImage) {
    win::OwnedImageList list;
    ASSERT_TRUE(workflow::CreateThumbnailList(list));
    const std::string red = Picture("red.png");
    const std::string green = Picture("green.png");
    WritePicture(red, 64, 64, kRed, L"image/png");
    WritePicture(green, 64, 64, kGreen, L"image/png");
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(workflow::AddPhotoThumbnail(list, red));

    list.RemoveAll();
    ASSERT_EQ(list.Count(), 0);
    ASSERT_TRUE(workflow::AddPhotoThumbnail(list, green));

    ASSERT_EQ(list.Count(), 1);
    ExpectThumbnail(ListedImage(list, 0), RECT{0, 0, 64, 64}, IsGreen);
}

TEST_F(PhotoThumbnails, CorruptPictureShowsThePlaceholder) {
    const PlaceholderScope placeholder;
    WritePicture(placeholder.path(), 96, 96, kGreen, L"image/png");
    const std::string path = Picture("corrupt.jpg");
    WriteBytes(path, "\xFF\xD8\xFF\xE0 this is not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ASSERT_EQ(list_.Count(), 1);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 0, 64, 64}, IsGreen);
}

TEST_F(PhotoThumbnails, CorruptPictureWithoutPlaceholderIsDeclined) {
    const PlaceholderScope noPlaceholder;
    const std::string path = Picture("corrupt.jpg");
    WriteBytes(path, "not a picture");
    const std::string good = Picture("good.png");
    WritePicture(good, 64, 64, kRed, L"image/png");
    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, good));

    EXPECT_FALSE(workflow::AddPhotoThumbnail(list_, path));
    EXPECT_FALSE(workflow::AddPhotoThumbnail(list_, folder_ + "missing.jpg"));

    EXPECT_EQ(list_.Count(), 1);
}

TEST_F(PhotoThumbnails, PlaceholderThatIsNoPictureGivesAPlainWhiteThumbnail) {
    const PlaceholderScope placeholder;
    WriteBytes(placeholder.path(), "not a picture either");
    const std::string path = Picture("corrupt.jpg");
    WriteBytes(path, "not a picture");

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
    WriteBytes(path, "not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    EXPECT_TRUE(CanOpenForExclusiveWrite(path));
    EXPECT_TRUE(CanOpenForExclusiveWrite(placeholder.path()));
}

TEST_F(PhotoThumbnails, ProbeAcceptsPicturesOnly) {
    const std::string picture = Picture("picture.jpg");
    WritePicture(picture, 32, 32, kRed, L"image/jpeg");
    const std::string corrupt = Picture("corrupt.jpg");
    WriteBytes(corrupt, "not a picture");

    EXPECT_TRUE(workflow::ProbeImage(picture));
    EXPECT_FALSE(workflow::ProbeImage(corrupt));
    EXPECT_FALSE(workflow::ProbeImage(folder_ + "missing.jpg"));
    EXPECT_TRUE(CanOpenForExclusiveWrite(picture));
}

}  // namespace
