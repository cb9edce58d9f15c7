#pragma once
// Where the main window's controls go in each mode: plain functions of the
// rectangles they are derived from (client pixels).
#include <windows.h>

namespace workflow {

// Label 1016 centred by the size of the whole window (frame and caption included).
RECT CentredLoadingRect(SIZE window, const RECT& driveListLabel);

// The status line 1013: at the left of the drive-list label, 5 pixels from the top.
RECT StatusLineRect(const RECT& status, const RECT& driveListLabel);

struct ProgressPlacement {
    RECT bar;           // progress bar 1011
    RECT progressText;  // label 1012 while it shows progress
    RECT tips;          // label 1012 while it shows the tips
};
ProgressPlacement PlaceProgress(const RECT& next, const RECT& saveFolderBox, const RECT& progressBar);

struct AnalysingPlacement {
    RECT photoToggle;  // 1018
    RECT photoList;    // 1010
    RECT fileToggle;   // 1019
    RECT fileList;     // 1017
};
// D: drive list, L: status line, S: size of the photo toggle, nextTop: top of Next.
AnalysingPlacement PlaceAnalysingControls(const RECT& driveList, const RECT& status, SIZE toggle, int nextTop);

struct SaveFolderPlacement {
    RECT box;     // save-folder box 1003
    RECT browse;  // Browse 1000
};
// The box and Browse on the Recover row, right of Recover, when the results
// screen offers another output folder. Browse keeps its own left edge and the
// box runs from past Recover to Browse's usual distance from it.
SaveFolderPlacement PlaceSaveFolderBesideRecover(const RECT& recover, const RECT& box, const RECT& browse);

// The slim bar of how far the search has got: as wide as the file list, just
// below the Cancel button's row, cut to the client area.
RECT ScanProgressBarRect(const RECT& cancelButton, const RECT& fileList, const RECT& client);

}  // namespace workflow
