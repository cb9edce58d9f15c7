#pragma once
// A list of icons in a grid that draws itself, for lists far longer than a
// screen. The system's icon view keeps an item record per item, and under
// Wine its memory per item grows with the number of items, while its virtual
// mode lays out every item again whenever the number changes.
//
// The grid holds only the number of items and their selection, and speaks
// the list-view messages a virtual list (LVS_OWNERDATA) understands: the
// parent sets the number (LVM_SETITEMCOUNT) and answers LVN_GETDISPINFO for
// each item's text, image, check state (the state image, kept by the parent
// as with LVM_SETCALLBACKMASK) and data, and LVN_GETINFOTIP for its tip.
// Check states are flipped by the parent too (see CheckBoxClicks). Names in dialog templates
// as kIconGridClass.
#include <windows.h>

#include <string>

namespace win {

inline constexpr char kIconGridClass[] = "IconGrid";

// Registers the window class; safe to call more than once.
bool RegisterIconGrid();

// The tip the grid's parent gives for an item (LVN_GETINFOTIP), as the grid
// shows it and names the item to accessibility clients.
std::string AskItemTip(HWND grid, int item);

}  // namespace win
