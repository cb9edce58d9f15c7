#include "workflow/window/main_layout.h"

#include <algorithm>

#include "win/window.h"

namespace workflow {

using win::Height;
using win::Width;

RECT CentredLoadingRect(SIZE window, const RECT& driveListLabel) {
    const int width = Width(driveListLabel) + 30;
    const int height = Height(driveListLabel) + 10;
    const int x = (window.cx - width) / 2;
    const int y = (window.cy - height) / 2;
    return RECT{x, y, x + width, y + height};
}

RECT StatusLineRect(const RECT& status, const RECT& driveListLabel) {
    const int x = driveListLabel.left;
    const int y = 5;
    return RECT{x, y, x + Width(status), y + Height(driveListLabel) + 5};
}

ProgressPlacement PlaceProgress(const RECT& next, const RECT& saveFolderBox, const RECT& progressBar) {
    ProgressPlacement p{};
    const int width = Width(saveFolderBox);
    const int bottom = next.bottom + 15;
    p.bar = RECT{next.left, bottom - Height(progressBar), next.left + width, bottom};
    const int top = p.bar.top;
    p.progressText = RECT{next.left, top - 25, next.left + width, top - 5};
    p.tips = RECT{next.right + 5, next.top, next.left + width + 80, next.bottom};
    return p;
}

AnalysingPlacement PlaceAnalysingControls(const RECT& driveList, const RECT& status, SIZE toggle, int nextTop) {
    AnalysingPlacement p{};
    const int toggleTop = status.bottom + 3;
    p.photoToggle = RECT{driveList.left, toggleTop, driveList.left + toggle.cx, toggleTop + toggle.cy};

    const int photoTop = status.bottom + toggle.cy + 5;
    // Three quarters of the span, cut toward zero.
    const int photoHeight = static_cast<int>((driveList.bottom - photoTop) * 0.75);
    p.photoList = RECT{driveList.left, photoTop, driveList.right, photoTop + photoHeight};

    const int fileToggleTop = p.photoList.bottom + 5;
    p.fileToggle = RECT{p.photoList.left, fileToggleTop, p.photoList.left + toggle.cx, fileToggleTop + toggle.cy};

    const int fileTop = p.photoList.bottom + toggle.cy + 8;
    p.fileList = RECT{p.photoList.left, fileTop, p.photoList.right, nextTop - 10};
    return p;
}

PhotoViewPlacement PlacePhotoView(const RECT& photoToggle, const RECT& order, const RECT& settingsLink) {
    constexpr int kGap = 10;
    // Each as wide as its box and caption: the count needs the room left.
    constexpr int kHideSmallWidth = 124;
    constexpr int kHideCopiesWidth = 84;
    PhotoViewPlacement p{};
    const int top = photoToggle.top, bottom = photoToggle.bottom;
    p.hideSmall = RECT{photoToggle.right + kGap, top, photoToggle.right + kGap + kHideSmallWidth, bottom};
    p.hideCopies = RECT{p.hideSmall.right + kGap, top, p.hideSmall.right + kGap + kHideCopiesWidth, bottom};
    p.order = RECT{p.hideCopies.right + kGap, top - 3, p.hideCopies.right + kGap + Width(order), top - 3 + Height(order)};
    p.shownText = RECT{p.order.right + kGap, top, std::max<LONG>(p.order.right + kGap, settingsLink.left - kGap), bottom};
    return p;
}

SaveFolderPlacement PlaceSaveFolderBesideRecover(const RECT& recover, const RECT& box, const RECT& browse) {
    SaveFolderPlacement p{};
    const int gap = browse.left - box.right;
    const int rowMiddle = (recover.top + recover.bottom) / 2;
    const int boxTop = rowMiddle - Height(box) / 2;
    p.box = RECT{recover.right + gap, boxTop, browse.left - gap, boxTop + Height(box)};
    p.browse = RECT{browse.left, recover.top, browse.left + Width(browse), recover.top + Height(browse)};
    return p;
}

NamingPlacement PlaceNamingBesideRecover(const RECT& recover, SIZE label, SIZE choice) {
    constexpr int kGap = 12;
    const int rowMiddle = (recover.top + recover.bottom) / 2;
    NamingPlacement p{};
    p.label = RECT{recover.right + kGap, rowMiddle - label.cy / 2, recover.right + kGap + label.cx,
                   rowMiddle - label.cy / 2 + label.cy};
    const int choiceTop = rowMiddle - choice.cy / 2;
    p.choice = RECT{p.label.right + kGap / 2, choiceTop, p.label.right + kGap / 2 + choice.cx, choiceTop + choice.cy};
    return p;
}

RECT ScanProgressBarRect(const RECT& cancelButton, const RECT& fileList, const RECT& client) {
    constexpr LONG kGap = 6;
    constexpr LONG kHeight = 8;
    // Below the whole row, never over Cancel: a client too short shrinks the bar instead.
    const LONG top = std::min(cancelButton.bottom + kGap, client.bottom);
    const LONG bottom = std::min(top + kHeight, client.bottom);
    const LONG left = std::max(fileList.left, client.left);
    const LONG right = std::max(left, std::min(fileList.right, client.right));
    return RECT{left, top, right, bottom};
}

}  // namespace workflow
