#pragma once
// 64 x 64 thumbnails of found pictures, drawn with GDI+ on a white square.
#include <windows.h>
#include <commctrl.h>

#include <string>

namespace workflow {

inline constexpr int kThumbnailSize = 64;

// Where a W x H picture is drawn in the square: scale factors in single
// precision, offsets and sizes truncated toward zero.
struct ThumbnailPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
ThumbnailPlacement PlaceThumbnail(unsigned width, unsigned height);

// True when GDI+ opens the file as an image with non-zero image flags.
bool ProbeImage(const std::string& path);

// Appends a thumbnail of the picture (or of the program's "icon.png" when the
// picture cannot be decoded) to the image list. False, with nothing appended,
// when neither can be used.
bool AddPhotoThumbnail(HIMAGELIST thumbnails, const std::string& path);

}  // namespace workflow
