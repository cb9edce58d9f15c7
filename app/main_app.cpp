#include "app/main_app.h"

#include <commctrl.h>

#include "app/admin_check.h"
#include "workflow/window/main_dialog.h"

namespace app {

bool MainApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    m_gdiplus.emplace();

    win::UniqueHandle mutex(CreateMutexA(nullptr, TRUE, kMutexName));
    if (!mutex) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        {
            // A mutex created with initial ownership requested is ours at once;
            // give it back so that later starts can take their turn.
            const auto created = win::MutexOwnershipScope::Adopt(mutex.get());
        }
        m_instanceMutex = std::move(mutex);
        return true;
    }
    {
        // Another instance runs: the mutex orders concurrent late starts.
        const auto turn = win::MutexOwnershipScope::WaitFor(mutex.get());
        if (HWND first = FindWindowA(nullptr, kMainWindowTitle)) {
            ShowWindow(first, SW_SHOWNORMAL);
            SetFocus(first);
            SetForegroundWindow(first);
        }
    }
    return false;
}

int MainApp::Run() {
    {
        workflow::MainDialog dialog(CheckAdministrator);
        dialog.DoModal(nullptr);
    }
    // The main window has gone: queue the quit request so the loop below ends at once.
    PostQuitMessage(0);
    return win::Application::Run();
}

}  // namespace app
