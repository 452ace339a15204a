// Kestrune entry point: the application object does everything.
#include "app/StartupTrace.h"
#include "fw/WinApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    StartupTraceBegin();
    return RunWinApp();
}
