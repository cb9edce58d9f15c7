#include "workflow/thumbnails.h"

#include <gdiplus.h>

#include "settings/folders.h"
#include "win/handles.h"

namespace workflow {

namespace {

namespace gdip = Gdiplus::DllExports;

constexpr char kPlaceholderName[] = "icon.png";
constexpr Gdiplus::ARGB kOpaqueWhite = 0xFFFFFFFF;

// Owns a GDI+ image or bitmap. A bitmap opened from a file keeps the file
// open until it is disposed.
class GdiplusImage {
public:
    GdiplusImage() = default;
    explicit GdiplusImage(Gdiplus::GpImage* image) : m_image(image) {}
    GdiplusImage(const GdiplusImage&) = delete;
    GdiplusImage& operator=(const GdiplusImage&) = delete;
    GdiplusImage(GdiplusImage&& o) noexcept : m_image(o.release()) {}
    GdiplusImage& operator=(GdiplusImage&& o) noexcept { reset(o.release()); return *this; }
    ~GdiplusImage() { reset(); }

    Gdiplus::GpImage* get() const { return m_image; }
    explicit operator bool() const { return m_image != nullptr; }
    Gdiplus::GpImage* release() { Gdiplus::GpImage* image = m_image; m_image = nullptr; return image; }
    void reset(Gdiplus::GpImage* image = nullptr) {
        if (m_image) gdip::GdipDisposeImage(m_image);
        m_image = image;
    }

private:
    Gdiplus::GpImage* m_image = nullptr;
};

// Owns a drawing surface opened on an image.
class GdiplusGraphics {
public:
    explicit GdiplusGraphics(Gdiplus::GpImage* image) {
        if (image) gdip::GdipGetImageGraphicsContext(image, &m_graphics);
    }
    GdiplusGraphics(const GdiplusGraphics&) = delete;
    GdiplusGraphics& operator=(const GdiplusGraphics&) = delete;
    ~GdiplusGraphics() { if (m_graphics) gdip::GdipDeleteGraphics(m_graphics); }

    Gdiplus::GpGraphics* get() const { return m_graphics; }
    explicit operator bool() const { return m_graphics != nullptr; }

private:
    Gdiplus::GpGraphics* m_graphics = nullptr;
};

std::wstring ToWide(const std::string& text) {
    const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), length);
    wide.resize(static_cast<size_t>(length) - 1);
    return wide;
}

GdiplusImage OpenImage(const std::string& path) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromFile(ToWide(path).c_str(), &bitmap) != Gdiplus::Ok) return {};
    return GdiplusImage(bitmap);
}

// Zero for an image that did not open: the decoders set at least one flag on
// every picture they understand.
UINT ImageFlags(const GdiplusImage& image) {
    UINT flags = 0;
    if (image) gdip::GdipGetImageFlags(image.get(), &flags);
    return flags;
}

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The source centred on a white square; a missing source leaves it plain white.
win::BitmapHandle RenderThumbnail(Gdiplus::GpImage* source) {
    Gdiplus::GpBitmap* bitmap = nullptr;
    gdip::GdipCreateBitmapFromScan0(kThumbnailSize, kThumbnailSize, 0, PixelFormat24bppRGB, nullptr, &bitmap);
    GdiplusImage thumbnail(bitmap);
    if (!thumbnail) return {};

    UINT width = 0, height = 0;
    if (source) {
        Gdiplus::REAL dpiX = 0, dpiY = 0;
        gdip::GdipGetImageWidth(source, &width);
        gdip::GdipGetImageHeight(source, &height);
        gdip::GdipGetImageHorizontalResolution(source, &dpiX);
        gdip::GdipGetImageVerticalResolution(source, &dpiY);
        gdip::GdipBitmapSetResolution(bitmap, dpiX, dpiY);
    }
    {
        // The surface goes before the conversion below so that every
        // drawing operation has reached the bitmap's pixels.
        GdiplusGraphics graphics(thumbnail.get());
        if (graphics) {
            gdip::GdipGraphicsClear(graphics.get(), kOpaqueWhite);
            gdip::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
            if (source) {
                const ThumbnailPlacement place = PlaceThumbnail(width, height);
                gdip::GdipDrawImageRectI(graphics.get(), source, place.x, place.y, place.width, place.height);
            }
        }
    }
    HBITMAP handle = nullptr;
    gdip::GdipCreateHBITMAPFromBitmap(bitmap, &handle, kOpaqueWhite);
    return win::BitmapHandle(handle);
}

// ImageList_Add takes the next slot and, only when the list is full, grows it
// by the list's growth value. ImageList_SetImageCount would not do: under Wine
// it reallocates to the exact count and copies every thumbnail already held,
// so a scan adding one at a time would copy n * n / 2 thumbnails.
bool AppendImage(win::ImageList list, HBITMAP bitmap) {
    if (bitmap) return list.Add(bitmap) >= 0;
    // No thumbnail could be drawn: the photo still gets an empty slot of its
    // own, so that entry i keeps showing image i.
    return list.SetCount(list.Count() + 1);
}

}  // namespace

ThumbnailPlacement PlaceThumbnail(unsigned width, unsigned height) {
    ThumbnailPlacement place;
    if (width == 0 || height == 0) return place;
    // The scale factors are single precision, but the products and offsets
    // are worked out in double: 640 x 480 must land at row 7, not 8, because
    // 480 * 0.1f is a little more than 48.
    const float scaleX = static_cast<float>(kThumbnailSize) / static_cast<float>(width);
    const float scaleY = static_cast<float>(kThumbnailSize) / static_cast<float>(height);
    const bool taller = scaleY < scaleX;
    const double scale = taller ? scaleY : scaleX;
    const double drawnWidth = static_cast<double>(width) * scale;
    const double drawnHeight = static_cast<double>(height) * scale;
    if (taller)
        place.x = static_cast<int>((kThumbnailSize - drawnWidth) * 0.5);
    else
        place.y = static_cast<int>((kThumbnailSize - drawnHeight) * 0.5);
    place.width = static_cast<int>(drawnWidth);
    place.height = static_cast<int>(drawnHeight);
    return place;
}

bool CreateThumbnailList(win::OwnedImageList& list) {
    if (!list.Create(kThumbnailSize, kThumbnailSize, ILC_COLOR24, 0, kThumbnailGrowth)) return false;
    list.SetBackground(RGB(255, 255, 255));
    return true;
}

bool ProbeImage(const std::string& path) {
    return ImageFlags(OpenImage(path)) != 0;
}

std::optional<win::BitmapHandle> MakeThumbnail(const std::string& path) {
    // The picture is decoded once and drawn from that same image: under Wine
    // opening a large JPEG costs as much as drawing it. The image, and with it
    // the file, is released before returning.
    const GdiplusImage source = OpenImage(path);
    if (ImageFlags(source) == 0) return std::nullopt;
    return RenderThumbnail(source.get());
}

std::optional<win::BitmapHandle> MakePlaceholderThumbnail() {
    const std::string placeholder = settings::GetProgramFolder() + kPlaceholderName;
    if (!IsExistingFile(placeholder)) return std::nullopt;
    const GdiplusImage source = OpenImage(placeholder);
    return RenderThumbnail(source.get());
}

bool AppendThumbnail(HIMAGELIST thumbnails, HBITMAP bitmap) { return AppendImage(win::ImageList(thumbnails), bitmap); }

bool AddPhotoThumbnail(HIMAGELIST thumbnails, const std::string& path) {
    std::optional<win::BitmapHandle> bitmap = MakeThumbnail(path);
    if (!bitmap) bitmap = MakePlaceholderThumbnail();
    return bitmap && AppendThumbnail(thumbnails, bitmap->get());
}

}  // namespace workflow
