#pragma once
// The application object: single instance per user, GDI+ for the program's
// lifetime, and the main window run modally.
#include <windows.h>

#include "win/application.h"

namespace app {

inline constexpr char kMutexName[] = "NorvaleVantreo Mutex";
inline constexpr char kMainWindowTitle[] = "Norvale Vantreo";

class MainApp : public win::Application {
public:
    bool InitInstance() override;
    int Run() override;
    int ExitInstance() override;

private:
    ULONG_PTR gdiplusToken_ = 0;
};

}  // namespace app
