// The application object: starts GDI+ and the common controls, runs the main frame as the one
// modal dialog of the program's life, and shuts GDI+ down.
#pragma once
#include "fw/GdiPlus.h"
#include "fw/WinApp.h"

class CDrovanixKestruneApp : public CWinApp {
public:
    BOOL InitInstance() override;

private:
    CGdiplusSession m_gdiplus;
};
