#pragma once
// Saves what a window shows as a 24-bit BMP, for looking at layouts by eye.
// Tests call SnapshotIfAsked at interesting moments; it writes only when the
// environment variable VANTREO_SNAPSHOT_DIR names a folder.
#include <windows.h>

#include <string>

namespace testing_support {

bool SaveWindowPicture(HWND window, const std::string& path);
void SnapshotIfAsked(HWND window, const std::string& name);
// The colour of one pixel of what the window shows (client coordinates).
COLORREF WindowPixel(HWND window, int x, int y);

}  // namespace testing_support
