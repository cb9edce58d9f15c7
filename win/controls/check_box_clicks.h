#pragma once
// Check boxes of a list view whose check states the program keeps itself:
// the list asks for each item's box by callback (LVM_SETCALLBACKMASK), so it
// cannot flip one on its own. A click on a box and Space on the focused item come
// here instead, before the list sees them, and are handed to `toggle`.
#include <windows.h>

#include <functional>
#include <vector>

#include "win/subclassed_window.h"

namespace win {

class CheckBoxClicks : public SubclassedWindow {
public:
    // `toggle` gets the items to flip: the one clicked, or for Space the
    // focused item with the others selected along with it.
    using Toggle = std::function<void(const std::vector<int>& items)>;
    explicit CheckBoxClicks(Toggle toggle) : m_toggle(std::move(toggle)) {}

    // Binds to the list and tells it that its check states are asked for.
    bool Bind(HWND list) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int BoxAt(LPARAM point) const;
    std::vector<int> ItemsForSpace() const;

    Toggle m_toggle;
};

}  // namespace win
