#include "workflow/found/photo_view.h"

#include <algorithm>

namespace workflow {

bool IsShown(const FoundPhoto& photo, const PhotoView& view) {
    if (view.hideCopies && photo.copy) return false;
    if (!view.hideSmall || !photo.facts.SizeKnown()) return true;
    return std::max(photo.facts.width, photo.facts.height) >= kSmallPictureSide;
}

bool ComesBefore(const FoundPhoto& a, const FoundPhoto& b, PhotoOrder order) {
    switch (order) {
    case PhotoOrder::Found:
        break;
    case PhotoOrder::DateTaken: {
        // Oldest first; pictures without a date after all dated ones.
        const uint64_t never = UINT64_MAX;
        const uint64_t takenA = a.facts.taken ? a.facts.taken : never, takenB = b.facts.taken ? b.facts.taken : never;
        if (takenA != takenB) return takenA < takenB;
        break;
    }
    case PhotoOrder::LargestFile:
        if (a.fileSize != b.fileSize) return a.fileSize > b.fileSize;
        break;
    }
    return a.foundIndex < b.foundIndex;
}

std::vector<FoundPhoto*> Arrange(const std::vector<FoundPhoto*>& found, const PhotoView& view) {
    std::vector<FoundPhoto*> shown;
    shown.reserve(found.size());
    for (FoundPhoto* photo : found)
        if (IsShown(*photo, view)) shown.push_back(photo);
    if (view.order != PhotoOrder::Found)
        std::sort(shown.begin(), shown.end(),
                  [&](const FoundPhoto* a, const FoundPhoto* b) { return ComesBefore(*a, *b, view.order); });
    return shown;
}

size_t PlaceOf(const std::vector<FoundPhoto*>& shown, const FoundPhoto& photo, PhotoOrder order) {
    const auto place = std::upper_bound(shown.begin(), shown.end(), &photo,
                                        [&](const FoundPhoto* a, const FoundPhoto* b) { return ComesBefore(*a, *b, order); });
    return static_cast<size_t>(place - shown.begin());
}

namespace {

std::string WithThousands(size_t value) {
    std::string digits = std::to_string(value);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

}  // namespace

std::string ShowingText(size_t shown, size_t all) {
    if (shown == 0 && all == 1) return "The only picture found is hidden as small";
    if (shown == 0 && all > 1) return "All " + WithThousands(all) + " pictures are hidden as small";
    return "Showing " + WithThousands(shown) + " of " + WithThousands(all) + (all == 1 ? " picture" : " pictures");
}

std::string PhotoOrderName(PhotoOrder order) {
    switch (order) {
    case PhotoOrder::DateTaken: return "date";
    case PhotoOrder::LargestFile: return "size";
    case PhotoOrder::Found: break;
    }
    return "found";
}

PhotoOrder PhotoOrderNamed(const std::string& name) {
    if (name == "date") return PhotoOrder::DateTaken;
    if (name == "size") return PhotoOrder::LargestFile;
    return PhotoOrder::Found;
}

}  // namespace workflow
