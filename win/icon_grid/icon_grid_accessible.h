#pragma once
// What a screen reader learns of an icon grid: a list whose items are named
// by the tips the parent gives them (LVN_GETINFOTIP), with their check state,
// selection and focus as states. Everything is asked of the grid through the
// list-view messages it answers, so the object holds nothing but its window.
#include <windows.h>
#include <oleacc.h>

namespace win {

// A new accessible object for the grid, holding one reference for the caller.
IAccessible* NewIconGridAccessible(HWND grid);

// The answer to WM_GETOBJECT for OBJID_CLIENT (LresultFromObject of a new
// accessible object); 0 for other objects, which the system then provides.
LRESULT AnswerIconGridGetObject(HWND grid, WPARAM wParam, LPARAM lParam);

// Tells accessibility clients that the item with the focus changed.
void AnnounceIconGridFocus(HWND grid, int item);

}  // namespace win
