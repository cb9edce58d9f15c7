#pragma once
// 64 x 64 thumbnails of found pictures, drawn with GDI+ on a white square.
#include <windows.h>
#include <commctrl.h>

#include <optional>
#include <string>

#include "win/handles.h"
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

// The thumbnail of a found picture, decoded and drawn with GDI+; none when
// the picture cannot be decoded. It touches no window, so thumbnail workers
// call it on their own threads. A picture that decodes but cannot be drawn
// gives a null bitmap: it still takes a slot of its own.
std::optional<win::BitmapHandle> MakeThumbnail(const std::string& path);

// The thumbnail of the program's "icon.png", shown for pictures that cannot
// be decoded; none when the file is missing, plain white when it is no picture.
std::optional<win::BitmapHandle> MakePlaceholderThumbnail();

// Appends a thumbnail to the image list; a null bitmap takes an empty slot.
bool AppendThumbnail(HIMAGELIST thumbnails, HBITMAP bitmap);

// Appends a thumbnail of the picture (or of the placeholder when the picture
// cannot be decoded) to the image list. False, with nothing appended, when
// neither can be used.
bool AddPhotoThumbnail(HIMAGELIST thumbnails, const std::string& path);

}  // namespace workflow
