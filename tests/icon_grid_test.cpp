// The icon grid: where items stand and which one a point or key reaches, and
// the list-view messages its users send, on a grid of far more items than a
// screen shows.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <string>
#include <vector>

#include "tests/support/pump.h"
#include "win/handles.h"
#include "win/icon_grid/icon_grid.h"
#include "win/icon_grid/icon_grid_accessible.h"
#include "win/icon_grid/icon_grid_layout.h"

namespace {

using win::IconGridLayout;
using win::IconGridPart;

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }
POINT Middle(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

IconGridLayout Layout(int width, int height) {
    IconGridLayout layout(SIZE{64, 64}, 13, 15);
    layout.SetClient(width, height);
    return layout;
}

TEST(IconGridLayout, ItemsFillRowsAndEachPartIsHitWhereItIsDrawn) {
    const IconGridLayout layout = Layout(600, 250);
    const SIZE cell = layout.Cell();
    ASSERT_EQ(layout.Columns(), 600 / cell.cx);
    const int count = 1'000'003;
    EXPECT_EQ(layout.Rows(count), (count + layout.Columns() - 1) / layout.Columns());
    EXPECT_EQ(layout.MaxScroll(count), layout.Rows(count) * cell.cy - 250);
    EXPECT_EQ(layout.MaxScroll(2), 0);

    // Scrolled to the last rows, a million items in.
    const int scroll = layout.MaxScroll(count);
    for (int item : {count - 1, count - layout.Columns(), count - layout.Columns() - 1}) {
        SCOPED_TRACE(item);
        const win::IconGridParts parts = layout.PartsOf(item, scroll);
        EXPECT_TRUE(Inside(parts.bounds, Middle(parts.box)) && Inside(parts.bounds, Middle(parts.label)));
        EXPECT_LE(parts.box.right, parts.icon.left);
        EXPECT_LE(parts.icon.bottom, parts.label.top);
        for (auto [rect, part] : {std::pair{parts.box, IconGridPart::Box}, std::pair{parts.icon, IconGridPart::Icon},
                                  std::pair{parts.label, IconGridPart::Label}}) {
            const win::IconGridHit hit = layout.HitTest(Middle(rect), count, scroll);
            EXPECT_EQ(hit.item, item);
            EXPECT_EQ(hit.part, part);
        }
    }
    // Space between items, past the last item and right of the last column hit nothing.
    const win::IconGridParts last = layout.PartsOf(count - 1, scroll);
    EXPECT_EQ(layout.HitTest(POINT{last.box.left - 3, last.box.top}, count, scroll).item, -1);
    EXPECT_EQ(layout.HitTest(POINT{last.bounds.right + cell.cx / 2, Middle(last.icon).y}, count, scroll).item, -1);
    EXPECT_EQ(layout.HitTest(POINT{layout.Columns() * cell.cx + 2, 10}, count, 0).item, -1);
}

TEST(IconGridLayout, VisibleItemsScrollingIntoViewAndKeys) {
    const IconGridLayout layout = Layout(600, 250);
    const int columns = layout.Columns();
    const int rowHeight = layout.Cell().cy;
    const int count = 10 * columns + 3;
    // A row partly shown at the top and the bottom counts as shown.
    ASSERT_LT(rowHeight / 2 + 250, 4 * rowHeight);
    EXPECT_EQ(layout.VisibleItems(count, rowHeight / 2), (std::pair{0, 4 * columns}));
    EXPECT_EQ(layout.VisibleItems(count, layout.MaxScroll(count)).second, count);

    EXPECT_EQ(layout.ScrollToShow(5 * columns, 0), 6 * rowHeight - 250);           // below: its row ends at the bottom
    EXPECT_EQ(layout.ScrollToShow(columns, 3 * rowHeight), rowHeight);             // above: its row starts at the top
    EXPECT_EQ(layout.ScrollToShow(columns + 1, rowHeight - 5), rowHeight - 5);  // shown whole already: no move

    struct Key {
        int from;
        UINT key;
        int to;
    };
    const int lastRow = 10 * columns;
    for (const Key& k : std::vector<Key>{{5, VK_RIGHT, 6},
                                         {5, VK_DOWN, 5 + columns},
                                         {2, VK_UP, 2},  // the first row: up stays
                                         {lastRow + 2, VK_DOWN, lastRow + 2},
                                         {lastRow - 1, VK_DOWN, lastRow - 1},  // nothing below it: stays
                                         {0, VK_LEFT, 0},
                                         {count - 1, VK_RIGHT, count - 1},
                                         {3, VK_END, count - 1},
                                         {count - 1, VK_HOME, 0},
                                         {count - 3, VK_NEXT, count - 1},
                                         {-1, VK_DOWN, 0},
                                         {4, 'X', -1}}) {
        SCOPED_TRACE(::testing::Message() << k.from << " key " << k.key);
        EXPECT_EQ(layout.ItemAfterKey(k.from, k.key, count), k.to);
    }
}

// A parent that answers the grid as the main window does: text, check and
// data from its own records.
struct Parent {
    std::vector<bool> checks;
    int asked = 0;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Parent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_NOTIFY && self && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETDISPINFOA) {
            LVITEMA& item = reinterpret_cast<NMLVDISPINFOA*>(lParam)->item;
            ++self->asked;
            if (item.mask & LVIF_TEXT) lstrcpynA(item.pszText, ("item " + std::to_string(item.iItem)).c_str(), item.cchTextMax);
            if (item.mask & LVIF_PARAM) item.lParam = 1000 + item.iItem;
            if (item.mask & LVIF_STATE)
                item.state = INDEXTOSTATEIMAGEMASK(self->checks[static_cast<size_t>(item.iItem)] ? 2 : 1);
            return 0;
        }
        if (message == WM_NOTIFY && self && reinterpret_cast<NMHDR*>(lParam)->code == LVN_GETINFOTIPA) {
            auto* tip = reinterpret_cast<NMLVGETINFOTIPA*>(lParam);
            lstrcpynA(tip->pszText, ("tip of " + std::to_string(tip->iItem)).c_str(), tip->cchTextMax);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

TEST(IconGrid, AnswersAVirtualListsMessagesOnAHundredThousandItems) {
    ASSERT_TRUE(win::RegisterIconGrid());
    WNDCLASSA parentClass{};
    parentClass.lpfnWndProc = Parent::Proc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.lpszClassName = "IconGridTestParent";
    RegisterClassA(&parentClass);
    Parent parent;
    const int count = 100'000;
    parent.checks.assign(count, false);
    parent.checks[count - 1] = true;
    HWND owner = CreateWindowA("IconGridTestParent", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 700, 400, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    SetWindowLongPtrA(owner, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&parent));
    HWND grid = CreateWindowA(win::kIconGridClass, "", WS_CHILD | WS_VISIBLE | WS_BORDER, 0, 0, 600, 300, owner,
                              reinterpret_cast<HMENU>(7), GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(grid, nullptr);
    ListView_SetExtendedListViewStyle(grid, LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);
    ListView_SetItemCountEx(grid, count, LVSICF_NOINVALIDATEALL);
    EXPECT_EQ(ListView_GetItemCount(grid), count);

    // Texts, data and checks are the parent's.
    char text[64] = {};
    ListView_GetItemText(grid, count - 1, 0, text, sizeof text);
    EXPECT_STREQ(text, "item 99999");
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = 42;
    ASSERT_TRUE(ListView_GetItem(grid, &item));
    EXPECT_EQ(item.lParam, 1042);
    EXPECT_TRUE(ListView_GetCheckState(grid, count - 1));
    EXPECT_FALSE(ListView_GetCheckState(grid, 0));

    // The last item, scrolled into view, is hit on its box where the grid says it is.
    ListView_EnsureVisible(grid, count - 1, FALSE);
    RECT client{};
    GetClientRect(grid, &client);
    RECT bounds{};
    ASSERT_TRUE(ListView_GetItemRect(grid, count - 1, &bounds, LVIR_BOUNDS));
    EXPECT_TRUE(bounds.top >= 0 && bounds.bottom <= client.bottom) << bounds.top << " " << bounds.bottom;
    LVHITTESTINFO hit{};
    for (hit.pt = POINT{bounds.left, bounds.top}; hit.pt.x < bounds.right; ++hit.pt.x)
        if (ListView_HitTest(grid, &hit) == count - 1 && hit.flags == LVHT_ONITEMSTATEICON) break;
    EXPECT_EQ(hit.flags, static_cast<UINT>(LVHT_ONITEMSTATEICON));

    // A click selects and focuses; Shift+End selects to the end; deleting an item moves the rest up.
    ASSERT_TRUE(ListView_GetItemRect(grid, count - 3, &bounds, LVIR_ICON));
    SendMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(bounds.left + 2, bounds.top + 2));
    EXPECT_EQ(ListView_GetNextItem(grid, -1, LVNI_FOCUSED), count - 3);
    EXPECT_EQ(ListView_GetNextItem(grid, -1, LVNI_SELECTED), count - 3);
    ListView_DeleteItem(grid, count - 5);
    EXPECT_EQ(ListView_GetItemCount(grid), count - 1);
    EXPECT_EQ(ListView_GetNextItem(grid, -1, LVNI_SELECTED), count - 4);
    EXPECT_EQ(ListView_GetNextItem(grid, -1, LVNI_FOCUSED), count - 4);
    SendMessageA(grid, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(ListView_GetNextItem(grid, -1, LVNI_SELECTED), 0);
    EXPECT_EQ(ListView_GetNextItem(grid, 0, LVNI_SELECTED), -1);

    // The mouse resting on an item shows the tip its parent gives for it.
    ASSERT_TRUE(ListView_GetItemRect(grid, 2, &bounds, LVIR_ICON));
    POINT resting{bounds.left + 5, bounds.top + 5};
    POINT onScreen = resting;
    ClientToScreen(grid, &onScreen);
    SetCursorPos(onScreen.x, onScreen.y);
    SendMessageA(grid, WM_MOUSEMOVE, 0, MAKELPARAM(resting.x, resting.y));
    HWND tip = nullptr;
    EXPECT_TRUE(testing_support::PumpUntil([&] {
        tip = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr);
        while (tip && GetWindow(tip, GW_OWNER) != owner) tip = FindWindowExA(nullptr, tip, TOOLTIPS_CLASSA, nullptr);
        return tip && IsWindowVisible(tip);
    }));
    char shown[64] = {};
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = grid;
    tool.uId = 1;
    tool.lpszText = shown;
    if (tip) SendMessageA(tip, TTM_GETTEXTA, sizeof shown, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ(shown, "tip of 2");

    // Drawing asks only for the items shown.
    UpdateWindow(owner);
    parent.asked = 0;
    RedrawWindow(grid, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_GT(parent.asked, 0);
    EXPECT_LT(parent.asked, 100);

    // A screen reader finds a list of the items, each named by its tip, with
    // its check, selection and focus. (Wine's oleacc cannot marshal an object
    // of ours out of WM_GETOBJECT, so the object is asked directly.)
    SetFocus(grid);
    parent.checks[0] = true;
    IAccessible* accessible = win::NewIconGridAccessible(grid);
    ASSERT_NE(accessible, nullptr);
    long children = 0;
    EXPECT_EQ(accessible->get_accChildCount(&children), S_OK);
    EXPECT_EQ(children, count - 1);
    VARIANT self{}, first{}, third{}, answer{};
    self.vt = first.vt = third.vt = VT_I4;
    self.lVal = CHILDID_SELF, first.lVal = 1, third.lVal = 3;
    BSTR name = nullptr;
    EXPECT_EQ(accessible->get_accName(third, &name), S_OK);
    EXPECT_EQ(std::wstring(name ? name : L""), L"tip of 2");
    SysFreeString(name);
    EXPECT_EQ(accessible->get_accRole(self, &answer), S_OK);
    EXPECT_EQ(answer.lVal, ROLE_SYSTEM_LIST);
    EXPECT_EQ(accessible->get_accRole(first, &answer), S_OK);
    EXPECT_EQ(answer.lVal, ROLE_SYSTEM_LISTITEM);
    EXPECT_EQ(accessible->get_accState(first, &answer), S_OK);
    const long focusedIfActive = GetFocus() == grid ? STATE_SYSTEM_FOCUSED : 0;
    EXPECT_EQ(answer.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED),
              STATE_SYSTEM_CHECKED | STATE_SYSTEM_SELECTED | focusedIfActive);
    EXPECT_EQ(accessible->get_accState(third, &answer), S_OK);
    EXPECT_EQ(answer.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_SELECTED | STATE_SYSTEM_FOCUSED), 0);
    third.lVal = count;  // past the last item
    EXPECT_EQ(accessible->get_accState(third, &answer), E_INVALIDARG);
    accessible->Release();
    DestroyWindow(owner);
}

}  // namespace
