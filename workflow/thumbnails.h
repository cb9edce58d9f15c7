#pragma once
// 64 x 64 thumbnails of found pictures, drawn with GDI+ on a white square.
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "win/image_list.h"

namespace workflow {

inline constexpr int kThumbnailSize = 64;
// Slots added each time the thumbnail list is full. Every growth copies all
// the thumbnails held, so a large step keeps a 20,000-photo scan from
// spending its ticks on copies; an unused step costs 12 KB a slot.
inline constexpr int kThumbnailGrowth = 256;

// Where a W x H picture is drawn in the square: scale factors in single
// precision, offsets and sizes truncated toward zero.
struct ThumbnailPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
ThumbnailPlacement PlaceThumbnail(unsigned width, unsigned height);

// An empty 24-bit list of thumbnails on white that grows by kThumbnailGrowth.
bool CreateThumbnailList(win::OwnedImageList& list);

// True when GDI+ opens the file as an image with non-zero image flags.
bool ProbeImage(const std::string& path);

// Appends a thumbnail of the picture (or of the program's "icon.png" when the
// picture cannot be decoded) to the image list. False, with nothing appended,
// when neither can be used.
bool AddPhotoThumbnail(HIMAGELIST thumbnails, const std::string& path);

}  // namespace workflow
