#pragma once
// The process's application object: InitInstance decides whether to run, Run
// runs the program and returns the exit code, ExitInstance tidies up.
#include <windows.h>

namespace win {

class Application {
public:
    Application() = default;
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;
    virtual ~Application() = default;

    // The whole life of the program; returns the process exit code.
    int Main();

    virtual bool InitInstance() { return true; }
    // Pumps messages until WM_QUIT, then returns ExitInstance().
    virtual int Run();
    virtual int ExitInstance() { return 0; }
};

}  // namespace win
