#include "win/icon_grid/icon_grid_layout.h"

namespace win {

namespace {

// Room around an item inside its cell, and between the icon and its text.
constexpr int kSideMargin = 15;
constexpr int kTopMargin = 4;
constexpr int kTextGap = 3;
constexpr int kBottomMargin = 10;

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

}  // namespace

IconGridLayout::IconGridLayout(SIZE iconSize, int boxSize, int textHeight)
    : m_icon(iconSize),
      m_box(boxSize),
      m_textHeight(textHeight),
      m_cell{m_box + m_icon.cx + 2 * kSideMargin,
             kTopMargin + m_icon.cy + kTextGap + m_textHeight + kBottomMargin} {}

IconGridParts IconGridLayout::PartsOf(int item, int scroll) const {
    const int columns = Columns();
    const int left = (item % columns) * m_cell.cx;
    const int top = (item / columns) * m_cell.cy - scroll;
    IconGridParts parts;
    const int iconLeft = left + kSideMargin + m_box;
    const int iconTop = top + kTopMargin;
    parts.icon = RECT{iconLeft, iconTop, iconLeft + m_icon.cx, iconTop + m_icon.cy};
    parts.box = RECT{iconLeft - m_box, iconTop, iconLeft, iconTop + m_box};
    const int labelTop = parts.icon.bottom + kTextGap;
    parts.label = RECT{left + 2, labelTop, left + m_cell.cx - 2, labelTop + m_textHeight};
    parts.bounds = RECT{parts.label.left, parts.box.top, parts.label.right, parts.label.bottom};
    return parts;
}

IconGridHit IconGridLayout::HitTest(POINT point, int count, int scroll) const {
    if (point.x < 0 || point.y < 0 || point.x >= Columns() * m_cell.cx) return {};
    const int row = (point.y + scroll) / m_cell.cy;
    const int item = row * Columns() + point.x / m_cell.cx;
    if (item >= count) return {};
    const IconGridParts parts = PartsOf(item, scroll);
    if (Inside(parts.box, point)) return {item, IconGridPart::Box};
    if (Inside(parts.icon, point)) return {item, IconGridPart::Icon};
    if (Inside(parts.label, point)) return {item, IconGridPart::Label};
    return {};
}

std::pair<int, int> IconGridLayout::VisibleItems(int count, int scroll) const {
    const int firstRow = std::max(scroll, 0) / m_cell.cy;
    const int lastRow = (std::max(scroll, 0) + m_clientHeight + m_cell.cy - 1) / m_cell.cy;
    return {std::min(firstRow * Columns(), std::max(count, 0)), std::min(lastRow * Columns(), std::max(count, 0))};
}

int IconGridLayout::ScrollToShow(int item, int scroll) const {
    const int top = (item / Columns()) * m_cell.cy;
    const int bottom = top + m_cell.cy;
    if (top < scroll) return top;
    if (bottom > scroll + m_clientHeight) return std::max(0, bottom - m_clientHeight);
    return scroll;
}

int IconGridLayout::ItemAfterKey(int item, UINT key, int count) const {
    if (count <= 0) return -1;
    const int columns = Columns();
    const int page = std::max<int>(1, m_clientHeight / m_cell.cy) * columns;
    int next = item < 0 ? 0 : item;
    switch (key) {
    case VK_LEFT: next = item - 1; break;
    case VK_RIGHT: next = item + 1; break;
    case VK_UP: next = item - columns; break;
    case VK_DOWN: next = item + columns; break;
    case VK_PRIOR: next = item - page; break;
    case VK_NEXT: next = item + page; break;
    case VK_HOME: next = 0; break;
    case VK_END: next = count - 1; break;
    default: return -1;
    }
    if (item < 0) return key == VK_END ? count - 1 : 0;
    // Up and down stop at the first and last rows, as in a list of icons.
    if ((key == VK_UP || key == VK_DOWN) && (next < 0 || next >= count)) return item;
    return std::clamp(next, 0, count - 1);
}

}  // namespace win
