#include "app/main_app.h"

#include <commctrl.h>
#include <stdlib.h>

#include "app/admin_check.h"
#include "workflow/files/folder_tree.h"
#include "workflow/window/main_dialog.h"

namespace app {

namespace {

// How long a later start waits for the first to take its image.
constexpr UINT kOpenImageRequestTimeoutMs = 5000;

}  // namespace

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
            // The image this start was given is opened by the first instance.
            const std::string image = ImageOnCommandLine();
            if (!image.empty()) {
                COPYDATASTRUCT request{workflow::MainDialog::kOpenImageCopyData, static_cast<DWORD>(image.size() + 1),
                                       const_cast<char*>(image.c_str())};
                DWORD_PTR answer = 0;
                SendMessageTimeoutA(first, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&request), SMTO_ABORTIFHUNG,
                                    kOpenImageRequestTimeoutMs, &answer);
            }
        }
    }
    return false;
}

std::string MainApp::ImageOnCommandLine() {
    if (__argc < 2 || !__argv || !__argv[1]) return {};
    // Relative to the folder the program was started in: a first instance
    // that takes it over, and the file dialogs, may be in another.
    return workflow::FullPathOf(__argv[1]);
}

int MainApp::Run() {
    {
        workflow::MainDialog dialog(CheckAdministrator);
        dialog.OpenImageAtStart(ImageOnCommandLine());
        dialog.DoModal(nullptr);
    }
    // The main window has gone: queue the quit request so the loop below ends at once.
    PostQuitMessage(0);
    return win::Application::Run();
}

}  // namespace app
