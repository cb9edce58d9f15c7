#pragma once
// Where an icon grid puts its items: cells of one size, row after row, each
// with a check box, an icon and a line of text under it. Plain arithmetic on
// the item count and the window's size, so placing, hitting and scrolling to
// an item cost the same for ten items as for a million.
#include <windows.h>

#include <algorithm>

namespace win {

struct IconGridParts {
    RECT box{};
    RECT icon{};
    RECT label{};
    RECT bounds{};  // all three
};

enum class IconGridPart { None, Box, Icon, Label };

struct IconGridHit {
    int item = -1;
    IconGridPart part = IconGridPart::None;
};

class IconGridLayout {
public:
    // Cells fit an icon of `iconSize` pixels, a box of `boxSize` to its left
    // and a line `textHeight` high under it.
    IconGridLayout(SIZE iconSize, int boxSize, int textHeight);

    SIZE Cell() const { return m_cell; }
    void SetClient(int width, int height) {
        m_clientWidth = std::max(width, 0);
        m_clientHeight = std::max(height, 0);
    }
    int ClientHeight() const { return m_clientHeight; }
    int Columns() const { return std::max<int>(1, m_clientWidth / m_cell.cx); }
    int Rows(int count) const { return count <= 0 ? 0 : (count + Columns() - 1) / Columns(); }
    // Height of all rows: the scroll range.
    int ContentHeight(int count) const { return Rows(count) * m_cell.cy; }
    // The largest scroll position that still fills the window.
    int MaxScroll(int count) const { return std::max(0, ContentHeight(count) - m_clientHeight); }

    // The item's parts in client coordinates with the content scrolled by `scroll` pixels.
    IconGridParts PartsOf(int item, int scroll) const;
    IconGridHit HitTest(POINT point, int count, int scroll) const;
    // The items a window scrolled by `scroll` shows, partly or whole: [first, last).
    std::pair<int, int> VisibleItems(int count, int scroll) const;
    // The scroll position closest to `scroll` that shows the whole row of `item`.
    int ScrollToShow(int item, int scroll) const;
    // The item a key moves the focus to from `item`; -1 for a key that does not move it.
    int ItemAfterKey(int item, UINT key, int count) const;

private:
    SIZE m_icon;
    int m_box;
    int m_textHeight;
    SIZE m_cell;
    int m_clientWidth = 0;
    int m_clientHeight = 0;
};

}  // namespace win
