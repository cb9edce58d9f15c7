#pragma once
// Shared by the skinned-control tests: the main window's dialog template run
// by a bare SkinnedDialog that records what reaches it.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/skinned_dialog.h"
#include "resources/resource.h"
#include "tests/support/pump.h"
#include "tests/support/window_picture.h"
#include "win/icon_grid/icon_grid.h"

namespace skin_test {

inline constexpr COLORREF kBackgroundColor = RGB(229, 198, 195);

// What the dialog received from its controls, in order.
struct Event {
    enum Kind { Command, Notify } kind;
    int id;
    UINT code;
    HWND from;
    bool operator==(const Event&) const = default;
};

class TestDialog : public controls::SkinnedDialog {
public:
    TestDialog() : controls::SkinnedDialog(IDD_MAIN) {}

    // Creates the dialog, runs `setUp` as its initialisation, shows it and lets it paint.
    bool Open(std::function<void(TestDialog&)> setUp = {}) {
        m_setUp = std::move(setUp);
        // The main window's template holds a photo grid, registered by the main window.
        win::RegisterIconGrid();
        if (!Create(nullptr)) return false;
        ShowWindow(m_hwnd, SW_SHOW);
        SetForegroundWindow(m_hwnd);
        Settle();
        return true;
    }
    void Settle() const { testing_support::Settle(m_hwnd); }
    void HideAllControls() const {
        for (HWND child = GetWindow(m_hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            ShowWindow(child, SW_HIDE);
    }
    int CountCommands(int id, UINT code) const {
        int count = 0;
        for (const Event& e : events)
            if (e.kind == Event::Command && e.id == id && e.code == code) ++count;
        return count;
    }

    std::vector<Event> events;
    std::function<void(HDC)> backgroundHook;

protected:
    bool OnInit() override {
        if (m_setUp) m_setUp(*this);
        return true;
    }
    bool OnCommand(int id, int code, HWND control) override {
        events.push_back(Event{Event::Command, id, static_cast<UINT>(code), control});
        return true;
    }
    bool OnNotify(const NMHDR& header, LRESULT&) override {
        events.push_back(Event{Event::Notify, static_cast<int>(header.idFrom), header.code, header.hwndFrom});
        return false;
    }
    void DrawBackgroundHook(HDC canvas) override {
        if (backgroundHook) backgroundHook(canvas);
    }

private:
    std::function<void(TestDialog&)> m_setUp;
};

using testing_support::Pixels;

// Window rectangle of a control in its parent's client coordinates.
inline RECT PlaceOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

inline RECT Inset(RECT r, int by) {
    InflateRect(&r, -by, -by);
    return r;
}

}  // namespace skin_test
