#include "workflow/thumbnails/thumbnails.h"

#include <windows.h>

#include <gdiplus.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <span>
#include <utility>
#include <vector>

#include "imaging/gif_picture.h"
#include "imaging/jpeg/jpeg_preview.h"
#include "imaging/picture_header.h"
#include "settings/folders.h"
#include "win/handles.h"
#include "workflow/thumbnails/decode_budget.h"
#include "workflow/thumbnails/gdiplus_objects.h"
#include "workflow/found/found_picture.h"
#include "workflow/thumbnails/raw_preview_read.h"
#include "workflow/found/scan_results.h"
#include "workflow/thumbnails/thumbnail_pixels.h"

namespace workflow {

namespace {

constexpr char kPlaceholderName[] = "icon.png";
constexpr Gdiplus::ARGB kOpaqueWhite = 0xFFFFFFFF;
constexpr Gdiplus::REAL kDefaultDpi = 96;

bool IsTiffPath(const std::string& path) {
    std::string extension = ExtensionOf(path);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension == "tif" || extension == "tiff";
}

bool IsJpeg(std::span<const uint8_t> bytes) { return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8; }

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Where the source's corners go, for GdipDrawImagePoints: its upper-left,
// upper-right and lower-left corner, so that a picture stored on its side by
// a camera is drawn upright into `place`.
std::array<Gdiplus::Point, 3> OrientedCorners(const ThumbnailPlacement& place, int orientation) {
    const Gdiplus::Point tl(place.x, place.y), tr(place.x + place.width, place.y),
        bl(place.x, place.y + place.height), br(place.x + place.width, place.y + place.height);
    switch (orientation) {
    case 2: return {tr, tl, br};  // mirrored left to right
    case 3: return {br, bl, tr};  // upside down
    case 4: return {bl, br, tl};  // mirrored top to bottom
    case 5: return {tl, bl, tr};  // mirrored along the diagonal
    case 6: return {tr, br, tl};  // turned a quarter left: a quarter right shows it
    case 7: return {br, tr, bl};  // mirrored along the other diagonal
    case 8: return {bl, tl, br};  // turned a quarter right
    default: return {tl, tr, bl};
    }
}

bool SwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

// The source centred on a white square, turned upright by its EXIF
// orientation, placed by `width` x `height`, its size once upright, as the
// square's rows; a missing source, or a square GDI+ cannot draw, leaves it
// plain white.
std::vector<uint8_t> RenderThumbnail(Gdiplus::GpImage* source, unsigned width, unsigned height, Gdiplus::REAL dpiX,
                                     Gdiplus::REAL dpiY, int orientation = 1) {
    constexpr size_t kRowBytes = size_t{kThumbnailSize} * 3;
    std::vector<uint8_t> rows(kRowBytes * kThumbnailSize, 0xFF);
    Gdiplus::GpBitmap* bitmap = nullptr;
    gdip::GdipCreateBitmapFromScan0(kThumbnailSize, kThumbnailSize, 0, PixelFormat24bppRGB, nullptr, &bitmap);
    GdiplusImage thumbnail(bitmap);
    if (!thumbnail) return rows;
    if (source) gdip::GdipBitmapSetResolution(bitmap, dpiX, dpiY);
    {
        // The surface goes before the pixels are read below so that every
        // drawing operation has reached them.
        GdiplusGraphics graphics(thumbnail.get());
        if (!graphics) return rows;
        gdip::GdipGraphicsClear(graphics.get(), kOpaqueWhite);
        gdip::GdipSetInterpolationMode(graphics.get(), Gdiplus::InterpolationModeHighQualityBicubic);
        if (source) {
            const ThumbnailPlacement place = PlaceThumbnail(width, height);
            if (orientation == 1) {
                gdip::GdipDrawImageRectI(graphics.get(), source, place.x, place.y, place.width, place.height);
            } else {
                const auto corners = OrientedCorners(place, orientation);
                gdip::GdipDrawImagePointsI(graphics.get(), source, corners.data(), 3);
            }
        }
    }
    const Gdiplus::Rect all(0, 0, kThumbnailSize, kThumbnailSize);
    Gdiplus::BitmapData data{};
    if (gdip::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok)
        return rows;
    // GDI+ gives the top row first, a DIB keeps the bottom row first.
    for (size_t y = 0; y < size_t{kThumbnailSize}; ++y) {
        const uint8_t* from = static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride;
        std::copy_n(from, kRowBytes, rows.data() + (kThumbnailSize - 1 - y) * kRowBytes);
    }
    gdip::GdipBitmapUnlockBits(bitmap, &data);
    return rows;
}

// A picture GDI+ decoded, drawn at its own size and resolution.
std::vector<uint8_t> RenderDecoded(Gdiplus::GpImage* source, int orientation) {
    UINT width = 0, height = 0;
    Gdiplus::REAL dpiX = 0, dpiY = 0;
    gdip::GdipGetImageWidth(source, &width);
    gdip::GdipGetImageHeight(source, &height);
    gdip::GdipGetImageHorizontalResolution(source, &dpiX);
    gdip::GdipGetImageVerticalResolution(source, &dpiY);
    if (SwapsSides(orientation)) std::swap(width, height);
    return RenderThumbnail(source, width, height, dpiX, dpiY, orientation);
}

// Our 1/8 preview of a JPEG, already upright, drawn into the place of the
// picture's full size.
std::vector<uint8_t> RenderPreview(const imaging::JpegPreview& preview) {
    // GDI+ keeps 24-bit rows as blue, green, red, each padded to 4 bytes.
    const size_t stride = (size_t{preview.width} * 3 + 3) & ~size_t{3};
    std::vector<uint8_t> rows(stride * preview.height);
    for (size_t y = 0; y < preview.height; ++y) {
        const uint8_t* from = preview.rgb.data() + y * preview.width * 3;
        uint8_t* to = rows.data() + y * stride;
        for (size_t x = 0; x < preview.width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    gdip::GdipCreateBitmapFromScan0(static_cast<INT>(preview.width), static_cast<INT>(preview.height),
                                    static_cast<INT>(stride), PixelFormat24bppRGB, rows.data(), &bitmap);
    const GdiplusImage source(bitmap);
    if (!source) return RenderThumbnail(nullptr, 0, 0, 0, 0);
    // A JPEG that names no density is shown by GDI+ at 96 dots per inch.
    const Gdiplus::REAL dpiX = preview.dpiX > 0 ? preview.dpiX : kDefaultDpi;
    const Gdiplus::REAL dpiY = preview.dpiY > 0 ? preview.dpiY : kDefaultDpi;
    return RenderThumbnail(source.get(), preview.fullWidth, preview.fullHeight, dpiX, dpiY);
}

// Lets one large file be read and held at a time; a small one passes at once.
class LargeDecodeTurn {
public:
    explicit LargeDecodeTurn(bool large) {
        if (large) m_turn = std::unique_lock<std::mutex>(LargeDecodes());
    }
    void Take() {
        if (!m_turn.owns_lock()) m_turn = std::unique_lock<std::mutex>(LargeDecodes());
    }

private:
    static std::mutex& LargeDecodes() {
        static std::mutex turn;
        return turn;
    }
    std::unique_lock<std::mutex> m_turn;
};

// GDI+'s decode of a picture whose header claims a size within the budget.
// The share of our own decode before it is given back first: a worker never
// waits while it holds a share.
std::vector<uint8_t> DecodeWithGdiplus(const FoundPicture& picture, int orientation,
                                       std::optional<DecodeShare>& share) {
    share.reset();
    const std::optional<imaging::PictureHeader> header = imaging::ReadPictureHeader(picture.Bytes());
    if (!header || header->Pixels() > kMaxDecodePixels) return {};
    share = DecodeShare::Wait(GdiplusDecodeBytes(*header));
    if (!share) return {};
    ComStream stream(picture.NewStream());
    if (!stream) return {};
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (gdip::GdipCreateBitmapFromStream(stream.get(), &bitmap) != Gdiplus::Ok) return {};
    const GdiplusImage source(bitmap);
    if (ImageFlags(source) == 0) return {};
    return RenderDecoded(source.get(), orientation);
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

namespace {

// The picture's bytes: those its probe read, or the file's.
std::optional<FoundPicture> PictureOf(const std::string& path, CarriedBytes bytes, LargeDecodeTurn& turn) {
    if (!bytes.empty()) return FoundPicture::Copy(bytes.Bytes());
    // A large file waits for its turn before it is read, so that waiting
    // workers hold no more than small files.
    std::optional<FoundPicture::OpenFile> file = FoundPicture::Open(path);
    if (!file) return std::nullopt;
    if (file->Size() > kLargeFileBytes) turn.Take();
    return FoundPicture::Read(std::move(*file));
}

// The thumbnail of a camera RAW file, from the JPEG preview it embeds, upright
// by the orientation the file gives; none when the file is no RAW by its
// content. A RAW without a usable preview gives no picture (it shows the
// placeholder), and one cut short of the data its directories declare is
// damaged: the share of that data it holds is what could be read.
std::optional<Thumbnail> MakeRawThumbnail(const std::string& path, std::span<const uint8_t> carried) {
    // The preview is decoded at 1/8 as any JPEG is, and waits for its share as one.
    std::optional<DecodeShare> share;
    bool refused = false;
    const auto takeShare = [&](const imaging::RawPreview& preview) {
        share = DecodeShare::Wait(
            JpegPreviewDecodeBytes(imaging::PictureHeader{imaging::PictureFormat::Jpeg, preview.width, preview.height}));
        refused = !share;
    };
    const std::optional<RawPreviewRead> raw = ReadRawPreview(path, carried, kMaxDecodePixels, takeShare);
    if (!raw) return std::nullopt;
    Thumbnail made;
    if (raw->facts.CutShort()) made.readableShare = raw->facts.PresentShare();
    if (raw->jpeg.empty() || refused) return made;
    const imaging::JpegPreviewResult jpeg = imaging::DecodeJpegPreview(raw->jpeg, raw->facts.preview->orientation);
    if (jpeg.status != imaging::JpegPreviewStatus::Made) return made;
    const imaging::JpegPreview& preview = jpeg.preview;
    if (preview.Damaged()) made.readableShare = std::min(made.readableShare.value_or(1.0), preview.intactFraction);
    if (std::max(preview.width, preview.height) >= static_cast<unsigned>(kThumbnailSize)) {
        made.rows = RenderPreview(preview);
    } else if (const std::optional<FoundPicture> picture = FoundPicture::Copy(raw->jpeg)) {
        // Too small a preview to draw from: GDI+ draws the whole JPEG, which is small too.
        made.rows = DecodeWithGdiplus(*picture, preview.orientation, share);
    }
    return made;
}

// What our own decoders will hold for the picture: a GIF's frame or a JPEG's
// 1/8 preview; nothing for other pictures, which GDI+ decodes.
uint64_t OwnDecodeBytes(std::span<const uint8_t> bytes) {
    const std::optional<imaging::PictureHeader> header = imaging::ReadPictureHeader(bytes);
    if (!header) return 0;
    if (header->format == imaging::PictureFormat::Gif) return GifDecodeBytes(*header);
    if (header->format == imaging::PictureFormat::Jpeg) return JpegPreviewDecodeBytes(*header);
    return 0;
}

}  // namespace

Thumbnail MakeThumbnail(const std::string& path, std::vector<uint8_t> spareRows, CarriedBytes carried) {
    Thumbnail made;
    LargeDecodeTurn turn(false);
    // A RAW file is never read whole: it may be padded to a hundred megabytes.
    // A TIFF file may be a RAW one too (the engine names a Pentax PEF so).
    const bool raw = IsRawPath(path);
    if (raw || IsTiffPath(path)) {
        if (std::optional<Thumbnail> fromRaw = MakeRawThumbnail(path, carried.Bytes())) return std::move(*fromRaw);
        if (raw) return made;
    }
    const std::optional<FoundPicture> picture = PictureOf(path, std::move(carried), turn);
    if (!picture) return made;
    const std::span<const uint8_t> bytes = picture->Bytes();
    made.facts = imaging::ReadPictureFacts(bytes);
    // Hashed here, while the bytes are in hand and before the decode waits for its share.
    made.sha256 = imaging::Sha256Of(bytes);
    std::optional<DecodeShare> share = DecodeShare::Wait(OwnDecodeBytes(bytes));
    if (!share) return made;
    // Small GIFs are most of the pictures on a whole disk: our own decode
    // spares GDI+'s set-up for each; one it does not cover goes to GDI+.
    const imaging::GifResult gif = imaging::DecodeGif(bytes);
    if (gif.status == imaging::GifStatus::Made) {
        const imaging::GifPicture& frame = gif.picture;
        made.rows = std::move(spareRows);
        ScaleIntoSquare(frame.rgb, frame.width, frame.height, PlaceThumbnail(frame.width, frame.height), made.rows);
        return made;
    }
    // Refused for its size, it would be no smaller for GDI+.
    if (gif.status == imaging::GifStatus::TooLarge) return made;
    if (!IsJpeg(bytes)) {
        made.rows = DecodeWithGdiplus(*picture, 1, share);
        return made;
    }
    const imaging::JpegPreviewResult jpeg = imaging::DecodeJpegPreview(bytes);
    if (jpeg.status == imaging::JpegPreviewStatus::TooLarge) return made;
    if (jpeg.status == imaging::JpegPreviewStatus::Made) {
        const imaging::JpegPreview& preview = jpeg.preview;
        if (preview.Damaged()) made.readableShare = preview.intactFraction;
        if (std::max(preview.width, preview.height) >= static_cast<unsigned>(kThumbnailSize)) {
            made.rows = RenderPreview(preview);
            return made;
        }
        // Too small a preview to draw from: GDI+ draws the whole picture, which is small too.
        made.rows = DecodeWithGdiplus(*picture, preview.orientation, share);
        return made;
    }
    made.rows = DecodeWithGdiplus(*picture, imaging::ReadJpegOrientation(bytes), share);
    return made;
}

std::optional<std::vector<uint8_t>> MakePlaceholderThumbnail() {
    const std::string placeholder = settings::GetProgramFolder() + kPlaceholderName;
    if (!IsExistingFile(placeholder)) return std::nullopt;
    const GdiplusImage source = OpenImage(placeholder);
    if (!source) return RenderThumbnail(nullptr, 0, 0, 0, 0);
    return RenderDecoded(source.get(), 1);
}

}  // namespace workflow
