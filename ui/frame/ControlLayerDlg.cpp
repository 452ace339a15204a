#include "ui/frame/ControlLayerDlg.h"
#include "ui/frame/LayeredFrameDlg.h"

#include <windowsx.h>

CControlLayerDlg::CControlLayerDlg(UINT templateId, int captionDrag)
    : CDialog(templateId), m_bCaptionDrag(captionDrag)
{
}

bool CControlLayerDlg::PreTranslateMessage(MSG* msg)
{
    if (IsEscapeOrEnterKeyDown(msg))
        return true;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CControlLayerDlg::HitTestDragStrip(WPARAM wParam, LPARAM lParam)
{
    RECT strip = {};
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (GetDragStrip(strip) && PtInRect(&strip, point)) {
        m_bCaptionDrag = 1;
        return HTCAPTION;
    }
    m_bCaptionDrag = 0;
    return DefaultProc(WM_NCHITTEST, wParam, lParam);
}

LRESULT CControlLayerDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCHITTEST:
        return HitTestDragStrip(wParam, lParam);
    case WM_MOVE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        auto* frame = dynamic_cast<CLayeredFrameDlg*>(CWindow::FromHandle(GetOwner()));
        if (m_bCaptionDrag && frame != nullptr) {
            RECT rc = GetWindowRect();
            frame->FitToChild(rc.left, rc.top, rc.right, rc.bottom);
        }
        return result;
    }
    }
    return CDialog::WindowProc(message, wParam, lParam);
}
