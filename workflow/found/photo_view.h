#pragma once
// Which found photos the photo list shows and in what order: a whole disk
// gives back every picture it ever held, and the user's photos are a few
// among tens of thousands of icons and web graphics. Plain functions of the
// photos' facts; the window keeps every photo in found order and shows these.
#include <cstddef>
#include <string>
#include <vector>

#include "workflow/found/found_item.h"

namespace workflow {

// Pictures whose longer side is shorter than this are small (icons, buttons,
// thumbnails) when they are hidden.
inline constexpr uint32_t kSmallPictureSide = 256;

enum class PhotoOrder { Found, DateTaken, LargestFile };

struct PhotoView {
    bool hideSmall = false;
    PhotoOrder order = PhotoOrder::Found;
    // One entry per content: a photo whose bytes a photo found before holds is hidden.
    bool hideCopies = false;
};

// A picture whose size could not be read is shown: it may be a damaged photo.
bool IsShown(const FoundPhoto& photo, const PhotoView& view);
// Strictly before under the order; photos equal under it keep found order.
bool ComesBefore(const FoundPhoto& a, const FoundPhoto& b, PhotoOrder order);
// The photos shown, from all of them in found order.
std::vector<FoundPhoto*> Arrange(const std::vector<FoundPhoto*>& found, const PhotoView& view);
// Where a photo found after every one shown goes among them.
size_t PlaceOf(const std::vector<FoundPhoto*>& shown, const FoundPhoto& photo, PhotoOrder order);

// "Showing 812 of 40,213 pictures"; with pictures found and none shown,
// "All 600 pictures are hidden as small", since hiding them is what leaves
// none.
std::string ShowingText(size_t shown, size_t all);

// How the choices are kept in the settings file, and read back; anything
// unknown reads as the default.
std::string PhotoOrderName(PhotoOrder order);
PhotoOrder PhotoOrderNamed(const std::string& name);

}  // namespace workflow
