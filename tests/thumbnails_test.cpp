#include "workflow/thumbnails/thumbnails.h"

#include <windows.h>
#include <gdiplus.h>
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "settings/folders.h"
#include "tests/engines/wine_paths.h"
#include "tests/support/files.h"
#include "tests/support/import_patch.h"
#include "tests/support/raw_fixtures.h"
#include "tests/support/scan_fixture.h"
#include "tests/support/window_picture.h"
#include "win/handles.h"
#include "win/controls/image_list.h"
#include "workflow/thumbnails/thumbnail_cache.h"

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
constexpr Gdiplus::ARGB kWhite = 0xFFFFFFFF;

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

// Writes a picture of one colour (its right half of another, when given) in
// the format of the MIME type.
void WritePicture(const std::string& path, int width, int height, Gdiplus::ARGB colour,
                  const wchar_t* mimeType = L"image/png", Gdiplus::ARGB rightHalf = 0) {
    CLSID encoder{};
    ASSERT_TRUE(EncoderFor(mimeType, encoder));
    Gdiplus::GpBitmap* bitmap = nullptr;
    ASSERT_EQ(gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap), Gdiplus::Ok);
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipGetImageGraphicsContext(bitmap, &graphics);
    gdip::GdipGraphicsClear(graphics, colour);
    if (rightHalf) {
        Gdiplus::GpSolidFill* brush = nullptr;
        gdip::GdipCreateSolidFill(rightHalf, &brush);
        gdip::GdipFillRectangleI(graphics, brush, width / 2, 0, width - width / 2, height);
        gdip::GdipDeleteBrush(brush);
    }
    gdip::GdipDeleteGraphics(graphics);
    const Gdiplus::GpStatus saved = gdip::GdipSaveImageToFile(bitmap, engines::Widen(path).c_str(), &encoder, nullptr);
    gdip::GdipDisposeImage(bitmap);
    ASSERT_EQ(saved, Gdiplus::Ok) << path;
}

// Puts a placeholder of our own (or none) beside the test executable for the
// life of the object, keeping aside any that was there.
class PlaceholderScope {
public:
    PlaceholderScope() {
        if (FileExists(m_path)) MoveFileA(m_path.c_str(), m_keptPath.c_str());
    }
    ~PlaceholderScope() {
        DeleteFileA(m_path.c_str());
        if (FileExists(m_keptPath)) MoveFileA(m_keptPath.c_str(), m_path.c_str());
    }
    const std::string& path() const { return m_path; }

private:
    std::string m_path = settings::GetProgramFolder() + "icon.png";
    std::string m_keptPath = settings::GetProgramFolder() + "icon.png.kept";
};

// The image as the image list draws it.
Pixels ListedImage(HIMAGELIST list, int index) {
    return testing_support::ImageListPixels(list, index, workflow::kThumbnailSize);
}

// Near a picture's colour: every channel it has in full is bright, every other dark.
bool Shows(COLORREF p, Gdiplus::ARGB colour) {
    const auto channel = [](BYTE seen, BYTE full) { return full ? seen > 200 : seen < 60; };
    return channel(GetRValue(p), (colour >> 16) & 0xFF) && channel(GetGValue(p), (colour >> 8) & 0xFF) &&
           channel(GetBValue(p), colour & 0xFF);
}

// Every pixel of the image is white outside `drawn`, and of the picture's
// colour more than two pixels inside it; the rim between is bicubic blending.
void ExpectThumbnail(const Pixels& image, RECT drawn, Gdiplus::ARGB colour) {
    ASSERT_EQ(image.Width(), workflow::kThumbnailSize);
    int wrong = 0;
    std::string first;
    for (int y = 0; y < workflow::kThumbnailSize; ++y) {
        for (int x = 0; x < workflow::kThumbnailSize; ++x) {
            const COLORREF p = image.At(x, y);
            const bool outside = x < drawn.left || x >= drawn.right || y < drawn.top || y >= drawn.bottom;
            const bool inside = x >= drawn.left + 2 && x < drawn.right - 2 && y >= drawn.top + 2 && y < drawn.bottom - 2;
            if (((outside && p != RGB(255, 255, 255)) || (inside && !Shows(p, colour))) && wrong++ == 0)
                first = std::to_string(x) + ", " + std::to_string(y) + (outside ? " not white" : " not the colour");
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels wrong, the first at " << first;
}

// What the listing does with a found picture: its own thumbnail, else the
// placeholder's, appended; false when neither can be had.
bool AddThumbnail(HIMAGELIST list, const std::string& path) {
    workflow::Thumbnail made = workflow::MakeThumbnail(path);
    std::optional<std::vector<uint8_t>> rows;
    if (made.Decoded()) rows = std::move(made.rows);
    else rows = workflow::MakePlaceholderThumbnail();
    return rows && win::ImageList(list).Add(workflow::SquareBitmap(*rows).get()) >= 0;
}

class PhotoThumbnails : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_list.Create(64, 64, ILC_COLOR24, 0, 1)); }
    std::string Picture(const std::string& name) const { return m_folder.In(name); }

    testing_support::ScratchFolder m_folder{"thumbnails"};
    win::OwnedImageList m_list;
};

// Drawn where PlaceThumbnail puts it, in every format the engine finds.
TEST_F(PhotoThumbnails, PicturesAreDrawnWhereTheirPlacementSays) {
    const struct {
        const char* name;
        int width, height;
        Gdiplus::ARGB colour;
        const wchar_t* type;
        RECT drawn;
        bool sharpCorners;  // no blending at the corners of the drawn area
    } rows[] = {
        {"wide.jpg", 640, 480, kRed, L"image/jpeg", {0, 7, 64, 55}, false},
        {"tall.png", 300, 600, kGreen, L"image/png", {15, 0, 47, 64}, false},
        {"square.bmp", 100, 100, kBlue, L"image/bmp", {0, 0, 63, 63}, true},  // last row and column white
        {"small.png", 32, 16, kRed, L"image/png", {0, 16, 64, 48}, false},
    };
    for (const auto& row : rows) {
        WritePicture(Picture(row.name), row.width, row.height, row.colour, row.type);
        ASSERT_TRUE(AddThumbnail(m_list, Picture(row.name)));
    }
    ASSERT_EQ(m_list.Count(), 4);
    for (int i = 0; i < 4; ++i) {  // appended in order
        const auto& row = rows[i];
        SCOPED_TRACE(row.name);
        const Pixels image = ListedImage(m_list, i);
        ExpectThumbnail(image, row.drawn, row.colour);
        if (!row.sharpCorners) continue;
        EXPECT_TRUE(Shows(image.At(0, 0), row.colour)) << std::hex << image.At(0, 0);
        EXPECT_TRUE(Shows(image.At(62, 62), row.colour)) << std::hex << image.At(62, 62);
    }
}

// A GIF is decoded and scaled by our own code: placed as any picture, its
// transparent colour white, a small one enlarged pixel by pixel.
TEST_F(PhotoThumbnails, AGifIsPlacedWithItsTransparentColourWhite) {
    // 40 x 30, transparent but for a blue square from (10, 5) to (29, 24).
    const std::string gif = testing_support::WindowsPath(std::string(VANTREO_GIF_CORPUS) + "/transparent.gif");
    const workflow::Thumbnail made = workflow::MakeThumbnail(gif);
    ASSERT_FALSE(made.rows.empty());
    // The cache takes the rows through one bitmap it reuses: the GIF keeps
    // its picture once a plain red square has gone through after it.
    workflow::ThumbnailCache cache(4);
    ASSERT_TRUE(cache.Create());
    workflow::FoundPhoto photos[2];
    const std::vector<uint8_t> red = [] {
        std::vector<uint8_t> rows(size_t{workflow::kThumbnailSize} * workflow::kThumbnailSize * 3);
        for (size_t i = 0; i < rows.size(); i += 3) rows[i + 2] = 0xFF;
        return rows;
    }();
    ASSERT_TRUE(cache.Put(photos[0], made.Image()));
    ASSERT_TRUE(cache.Put(photos[1], workflow::ThumbnailImage{&red}));
    // Placed 64 x 48 at row 7, as 640 x 480 is.
    ExpectThumbnail(ListedImage(cache.List(), cache.ImageOf(photos[0])), RECT{16, 15, 48, 47}, kBlue);
    ExpectThumbnail(ListedImage(cache.List(), cache.ImageOf(photos[1])), RECT{0, 0, 64, 64}, kRed);
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
// each new one: a scan of 20,000 photos then takes hours. A new scan empties
// the list; its first photo must be image 0 again.
TEST_F(PhotoThumbnails, TheThumbnailListGrowsInBlocksKeepsTheOrderAndStartsAgainWhenEmptied) {
    win::OwnedImageList list;
    ASSERT_TRUE(workflow::CreateThumbnailList(list));
    const std::string red = Picture("red.png"), blue = Picture("blue.png"), green = Picture("green.png");
    WritePicture(red, 64, 64, kRed);
    WritePicture(blue, 64, 64, kBlue);
    WritePicture(green, 64, 64, kGreen);

    const int count = 2 * workflow::kThumbnailGrowth + 1;
    int growths = 0;
    for (int i = 0, room = 0; i < count; ++i) {
        ASSERT_TRUE(AddThumbnail(list, i % 2 == 0 ? red : blue));
        ASSERT_GE(Room(list), i + 1);
        if (Room(list) != room) ++growths;
        room = Room(list);
    }
    EXPECT_EQ(list.Count(), count);
    EXPECT_LE(growths, count / workflow::kThumbnailGrowth + 1);
    for (int index : {0, workflow::kThumbnailGrowth - 1, workflow::kThumbnailGrowth, count - 2, count - 1}) {
        SCOPED_TRACE(index);
        ExpectThumbnail(ListedImage(list, index), RECT{0, 0, 64, 64}, index % 2 == 0 ? kRed : kBlue);
    }

    list.RemoveAll();
    ASSERT_EQ(list.Count(), 0);
    ASSERT_TRUE(AddThumbnail(list, green));
    ASSERT_EQ(list.Count(), 1);
    ExpectThumbnail(ListedImage(list, 0), RECT{0, 0, 64, 64}, kGreen);
}

// The photo list's thumbnails are held in a fixed budget: one dropped to make
// room shows the empty square while it is made again, then its own picture.
TEST_F(PhotoThumbnails, AThumbnailDroppedFromTheCacheShowsTheEmptySquareUntilItIsMadeAgain) {
    workflow::ThumbnailCache cache(2);
    ASSERT_TRUE(cache.Create());
    const Gdiplus::ARGB colours[] = {kRed, kBlue, kGreen};
    workflow::FoundPhoto photos[3];
    for (int i = 0; i < 3; ++i) {
        photos[i].path = Picture("photo" + std::to_string(i) + ".png");
        WritePicture(photos[i].path, 64, 64, colours[i]);
        const workflow::Thumbnail made = workflow::MakeThumbnail(photos[i].path);
        ASSERT_TRUE(made.Decoded());
        ASSERT_TRUE(cache.Put(photos[i], made.Image()));
    }
    ASSERT_EQ(cache.ImageOf(photos[0]), workflow::ThumbnailCache::kEmptyImage);
    ExpectThumbnail(ListedImage(cache.List(), workflow::ThumbnailCache::kEmptyImage), RECT{}, kWhite);
    ASSERT_TRUE(PumpUntil([&] { return cache.TakeRemade(); }, 10000));
    // Made again in room taken from another photo; each shows its own picture or, dropped, the empty square.
    int shown = 0;
    for (int i = 0; i < 3; ++i) {
        const int image = cache.ImageOf(photos[i]);
        if (image == workflow::ThumbnailCache::kEmptyImage) continue;
        ++shown;
        ExpectThumbnail(ListedImage(cache.List(), image), RECT{0, 0, 64, 64}, colours[i]);
    }
    EXPECT_NE(cache.ImageOf(photos[0]), workflow::ThumbnailCache::kEmptyImage);
    EXPECT_EQ(shown, 2);
}

// A picture that cannot be decoded shows the placeholder beside the program,
// plain white when that is no picture either; without one it is declined and
// the list keeps what it had. Neither file is held open afterwards.
TEST_F(PhotoThumbnails, CorruptPictureShowsThePlaceholderOrIsDeclined) {
    const struct {
        const char* placeholder;  // null: none; empty: a green picture
        const char* corrupt;
        Gdiplus::ARGB shown;  // 0: declined
        RECT drawn;
    } rows[] = {
        {"", "\xFF\xD8\xFF\xE0 this is not a picture", kGreen, {0, 0, 64, 64}},
        {nullptr, "not a picture", 0, {}},
        {"not a picture either", "not a picture", kWhite, {0, 0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.placeholder ? row.placeholder : "no placeholder");
        const PlaceholderScope placeholder;
        if (row.placeholder) WriteFile(placeholder.path(), row.placeholder);
        if (row.placeholder && !*row.placeholder) WritePicture(placeholder.path(), 96, 96, kGreen);
        const std::string path = Picture("corrupt.jpg");
        WriteFile(path, row.corrupt);
        const int before = m_list.Count();

        EXPECT_EQ(AddThumbnail(m_list, path), row.shown != 0);
        if (row.shown) {
            ASSERT_EQ(m_list.Count(), before + 1);
            ExpectThumbnail(ListedImage(m_list, before), row.drawn, row.shown);
            EXPECT_TRUE(CanOpenExclusively(placeholder.path()));
        } else {
            EXPECT_FALSE(AddThumbnail(m_list, Picture("missing.jpg")));
            EXPECT_EQ(m_list.Count(), before);
        }
        EXPECT_TRUE(CanOpenExclusively(path));
    }
}

// Only pictures give a thumbnail, and none holds its file open afterwards.
TEST_F(PhotoThumbnails, OnlyPicturesGiveAThumbnailAndNoneIsHeldOpenAfterwards) {
    const std::string path = Picture("held.jpg"), corrupt = Picture("corrupt.jpg");
    WritePicture(path, 640, 480, kRed, L"image/jpeg");
    WriteFile(corrupt, "not a picture");
    {
        // Shows that the checks below can see a picture the library holds.
        Gdiplus::GpBitmap* open = nullptr;
        ASSERT_EQ(gdip::GdipCreateBitmapFromFile(engines::Widen(path).c_str(), &open), Gdiplus::Ok);
        EXPECT_FALSE(CanOpenExclusively(path));
        gdip::GdipDisposeImage(open);
    }

    EXPECT_TRUE(workflow::MakeThumbnail(path).Decoded());
    EXPECT_TRUE(CanOpenExclusively(path));
    EXPECT_FALSE(workflow::MakeThumbnail(corrupt).Decoded());
    EXPECT_FALSE(workflow::MakeThumbnail(Picture("missing.jpg")).Decoded());
}

// A camera turns a portrait photo's pixels on their side and says so in EXIF:
// the thumbnail is upright, whether GDI+ draws the picture (too small for a
// preview of our own) or our 1/8 preview does, and so is a RAW file's preview.
TEST_F(PhotoThumbnails, PhotosAreDrawnUprightByTheirExifOrientation) {
    enum Side { Left, Right, Top, Bottom };  // where the picture's left, red half ends up
    const Side sides[] = {Left, Right, Right, Left, Top, Top, Bottom, Bottom};
    for (const int width : {160, 1600}) {
        const std::string plain = Picture("plain.jpg");
        WritePicture(plain, width, width * 3 / 4, kRed, L"image/jpeg", kBlue);
        const std::string jpeg = testing_support::ReadFile(plain);
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::to_string(width) + " wide, orientation " + std::to_string(orientation));
            // An APP1 segment right after the start marker, holding one IFD entry.
            const std::string exif = std::string("\xFF\xE1\x00\x22" "Exif\0\0MM\0\x2A\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01\0", 29) +
                                     char(orientation) + std::string(6, '\0');
            const std::string path = Picture("turned.jpg");
            WriteFile(path, jpeg.substr(0, 2) + exif + jpeg.substr(2));
            ASSERT_TRUE(AddThumbnail(m_list, path));
            const Pixels image = ListedImage(m_list, m_list.Count() - 1);
            const Side side = sides[orientation - 1];
            const bool across = side == Left || side == Right;
            // 160 x 120 is drawn 64 x 48 at (0, 8); upright on its side, 48 x 64 at (8, 0).
            EXPECT_EQ(image.At(across ? 32 : 2, across ? 2 : 32), RGB(255, 255, 255));
            const POINT red = side == Left ? POINT{16, 32} : side == Right ? POINT{48, 32} : side == Top ? POINT{32, 16} : POINT{32, 48};
            const POINT blue = {64 - red.x, 64 - red.y};
            EXPECT_TRUE(Shows(image.At(red.x, red.y), kRed)) << std::hex << image.At(red.x, red.y);
            EXPECT_TRUE(Shows(image.At(blue.x, blue.y), kBlue)) << std::hex << image.At(blue.x, blue.y);
            if (width < 256) continue;
            // The same JPEG as a camera RAW file's preview, the orientation
            // given by the RAW file (a Pentax PEF comes back as a .tif).
            const std::string raw = Picture(orientation % 2 ? "turned.nef" : "turned.tif");
            const raw_fixtures::SubIfdFile layout{.orientation = orientation};
            const raw_fixtures::Bytes nef = raw_fixtures::MakeSubIfdFile(raw_fixtures::Bytes(jpeg.begin(), jpeg.end()), layout);
            WriteFile(raw, std::string(nef.begin(), nef.end()));
            ASSERT_TRUE(workflow::MakeThumbnail(raw).Decoded());
            ASSERT_TRUE(AddThumbnail(m_list, raw));
            const Pixels fromRaw = ListedImage(m_list, m_list.Count() - 1);
            EXPECT_TRUE(Shows(fromRaw.At(red.x, red.y), kRed)) << std::hex << fromRaw.At(red.x, red.y);
            EXPECT_TRUE(Shows(fromRaw.At(blue.x, blue.y), kBlue)) << std::hex << fromRaw.At(blue.x, blue.y);
        }
    }
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

struct LargePicture { std::string name; int width, height; Gdiplus::ARGB colour; };

class LargePictures : public testing_support::ScanTest {
protected:
    // The stand-in writes these pictures (JPEG or PNG by their names) in name order, and hangs.
    void InstallWith(const std::vector<LargePicture>& pictures) {
        CreateDirectoryA(m_folder.c_str(), nullptr);
        for (const auto& p : pictures)
            WritePicture(m_folder + "\\" + p.name, p.width, p.height, p.colour,
                         p.name.ends_with(".png") ? L"image/png" : L"image/jpeg");
        InstallStandIn(m_folder, true);
    }
    // The photo list holds the pictures in this order, each drawn from itself.
    void ExpectOwnThumbnails(const std::vector<LargePicture>& pictures) {
        const auto thumbnails = ListView_GetImageList(Item(IDC_PHOTO_LIST), LVSIL_NORMAL);
        for (size_t i = 0; i < pictures.size(); ++i) {
            const auto& picture = pictures[i];
            SCOPED_TRACE(picture.name);
            EXPECT_EQ(PhotoPaths()[i], ScanOutput() + "\\" + picture.name);
            const workflow::ThumbnailPlacement place = PlaceThumbnail(picture.width, picture.height);
            ExpectThumbnail(ListedImage(thumbnails, List(IDC_PHOTO_LIST).GetItemImage(static_cast<int>(i))),
                            RECT{place.x, place.y, place.x + place.width, place.y + place.height}, picture.colour);
        }
    }
    std::string m_folder = m_scratch.In("large");
};

// Every thread that opens a file for reading, by the calls that decoders
// open a picture with, while the object lives: the worker that decodes it,
// or the watcher's test that reads a small picture for it.
class PictureOpens {
public:
    PictureOpens() { g_opened.clear(); }
    std::set<DWORD> Threads(const std::string& path) const {
        std::lock_guard<std::mutex> guard(g_lock);
        std::set<DWORD> threads;
        for (const auto& [thread, opened] : g_opened)
            if (lstrcmpiA(opened.c_str(), path.c_str()) == 0) threads.insert(thread);
        return threads;
    }

private:
    static void Record(const std::string& path) {
        std::lock_guard<std::mutex> guard(g_lock);
        g_opened.emplace_back(GetCurrentThreadId(), path);
    }
    static std::string Narrow(const wchar_t* wide) {
        char narrow[MAX_PATH * 2] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr);
        return narrow;
    }
    template <typename F> static F Original(const char* dll, const char* name) {
        return reinterpret_cast<F>(GetProcAddress(GetModuleHandleA(dll), name));
    }
    static HANDLE WINAPI OpenA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD how, DWORD flags,
                               HANDLE model) {
        if (name && (access & GENERIC_READ)) Record(name);
        return Original<decltype(&CreateFileA)>("kernel32.dll", "CreateFileA")(name, access, share, sa, how, flags, model);
    }
    static HANDLE WINAPI OpenW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa, DWORD how,
                               DWORD flags, HANDLE model) {
        if (name && (access & GENERIC_READ)) Record(Narrow(name));
        return Original<decltype(&CreateFileW)>("kernel32.dll", "CreateFileW")(name, access, share, sa, how, flags, model);
    }
    // A file opened through the handle of a held folder, by its name in it.
    static NTSTATUS NTAPI OpenInFolder(PHANDLE handle, ACCESS_MASK access, POBJECT_ATTRIBUTES object,
                                       PIO_STATUS_BLOCK io, PLARGE_INTEGER allocation, ULONG attributes, ULONG share,
                                       ULONG disposition, ULONG options, PVOID extended, ULONG extendedLength) {
        if (object && object->RootDirectory && object->ObjectName && (access & GENERIC_READ)) {
            char folder[MAX_PATH * 2] = {};
            const DWORD length = GetFinalPathNameByHandleA(object->RootDirectory, folder, sizeof folder,
                                                           FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
            const std::string name(folder, length < sizeof folder ? length : 0);
            const std::wstring entry(object->ObjectName->Buffer, object->ObjectName->Length / sizeof(WCHAR));
            Record((name.starts_with("\\\\?\\") ? name.substr(4) : name) + "\\" + Narrow(entry.c_str()));
        }
        return Original<decltype(&NtCreateFile)>("ntdll.dll", "NtCreateFile")(
            handle, access, object, io, allocation, attributes, share, disposition, options, extended, extendedLength);
    }
    static Gdiplus::GpStatus WINGDIPAPI Decode(const WCHAR* name, Gdiplus::GpBitmap** bitmap) {
        if (name) Record(Narrow(name));
        return Original<decltype(&gdip::GdipCreateBitmapFromFile)>("gdiplus.dll", "GdipCreateBitmapFromFile")(name, bitmap);
    }

    static inline std::mutex g_lock;
    static inline std::vector<std::pair<DWORD, std::string>> g_opened;
    testing_support::ImportPatch m_openA{"kernel32.dll", "CreateFileA", reinterpret_cast<void*>(OpenA)};
    testing_support::ImportPatch m_openW{"kernel32.dll", "CreateFileW", reinterpret_cast<void*>(OpenW)};
    testing_support::ImportPatch m_openInFolder{"ntdll.dll", "NtCreateFile", reinterpret_cast<void*>(OpenInFolder)};
    testing_support::ImportPatch m_decode{"gdiplus.dll", "GdipCreateBitmapFromFile", reinterpret_cast<void*>(Decode)};
};

// Camera-sized pictures are decoded away from the window's thread, and the
// entries still come in the order the engine wrote the files, each with its
// own thumbnail.
TEST_F(LargePictures, ComeInFoundOrderWithTheirOwnThumbnailsDecodedAwayFromTheWindowsThread) {
    const std::vector<LargePicture> pictures = {
        {"1_small.jpg", 160, 120, kGreen}, {"2_large.jpg", 4000, 3000, kRed}, {"3_small.jpg", 120, 160, kBlue},
        {"4_large.jpg", 3000, 4000, kGreen}, {"5_small.jpg", 64, 64, kRed},
    };
    InstallWith(pictures);
    WriteFile(m_folder + "\\6_notes.txt", "notes");
    {
        const PictureOpens opens;
        StartScan();
        ASSERT_TRUE(PumpUntil([&] { return FileRows().size() == 1; }, 30000));
        for (const auto& picture : pictures) {
            const std::set<DWORD> threads = opens.Threads(ScanOutput() + "\\" + picture.name);
            EXPECT_FALSE(threads.empty()) << picture.name << " was never opened for decoding";
            EXPECT_EQ(threads.count(GetCurrentThreadId()), 0u) << picture.name << " decoded on the window's thread";
        }
    }

    ASSERT_EQ(PhotoPaths().size(), pictures.size());
    ExpectOwnThumbnails(pictures);
    EXPECT_EQ(FileRows()[0].name, "6_notes.txt");
    ASSERT_TRUE(CancelUntilListed());
}

// Cancel while pictures wait for their thumbnails: every picture is listed
// with its own, and once the results show the workers are gone and no found
// file is held open.
TEST_F(LargePictures, CancelInTheMiddleListsEachPictureWithItsOwnThumbnailAndLeavesNoThreadOrOpenFile) {
    constexpr int kPictures = 6;
    std::vector<LargePicture> pictures;
    // GDI+ decodes PNGs in full: these take long enough to be cancelled in the middle.
    for (int i = 0; i < kPictures; ++i)
        pictures.push_back({std::to_string(i) + ".png", 6000, 4000, i % 2 ? kRed : kBlue});
    InstallWith(pictures);
    OpenWindow();
    // GDI+ under Wine starts a thread of its own at its first decode and keeps
    // it for the life of the process: it is counted before the scan.
    ASSERT_TRUE(workflow::MakeThumbnail(m_folder + "\\0.png").Decoded());
    const int threadsBefore = ThreadsOfThisProcess();
    SelectDrive("C:");
    Click(IDC_NEXT);
    ASSERT_TRUE(PumpUntil([&] { return !PhotoPaths().empty(); }, 15000));
    ASSERT_LT(PhotoPaths().size(), static_cast<size_t>(kPictures));

    ASSERT_TRUE(CancelUntilListed());
    EXPECT_TRUE(InResultsMode());
    ASSERT_EQ(PhotoPaths().size(), static_cast<size_t>(kPictures));
    // The engine's own worker ends once the engine has; meanwhile the status
    // animation, whose pace is 200 ms, must not come back over the prompt.
    EXPECT_TRUE(PumpUntil([&] { return ThreadsOfThisProcess() <= threadsBefore; }))
        << ThreadsOfThisProcess() << " threads, " << threadsBefore << " before the scan";
    testing_support::PumpFor(400);
    EXPECT_EQ(Text(IDC_STATUS), workflow::kResultsPrompt);
    EXPECT_EQ(m_boxes.Boxes().size(), 1u) << m_boxes.Boxes().back().text;  // Cancel's question, and no report
    for (const auto& p : pictures) EXPECT_TRUE(CanOpenExclusively(ScanOutput() + "\\" + p.name)) << p.name;
    // Last: its traces start a thread of the test framework's own.
    ExpectOwnThumbnails(pictures);
}

}  // namespace
