// The application object: one per process, constructed statically; InitInstance runs the program.
#pragma once
#include <windows.h>

class CWindow;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // The whole program; FALSE ends the process instead of entering a message loop.
    virtual BOOL InitInstance() { return FALSE; }

    static CWinApp* GetApp();
    CWindow* m_pMainWnd = nullptr;
};

// Called from wWinMain: runs InitInstance of the one application object; returns the exit code.
int RunWinApp();
// Module whose resources (templates, images, strings) are used; the executable unless set.
HMODULE GetResourceModule();
void SetResourceModule(HMODULE module);
