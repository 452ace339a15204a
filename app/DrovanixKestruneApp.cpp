#include "app/DrovanixKestruneApp.h"
#include "app/DrovanixKestruneDlg.h"
#include "app/StartupTrace.h"

#include <commctrl.h>

CDrovanixKestruneApp theApp;

BOOL CDrovanixKestruneApp::InitInstance()
{
    m_gdiplus.Startup();
    StartupMark("GDI+ start");
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    StartupMark("common controls 6");
    {
        CDrovanixKestruneDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    m_gdiplus.Shutdown();
    return FALSE;
}
