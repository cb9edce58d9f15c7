#include <windows.h>

#include "app/main_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    app::MainApp application;
    return application.Main();
}
