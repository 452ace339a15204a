#include "app/DrovanixKestruneApp.h"
#include "app/DrovanixKestruneDlg.h"

#include <commctrl.h>

CDrovanixKestruneApp theApp;

BOOL CDrovanixKestruneApp::InitInstance()
{
    m_gdiplus.Startup();
    INITCOMMONCONTROLSEX controls = {sizeof(controls), 0xFF};
    InitCommonControlsEx(&controls);
    {
        CDrovanixKestruneDlg dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();
        m_pMainWnd = nullptr;
    }
    m_gdiplus.Shutdown();
    return FALSE;
}
