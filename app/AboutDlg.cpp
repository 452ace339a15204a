#include "app/AboutDlg.h"
#include "resource.h"
#include "ui/frame/LayeredFrameDlg.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::PreTranslateMessage(MSG* msg)
{
    if (IsEscapeOrEnterKeyDown(msg))
        return true;
    return CDialog::PreTranslateMessage(msg);
}
