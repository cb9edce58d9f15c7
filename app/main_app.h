#pragma once
// The application object: single instance per user, GDI+ for the program's
// lifetime, and the main window run modally.
#include <windows.h>

#include <optional>
#include <string>

#include "win/application.h"
#include "win/gdiplus_session.h"
#include "win/handles.h"

namespace app {

inline constexpr char kMutexName[] = "NorvaleVantreo Mutex";
inline constexpr char kMainWindowTitle[] = "Norvale Vantreo";

class MainApp : public win::Application {
public:
    bool InitInstance() override;
    int Run() override;

private:
    // A disk image named on the command line ("vantreo.exe card.img"), or none.
    static std::string ImageOnCommandLine();

    // Open for the life of the first instance, so the name stays alive for
    // later starts to find. Declared before the GDI+ session so that it is
    // closed after GDI+ has shut down, as when the process ended with it open.
    win::UniqueHandle m_instanceMutex;
    // Ends with the application object, after Run has destroyed the main
    // window and every GDI+ object with it.
    std::optional<win::GdiplusSession> m_gdiplus;
};

}  // namespace app
