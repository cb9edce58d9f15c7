#include "app/main_app.h"

#include <commctrl.h>
#include <gdiplus.h>

#include "app/admin_check.h"
#include "workflow/main_dialog.h"

namespace app {

bool MainApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, no suppression
    Gdiplus::GdiplusStartup(&gdiplusToken_, &input, nullptr);

    HANDLE mutex = CreateMutexA(nullptr, TRUE, kMutexName);
    if (!mutex) return true;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
        // The handle stays open for the life of the process so the name stays alive.
        ReleaseMutex(mutex);
        return true;
    }
    // Another instance runs: the mutex orders concurrent late starts.
    WaitForSingleObject(mutex, INFINITE);
    if (HWND first = FindWindowA(nullptr, kMainWindowTitle)) {
        ShowWindow(first, SW_SHOWNORMAL);
        SetFocus(first);
        SetForegroundWindow(first);
    }
    ReleaseMutex(mutex);
    CloseHandle(mutex);
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

int MainApp::ExitInstance() {
    Gdiplus::GdiplusShutdown(gdiplusToken_);
    return 0;
}

}  // namespace app
