#pragma once
// A dialog whose client area shows a bitmap laid as tiles from the top-left
// corner, and which can cut its window to the pixels of the bitmap that are
// not of one key colour.
#include <windows.h>

#include <vector>

#include "win/dialog.h"
#include "win/handles.h"

namespace controls {

// Key colour meaning "keep the window rectangular".
inline constexpr COLORREF kNoKeyColor = 0xFFFFFFFF;

// Results of SetBackgroundBitmap.
inline constexpr int kBackgroundSet = 0;          // also a failed load: no background then
inline constexpr int kBackgroundUnreadable = 1;   // the bitmap's description cannot be read
inline constexpr int kBackgroundNoShape = 3;      // a key was given but no region could be built

// Width the shape of a bitmap keeps: rows of 3-byte pixels then need no padding.
inline int RoundedWidth(int width) { return width - width % 4; }

// Top-left corners of the tiles covering a client area, row by row.
std::vector<POINT> TileOrigins(int clientWidth, int clientHeight, int tileWidth, int tileHeight);

// Pixels of a bitmap as rows of blue, green, red bytes, top row first, `roundedWidth`
// pixels per row. Empty when the bitmap cannot be read.
std::vector<BYTE> ReadBitmapPixels(HBITMAP bitmap, int& roundedWidth, int& height);

// The rectangle (0, 0, roundedWidth, height) without the pixels of the key colour.
win::RegionHandle BuildRegionFromPixels(const std::vector<BYTE>& pixels, int roundedWidth, int height, BYTE red,
                                        BYTE green, BYTE blue);

// ReadBitmapPixels followed by BuildRegionFromPixels; null when either fails.
win::RegionHandle BuildRegionFromBitmap(HBITMAP bitmap, BYTE red, BYTE green, BYTE blue);

class SkinnedDialog : public win::Dialog {
public:
    explicit SkinnedDialog(int templateId);
    ~SkinnedDialog() override;

    // Loads a bitmap resource of the program and makes it the background.
    int SetBackgroundBitmap(int resourceId, COLORREF key);
    // Makes `bitmap` the background. A bitmap that cannot serve is deleted.
    int SetBackgroundBitmap(win::BitmapHandle bitmap, COLORREF key);

    HBITMAP BackgroundBitmap() const { return m_background.get(); }
    HRGN WindowRegion() const { return m_region.get(); }
    SIZE BackgroundSize() const { return SIZE{m_width, m_height}; }

protected:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    // Runs after the composed background has reached the screen.
    virtual void DrawBackgroundHook(HDC canvas);

private:
    // Deletes the background and the shape, and makes the window rectangular again.
    void ClearBackground();
    void ShapeWindow();
    void PaintBackground(HDC target);

    win::BitmapHandle m_background;
    // Our own copy of the shape; the window is given a duplicate, which it owns.
    win::RegionHandle m_region;
    int m_width = 0;
    int m_height = 0;
};

}  // namespace controls
