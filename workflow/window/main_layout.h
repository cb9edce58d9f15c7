#pragma once
// Where the main window's controls go in each mode: plain functions of the
// rectangles they are derived from (client pixels).
#include <windows.h>

namespace workflow {

// Label IDC_LOADING centred by the size of the whole window (frame and caption included).
RECT CentredLoadingRect(SIZE window, const RECT& driveListLabel);

// The status line IDC_STATUS: at the left of the drive-list label, 5 pixels from the top.
RECT StatusLineRect(const RECT& status, const RECT& driveListLabel);

struct ProgressPlacement {
    RECT bar;           // IDC_PROGRESS
    RECT progressText;  // IDC_PROGRESS_TEXT while it shows progress
    RECT tips;          // IDC_PROGRESS_TEXT while it shows the tips
};
ProgressPlacement PlaceProgress(const RECT& next, const RECT& saveFolderBox, const RECT& progressBar);

struct AnalysingPlacement {
    RECT photoToggle;  // IDC_PHOTO_TOGGLE
    RECT photoList;    // IDC_PHOTO_LIST
    RECT fileToggle;   // IDC_FILE_TOGGLE
    RECT fileList;     // IDC_FILE_LIST
};
// D: drive list, L: status line, S: size of the photo toggle, nextTop: top of Next.
AnalysingPlacement PlaceAnalysingControls(const RECT& driveList, const RECT& status, SIZE toggle, int nextTop);

struct PhotoViewPlacement {
    RECT hideSmall;   // IDC_HIDE_SMALL
    RECT hideCopies;  // IDC_HIDE_COPIES
    RECT order;       // IDC_PHOTO_ORDER, its closed height
    RECT shownText;   // IDC_PHOTOS_SHOWN
};
// On the photo toggle's line, one after the other from past the toggle, the
// drop-down as high as it is closed and level with the line's top; the text
// runs up to the Settings link.
PhotoViewPlacement PlacePhotoView(const RECT& photoToggle, const RECT& order, const RECT& settingsLink);

struct SaveFolderPlacement {
    RECT box;     // IDC_SAVE_FOLDER
    RECT browse;  // IDC_BROWSE
};
// The box and Browse on the Recover row, right of Recover, when the results
// screen offers another output folder. Browse keeps its own left edge and the
// box runs from past Recover to Browse's usual distance from it.
SaveFolderPlacement PlaceSaveFolderBesideRecover(const RECT& recover, const RECT& box, const RECT& browse);

struct NamingPlacement {
    RECT label;   // IDC_NAME_FILES_LABEL
    RECT choice;  // IDC_NAME_FILES, its closed height
};
// Right of Recover, on its row, the label level with the drop-down's text.
NamingPlacement PlaceNamingBesideRecover(const RECT& recover, SIZE label, SIZE choice);

// The slim bar of how far the search has got: as wide as the file list, just
// below the Cancel button's row, cut to the client area.
RECT ScanProgressBarRect(const RECT& cancelButton, const RECT& fileList, const RECT& client);

}  // namespace workflow
