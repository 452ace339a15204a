// Kestrune entry point: the application object does everything.
#include "fw/WinApp.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return RunWinApp();
}
