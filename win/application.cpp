#include "win/application.h"

namespace win {

int Application::Main() {
    if (!InitInstance()) return ExitInstance();
    return Run();
}

int Application::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ExitInstance();
}

}  // namespace win
