#include "workflow/thumbnails.h"

#include <gdiplus.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/support/files.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/window_picture.h"
#include "win/handles.h"
#include "win/image_list.h"

namespace {

namespace gdip = Gdiplus::DllExports;
using workflow::PlaceThumbnail;
using testing_support::CanOpenExclusively;
using testing_support::FileExists;
using testing_support::Pixels;
using testing_support::PumpUntil;
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

// The image as the image list draws it.
Pixels ListedImage(HIMAGELIST list, int index) {
    const RECT area{0, 0, workflow::kThumbnailSize, workflow::kThumbnailSize};
    win::WindowDC screen(nullptr);
    win::MemoryDC memory(screen);
    win::BitmapHandle canvas(CreateCompatibleBitmap(screen, area.right, area.bottom));
    win::SelectObjectScope select(memory, canvas.get());
    if (!ImageList_Draw(list, index, memory, 0, 0, ILD_NORMAL)) return Pixels(memory, RECT{});
    return Pixels(memory, area);
}

bool IsWhite(COLORREF p) { return p == RGB(255, 255, 255); }
bool IsRed(COLORREF p) { return GetRValue(p) > 200 && GetGValue(p) < 60 && GetBValue(p) < 60; }
bool IsGreen(COLORREF p) { return GetGValue(p) > 200 && GetRValue(p) < 60 && GetBValue(p) < 60; }
bool IsBlue(COLORREF p) { return GetBValue(p) > 200 && GetRValue(p) < 60 && GetGValue(p) < 60; }

// Every pixel of the image is white outside `drawn`, and of the picture's
// colour more than two pixels inside it; the rim between is bicubic blending.
template <typename IsColour>
void ExpectThumbnail(const Pixels& image, RECT drawn, IsColour isColour) {
    ASSERT_EQ(image.Width(), workflow::kThumbnailSize);
    int failures = 0;
    for (int y = 0; y < workflow::kThumbnailSize && failures < 5; ++y) {
        for (int x = 0; x < workflow::kThumbnailSize && failures < 5; ++x) {
            const COLORREF p = image.At(x, y);
            const bool outside = x < drawn.left || x >= drawn.right || y < drawn.top || y >= drawn.bottom;
            const bool inside = x >= drawn.left + 2 && x < drawn.right - 2 && y >= drawn.top + 2 && y < drawn.bottom - 2;
            if (outside && !IsWhite(p)) {
                ADD_FAILURE() << "not white at " << x << ", " << y << ": " << std::hex << p;
                ++failures;
            }
            if (inside && !isColour(p)) {
                ADD_FAILURE() << "not the picture's colour at " << x << ", " << y << ": " << std::hex << p;
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
        bool (*isColour)(COLORREF);
        bool sharpCorners;  // no blending at the corners of the drawn area
    } rows[] = {
        {"wide.jpg", 640, 480, kRed, L"image/jpeg", {0, 7, 64, 55}, IsRed, false},
        {"tall.png", 300, 600, kGreen, L"image/png", {15, 0, 47, 64}, IsGreen, false},
        {"square.bmp", 100, 100, kBlue, L"image/bmp", {0, 0, 63, 63}, IsBlue, true},  // last row and column white
        {"small.png", 32, 16, kRed, L"image/png", {0, 16, 64, 48}, IsRed, false},
    };
    for (const auto& row : rows) {
        WritePicture(Picture(row.name), row.width, row.height, row.colour, row.type);
        ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, Picture(row.name)));
    }
    ASSERT_EQ(list_.Count(), 4);
    for (int i = 0; i < 4; ++i) {  // appended in order
        const auto& row = rows[i];
        SCOPED_TRACE(row.name);
        const Pixels image = ListedImage(list_, i);
        ExpectThumbnail(image, row.drawn, row.isColour);
        if (!row.sharpCorners) continue;
        EXPECT_TRUE(row.isColour(image.At(0, 0))) << std::hex << image.At(0, 0);
        EXPECT_TRUE(row.isColour(image.At(62, 62))) << std::hex << image.At(62, 62);
    }
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
    WriteFile(path, "\xFF\xD8\xFF\xE0 this is not a picture");

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    ASSERT_EQ(list_.Count(), 1);
    ExpectThumbnail(ListedImage(list_, 0), RECT{0, 0, 64, 64}, IsGreen);
    EXPECT_TRUE(CanOpenExclusively(path));  // neither is held open afterwards
    EXPECT_TRUE(CanOpenExclusively(placeholder.path()));
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

TEST_F(PhotoThumbnails, PictureIsNotHeldOpenAfterwards) {
    const std::string path = Picture("held.jpg");
    WritePicture(path, 640, 480, kRed, L"image/jpeg");
    {
        // Shows that the check below can see a picture the library holds.
        Gdiplus::GpBitmap* open = nullptr;
        ASSERT_EQ(gdip::GdipCreateBitmapFromFile(Wide(path).c_str(), &open), Gdiplus::Ok);
        EXPECT_FALSE(CanOpenExclusively(path));
        gdip::GdipDisposeImage(open);
    }

    ASSERT_TRUE(workflow::AddPhotoThumbnail(list_, path));

    EXPECT_TRUE(CanOpenExclusively(path));
}

TEST_F(PhotoThumbnails, ProbeAcceptsPicturesOnly) {
    const std::string picture = Picture("picture.jpg");
    WritePicture(picture, 32, 32, kRed, L"image/jpeg");
    const std::string corrupt = Picture("corrupt.jpg");
    WriteFile(corrupt, "not a picture");

    EXPECT_TRUE(workflow::ProbeImage(picture));
    EXPECT_FALSE(workflow::ProbeImage(corrupt));
    EXPECT_FALSE(workflow::ProbeImage(Picture("missing.jpg")));
    EXPECT_TRUE(CanOpenExclusively(picture));
}

// ---------------------------------------------------------------- during a scan

int ThreadsOfThisProcess() {
    win::UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    return count;
}

class LargePictures : public testing_support::ScanTest {
protected:
    // The stand-in writes these in name order, and hangs.
    void Write(const std::string& name, int width, int height, Gdiplus::ARGB colour) {
        WritePicture(folder_ + "\\" + name, width, height, colour, L"image/jpeg");
    }
    HIMAGELIST Thumbnails() const {
        return reinterpret_cast<HIMAGELIST>(SendMessageA(Item(IDC_PHOTO_LIST), LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    }
    std::string folder_ = scratch_.In("large");
};

// Camera-sized pictures are decoded away from the window's thread: the window
// answers a click while they are made, and the entries still come in the
// order the engine wrote the files, each with its own thumbnail.
TEST_F(LargePictures, ComeInFoundOrderWithTheirOwnThumbnailsAndTheWindowAnswersMeanwhile) {
    CreateDirectoryA(folder_.c_str(), nullptr);
    const struct {
        const char* name;
        int width, height;
        Gdiplus::ARGB colour;
        bool (*isColour)(COLORREF);
    } pictures[] = {
        {"1_small.jpg", 160, 120, kGreen, IsGreen},
        {"2_large.jpg", 4000, 3000, kRed, IsRed},
        {"3_small.jpg", 120, 160, kBlue, IsBlue},
        {"4_large.jpg", 3000, 4000, kGreen, IsGreen},
        {"5_small.jpg", 64, 64, kRed, IsRed},
    };
    for (const auto& picture : pictures) Write(picture.name, picture.width, picture.height, picture.colour);
    WriteFile(folder_ + "\\6_notes.txt", "notes");
    InstallStandIn(folder_, true);
    StartScan();

    ASSERT_TRUE(PumpUntil([&] { return !PhotoPaths().empty(); }, 15000));
    boxes_.QueueAnswer(IDNO);
    Click(IDC_RECOVER);  // Cancel, answered No
    EXPECT_EQ(boxes_.Boxes().size(), 1u);
    ASSERT_TRUE(PumpUntil([&] { return FileRows().size() == 1; }, 30000));

    ASSERT_EQ(PhotoPaths().size(), std::size(pictures));
    for (size_t i = 0; i < std::size(pictures); ++i) {
        const auto& picture = pictures[i];
        SCOPED_TRACE(picture.name);
        EXPECT_EQ(PhotoPaths()[i], ScanOutput() + "\\" + picture.name);
        const workflow::ThumbnailPlacement place = PlaceThumbnail(picture.width, picture.height);
        ExpectThumbnail(ListedImage(Thumbnails(), static_cast<int>(i)),
                        RECT{place.x, place.y, place.x + place.width, place.y + place.height}, picture.isColour);
    }
    EXPECT_EQ(FileRows()[0].name, "6_notes.txt");
    ASSERT_TRUE(CancelUntilListed());
}

// Cancel while pictures wait for their thumbnails: the workers are gone and no
// found file is held open once the results show, and every picture is listed.
TEST_F(LargePictures, CancelInTheMiddleLeavesNoThreadAndNoOpenFile) {
    CreateDirectoryA(folder_.c_str(), nullptr);
    constexpr int kPictures = 6;
    for (int i = 0; i < kPictures; ++i) Write(std::to_string(i) + ".jpg", 4000, 3000, i % 2 ? kRed : kBlue);
    InstallStandIn(folder_, true);
    OpenWindow();
    // GDI+ under Wine starts a thread of its own at its first decode and keeps
    // it for the life of the process: it is counted before the scan.
    ASSERT_TRUE(workflow::MakeThumbnail(folder_ + "\\0.jpg"));
    const int threadsBefore = ThreadsOfThisProcess();
    SelectDrive("C:");
    Click(IDC_NEXT);
    ASSERT_TRUE(PumpUntil([&] { return !PhotoPaths().empty(); }, 15000));
    ASSERT_LT(PhotoPaths().size(), static_cast<size_t>(kPictures));

    ASSERT_TRUE(CancelUntilListed());
    EXPECT_EQ(PhotoPaths().size() + FileRows().size(), static_cast<size_t>(kPictures));
    // The engine's own worker ends once the engine has.
    EXPECT_TRUE(PumpUntil([&] { return ThreadsOfThisProcess() <= threadsBefore; }))
        << ThreadsOfThisProcess() << " threads, " << threadsBefore << " before the scan";
    EXPECT_EQ(boxes_.Boxes().size(), 1u) << boxes_.Boxes().back().text;  // Cancel's question, and no report
    for (int i = 0; i < kPictures; ++i) {
        EXPECT_TRUE(CanOpenExclusively(ScanOutput() + "\\" + std::to_string(i) + ".jpg")) << i;
    }
}

}  // namespace
