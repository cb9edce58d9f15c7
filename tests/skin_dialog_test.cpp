#include <gtest/gtest.h>

#include "controls/skinned_dialog.h"
#include "tests/skin_test_window.h"

using controls::BuildRegionFromBitmap;
using controls::BuildRegionFromPixels;
using controls::kNoKeyColor;
using skin_test::kBackgroundColor;
using skin_test::Pixels;
using skin_test::TestDialog;

namespace {

// A 24-bit bitmap filled with `fill`, with the listed pixels in `mark`.
win::BitmapHandle MakeBitmap(int width, int height, COLORREF fill, const std::vector<POINT>& marked = {},
                             COLORREF mark = RGB(0, 0, 0)) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    win::BitmapHandle bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    const int stride = (width * 3 + 3) & ~3;
    auto* bytes = static_cast<BYTE*>(bits);
    auto put = [&](int x, int y, COLORREF c) {
        BYTE* p = bytes + y * stride + x * 3;
        p[0] = GetBValue(c);
        p[1] = GetGValue(c);
        p[2] = GetRValue(c);
    };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) put(x, y, fill);
    for (const POINT& p : marked) put(p.x, p.y, mark);
    return bitmap;
}

RECT BoxOf(HRGN region) {
    RECT box{};
    GetRgnBox(region, &box);
    return box;
}

bool SameRect(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }

}  // namespace

TEST(SkinnedDialogRegion, KeyColourNoPixelHasGivesTheRoundedRectangleAndKeyPixelsAreCutOut) {
    win::BitmapHandle bitmap(MakeBitmap(635, 6, RGB(10, 20, 30)));
    win::RegionHandle shape(BuildRegionFromBitmap(bitmap.get(), 1, 2, 3));
    ASSERT_TRUE(shape);
    EXPECT_TRUE(SameRect(BoxOf(shape.get()), RECT{0, 0, 632, 6}));
    EXPECT_TRUE(PtInRegion(shape.get(), 631, 5));
    EXPECT_FALSE(PtInRegion(shape.get(), 632, 0));  // the columns beyond the rounded width are cut off

    // Key pixels are cut out, and nothing else.
    win::BitmapHandle keyed(MakeBitmap(8, 4, RGB(1, 2, 3), {{0, 0}, {5, 2}, {7, 3}}, RGB(255, 0, 255)));
    win::RegionHandle cut(BuildRegionFromBitmap(keyed.get(), 255, 0, 255));
    ASSERT_TRUE(cut);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool isKey = (x == 0 && y == 0) || (x == 5 && y == 2) || (x == 7 && y == 3);
            EXPECT_EQ(!isKey, PtInRegion(cut.get(), x, y) != FALSE) << x << "," << y;
        }
    // A colour one step away from the key is no match.
    win::RegionHandle none(BuildRegionFromBitmap(keyed.get(), 254, 0, 255));
    EXPECT_TRUE(PtInRegion(none.get(), 0, 0));
}

TEST(SkinnedDialogRegion, PixelsAreReadTopRowFirstAsBlueGreenRedAndUnusableInputGivesNoRegion) {
    win::BitmapHandle bitmap(MakeBitmap(6, 2, RGB(0, 0, 0), {{1, 0}}, RGB(10, 20, 30)));
    int width = 0;
    int height = 0;
    const std::vector<BYTE> pixels = controls::ReadBitmapPixels(bitmap.get(), width, height);
    EXPECT_EQ(4, width);
    EXPECT_EQ(2, height);
    ASSERT_EQ(4u * 2u * 3u, pixels.size());
    EXPECT_EQ(30, pixels[3]);
    EXPECT_EQ(20, pixels[4]);
    EXPECT_EQ(10, pixels[5]);
    EXPECT_EQ(0, pixels[4 * 3 + 3]);  // the same column of the second row is untouched

    // Unusable input gives no region.
    win::BitmapHandle narrow(MakeBitmap(3, 3, RGB(0, 0, 0)));
    EXPECT_EQ(nullptr, BuildRegionFromBitmap(narrow.get(), 0, 0, 0).get());
    EXPECT_EQ(nullptr, BuildRegionFromPixels(std::vector<BYTE>(5), 4, 4, 0, 0, 0).get());
    EXPECT_TRUE(controls::TileOrigins(100, 100, 0, 10).empty());
}

// The hook gets the composed canvas after each erase.
TEST(SkinnedDialogPaint, BackgroundBitmapFillsTheClientAreaInTilesAndTheHookGetsTheCanvas) {
    TestDialog dialog;
    int calls = 0;
    COLORREF seen = CLR_INVALID;
    dialog.backgroundHook = [&](HDC canvas) {
        ++calls;
        seen = GetPixel(canvas, 3, 3);
    };
    ASSERT_TRUE(dialog.Open([](TestDialog& d) {
        EXPECT_EQ(controls::kBackgroundSet, d.SetBackgroundBitmap(IDB_BACKGROUND, kNoKeyColor));
    }));
    ASSERT_GT(calls, 0);
    EXPECT_EQ(kBackgroundColor, seen);
    const int before = calls;
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ERASENOW);
    EXPECT_EQ(before + 1, calls);

    dialog.HideAllControls();
    dialog.Settle();

    const SIZE tile = dialog.BackgroundSize();
    EXPECT_EQ(634, tile.cx);
    EXPECT_EQ(464, tile.cy);
    EXPECT_EQ(nullptr, dialog.WindowRegion());

    Pixels pixels(dialog);
    const RECT everything{0, 0, pixels.Width(), pixels.Height()};
    EXPECT_EQ(0, pixels.CountOther(everything, kBackgroundColor));
    EXPECT_NE(kBackgroundColor, GetSysColor(COLOR_BTNFACE));
}

TEST(SkinnedDialogPaint, TilesRepeatFromTheTopLeftCorner) {
    const COLORREF mark = RGB(255, 0, 0);
    const COLORREF fill = RGB(0, 128, 0);
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open([&](TestDialog& d) {
        d.SetBackgroundBitmap(MakeBitmap(40, 30, fill, {{0, 0}, {39, 29}}, mark), kNoKeyColor);
    }));
    dialog.HideAllControls();
    dialog.Settle();

    Pixels pixels(dialog);
    ASSERT_GT(pixels.Width(), 120);
    EXPECT_EQ(mark, pixels.At(0, 0));
    EXPECT_EQ(mark, pixels.At(40, 0));
    EXPECT_EQ(mark, pixels.At(80, 60));
    EXPECT_EQ(mark, pixels.At(39, 29));
    EXPECT_EQ(mark, pixels.At(119, 59));
    EXPECT_EQ(fill, pixels.At(1, 0));
    EXPECT_EQ(fill, pixels.At(41, 31));
}

TEST(SkinnedDialogShape, KeyColourShapesTheWindowUntilReplacedAndFailuresLeaveNoBackground) {
    const COLORREF key = RGB(0, 255, 0);
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open());
    EXPECT_EQ(controls::kBackgroundSet,
              dialog.SetBackgroundBitmap(MakeBitmap(401, 300, RGB(9, 9, 9), {{10, 10}}, key), key));

    win::RegionHandle windowShape(CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(dialog, windowShape.get()));
    EXPECT_TRUE(SameRect(BoxOf(windowShape.get()), RECT{0, 0, 400, 300}));
    EXPECT_FALSE(PtInRegion(windowShape.get(), 10, 10));
    EXPECT_TRUE(PtInRegion(windowShape.get(), 11, 10));

    // A new background replaces the shape; without a key the window is rectangular again.
    dialog.SetBackgroundBitmap(IDB_BACKGROUND, kNoKeyColor);
    EXPECT_EQ(ERROR, GetWindowRgn(dialog, windowShape.get()));
    EXPECT_EQ(nullptr, dialog.WindowRegion());

    // Failures report their code and leave no background. Too narrow to keep any column of its shape.
    EXPECT_EQ(controls::kBackgroundNoShape, dialog.SetBackgroundBitmap(MakeBitmap(3, 3, 0), RGB(1, 1, 1)));
    EXPECT_EQ(nullptr, dialog.BackgroundBitmap());
    EXPECT_EQ(nullptr, dialog.WindowRegion());
    EXPECT_EQ(0, dialog.BackgroundSize().cx);

    // A handle that is no bitmap at all.
    EXPECT_EQ(controls::kBackgroundUnreadable,
              dialog.SetBackgroundBitmap(win::BitmapHandle(reinterpret_cast<HBITMAP>(static_cast<INT_PTR>(0x7ff0))),
                                         kNoKeyColor));
    EXPECT_EQ(nullptr, dialog.BackgroundBitmap());
}

// A failed load leaves the default paint; resizing with a background invalidates the whole client area.
TEST(SkinnedDialogPaint, FailedLoadLeavesTheDefaultPaintAndResizingWithABackgroundInvalidatesAll) {
    TestDialog dialog;
    ASSERT_TRUE(dialog.Open([](TestDialog& d) { EXPECT_EQ(0, d.SetBackgroundBitmap(4711, kNoKeyColor)); }));
    dialog.HideAllControls();
    dialog.Settle();
    EXPECT_EQ(nullptr, dialog.BackgroundBitmap());
    Pixels pixels(dialog);
    EXPECT_EQ(0, pixels.Count(RECT{0, 0, pixels.Width(), pixels.Height()}, kBackgroundColor));

    RECT window{};
    GetWindowRect(dialog, &window);
    auto shrinkAndGetUpdate = [&](int by) {
        SetWindowPos(dialog, nullptr, 0, 0, win::Width(window) - by, win::Height(window) - by,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT update{};
        GetUpdateRect(dialog, &update, FALSE);
        dialog.Settle();
        return update;
    };

    // Without a background a smaller window has nothing new to paint.
    const RECT plain = shrinkAndGetUpdate(10);
    EXPECT_TRUE(IsRectEmpty(&plain));

    dialog.SetBackgroundBitmap(IDB_BACKGROUND, kNoKeyColor);
    dialog.Settle();
    const RECT update = shrinkAndGetUpdate(20);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_TRUE(SameRect(client, update));
}
