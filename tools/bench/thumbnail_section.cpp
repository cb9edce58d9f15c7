// The program's thumbnail of a photo-like JPEG against the least a GDI+
// thumbnail can cost: one GDI+ open of the picture and one bicubic draw of it
// into 64 x 64. Then the JPEG preview decoder (file read included) against that open and draw,
// on camera-like files made by make_camera_jpegs.sh (target: at most 0.3).
// Last, the thumbnail of a camera RAW file against that of its preview alone
// (target: at most 2).
#include <windows.h>
#include <commctrl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/bench/scratch_folder.h"
#include "tools/bench/file_bytes.h"
#include "tools/bench/sections.h"
#include "imaging/jpeg/jpeg_preview.h"
#include "tests/support/pump.h"
#include "tests/support/raw_fixtures.h"
#include "tools/bench/stopwatch.h"
#include "workflow/thumbnails/thumbnails.h"

namespace bench {

namespace {

namespace gdip = Gdiplus::DllExports;

// The machine may be shared: the best of several runs is the steadiest
// figure, the median shows how much the others spread.
constexpr int kRepeats = 7;

struct PictureSize {
    const char* label;
    int width;
    int height;
};

const PictureSize kSizes[] = {
    {"1 MP", 1152, 864},
    {"12 MP", 4000, 3000},
    {"24 MP", 6000, 4000},
};

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

bool JpegEncoder(CLSID& clsid) {
    UINT count = 0, bytes = 0;
    gdip::GdipGetImageEncodersSize(&count, &bytes);
    std::vector<BYTE> buffer(bytes);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (bytes == 0 || gdip::GdipGetImageEncoders(count, bytes, encoders) != Gdiplus::Ok) return false;
    for (UINT i = 0; i < count; ++i) {
        if (std::wstring(encoders[i].MimeType) == L"image/jpeg") {
            clsid = encoders[i].Clsid;
            return true;
        }
    }
    return false;
}

// A colour gradient with grain, saved as JPEG: the grain keeps the file
// about as large as a camera's, so decoding costs about as much.
bool WritePhotoLikeJpeg(const std::string& path, int width, int height) {
    CLSID encoder{};
    if (!JpegEncoder(encoder)) return false;
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromScan0(width, height, 0, PixelFormat24bppRGB, nullptr, &bitmap) != Gdiplus::Ok)
        return false;
    const Gdiplus::Rect all(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (gdip::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeWrite, PixelFormat24bppRGB, &data) ==
        Gdiplus::Ok) {
        unsigned noise = 12345;
        for (int y = 0; y < height; ++y) {
            BYTE* row = static_cast<BYTE*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
            for (int x = 0; x < width; ++x) {
                noise = noise * 1103515245u + 12345u;
                const int grain = static_cast<int>((noise >> 16) & 0x3F) - 32;
                row[3 * x] = static_cast<BYTE>(std::clamp(y * 255 / height + grain, 0, 255));
                row[3 * x + 1] = static_cast<BYTE>(std::clamp(128 + grain, 0, 255));
                row[3 * x + 2] = static_cast<BYTE>(std::clamp(x * 255 / width + grain, 0, 255));
            }
        }
        gdip::GdipBitmapUnlockBits(bitmap, &data);
    }
    const bool saved = gdip::GdipSaveImageToFile(bitmap, Wide(path).c_str(), &encoder, nullptr) == Gdiplus::Ok;
    gdip::GdipDisposeImage(bitmap);
    return saved;
}

// One plain open of the file and one draw of it into a 64 x 64 bitmap.
void OpenAndDraw(const std::string& path) {
    Gdiplus::GpBitmap* source = nullptr;
    gdip::GdipCreateBitmapFromFile(Wide(path).c_str(), &source);
    Gdiplus::GpBitmap* thumbnail = nullptr;
    gdip::GdipCreateBitmapFromScan0(64, 64, 0, PixelFormat24bppRGB, nullptr, &thumbnail);
    Gdiplus::GpGraphics* graphics = nullptr;
    gdip::GdipGetImageGraphicsContext(thumbnail, &graphics);
    gdip::GdipSetInterpolationMode(graphics, Gdiplus::InterpolationModeHighQualityBicubic);
    gdip::GdipDrawImageRectI(graphics, source, 0, 0, 64, 64);
    gdip::GdipDeleteGraphics(graphics);
    gdip::GdipDisposeImage(thumbnail);
    gdip::GdipDisposeImage(source);
}

#ifndef VANTREO_BENCH_JPEGS
#error "VANTREO_BENCH_JPEGS must name the folder of make_camera_jpegs.sh (a Unix path)"
#endif

const char* const kCameraJpegs[] = {"4000x3000-422-restart", "4000x3000-420", "6000x4000-422-restart",
                                    "6000x4000-420"};

double FileSizeMb(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return static_cast<double>(data.nFileSizeLow) / (1024.0 * 1024.0);
}

// "best (median)"
std::string Timing(const std::vector<double>& runs) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.1f (%.1f)", Best(runs), Median(runs));
    return text;
}

void RunJpegPreviewTable() {
    std::printf("\n%-24s %7s  %-20s %-20s %s\n", "camera-like JPEG", "file MB", "preview ms", "open+draw ms",
                "ratio");
    for (const char* name : kCameraJpegs) {
        const std::string path = testing_support::WindowsPath(std::string(VANTREO_BENCH_JPEGS) + "/" + name + ".jpg");
        if (FileSizeMb(path) == 0) {
            std::printf("%-24s missing: bash tools/bench/make_camera_jpegs.sh %s\n", name, VANTREO_BENCH_JPEGS);
            continue;
        }
        OpenAndDraw(path);
        std::vector<double> ours, plain;
        bool made = true;
        for (int i = 0; i < kRepeats; ++i) {
            {
                const Stopwatch watch;
                const auto result = imaging::DecodeJpegPreview(ReadWhole(path));
                made = made && result.status == imaging::JpegPreviewStatus::Made && !result.preview.Damaged();
                ours.push_back(watch.ElapsedMs());
            }
            {
                const Stopwatch watch;
                OpenAndDraw(path);
                plain.push_back(watch.ElapsedMs());
            }
        }
        std::printf("%-24s %7.1f  %-20s %-20s %.2f%s\n", name, FileSizeMb(path), Timing(ours).c_str(),
                    Timing(plain).c_str(), Best(ours) / std::max(Best(plain), 0.001), made ? "" : "  (not made intact!)");
        std::fflush(stdout);
    }
    std::printf("best (median) of %d runs each; ratio of the best times: preview / open+draw\n", kRepeats);
}

// A NEF-like RAW file around the JPEG, its raw data after the preview: the
// file is extended to `size` without writing, as large as a camera's.
bool WriteRawAround(const std::string& jpegPath, const std::string& rawPath, uint64_t size) {
    const std::vector<uint8_t> jpeg = ReadWhole(jpegPath);
    const std::vector<uint8_t> raw = raw_fixtures::MakeSubIfdFile(jpeg);
    {
        std::ofstream file(rawPath, std::ios::binary);
        file.write(reinterpret_cast<const char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
        if (!file) return false;
    }
    HANDLE file = CreateFileA(rawPath.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool extended = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    return extended;
}

void RunRawTable(const std::string& folder) {
    const PictureSize previews[] = {{"1620x1080", 1620, 1080}, {"6000x4000", 6000, 4000}};
    std::printf("\n%-11s %7s  %-20s %-20s %s\n", "RAW preview", "file MB", "RAW thumbnail ms", "JPEG thumbnail ms",
                "ratio");
    for (const PictureSize& size : previews) {
        const std::string jpeg = folder + "preview-" + size.label + ".jpg", raw = folder + "raw-" + size.label + ".nef";
        if (!WritePhotoLikeJpeg(jpeg, size.width, size.height) || !WriteRawAround(jpeg, raw, uint64_t{30} << 20)) {
            std::printf("%-10s could not write the files\n", size.label);
            continue;
        }
        workflow::MakeThumbnail(raw);
        workflow::MakeThumbnail(jpeg);
        std::vector<double> fromRaw, fromJpeg;
        bool made = true;
        for (int i = 0; i < kRepeats; ++i) {
            {
                const Stopwatch watch;
                made = made && workflow::MakeThumbnail(raw).Decoded();
                fromRaw.push_back(watch.ElapsedMs());
            }
            {
                const Stopwatch watch;
                workflow::MakeThumbnail(jpeg);
                fromJpeg.push_back(watch.ElapsedMs());
            }
        }
        std::printf("%-11s %7.1f  %-20s %-20s %.2f%s\n", size.label, FileSizeMb(raw), Timing(fromRaw).c_str(),
                    Timing(fromJpeg).c_str(), Best(fromRaw) / std::max(Best(fromJpeg), 0.001),
                    made ? "" : "  (no picture!)");
        std::fflush(stdout);
    }
    std::printf("best (median) of %d runs each; ratio of the best times: RAW / JPEG\n", kRepeats);
}

}  // namespace

void RunThumbnailSection() {
    ScratchFolder folder("vantreo-bench-thumbnails");
    std::printf("%-6s %7s  %-20s %-20s %s\n", "size", "file MB", "MakeThumbnail ms", "open+draw ms", "ratio");
    for (const PictureSize& size : kSizes) {
        const std::string path = folder.Path() + "picture-" + std::to_string(size.width) + ".jpg";
        if (!WritePhotoLikeJpeg(path, size.width, size.height)) {
            std::printf("%-6s could not write the picture\n", size.label);
            continue;
        }
        // One untimed round so that the file sits in the cache for both.
        OpenAndDraw(path);

        std::vector<double> thumbnail, plain;
        for (int i = 0; i < kRepeats; ++i) {
            {
                const Stopwatch watch;
                workflow::MakeThumbnail(path);
                thumbnail.push_back(watch.ElapsedMs());
            }
            {
                const Stopwatch watch;
                OpenAndDraw(path);
                plain.push_back(watch.ElapsedMs());
            }
        }
        std::printf("%-6s %7.1f  %-20s %-20s %.2f\n", size.label, FileSizeMb(path), Timing(thumbnail).c_str(),
                    Timing(plain).c_str(), Best(thumbnail) / std::max(Best(plain), 0.001));
        std::fflush(stdout);
    }
    std::printf("best (median) of %d runs each; ratio of the best times: MakeThumbnail / open+draw\n", kRepeats);
    RunJpegPreviewTable();
    RunRawTable(folder.Path());
}

}  // namespace bench
