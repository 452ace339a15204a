#include "ui/frame/ControlLayerDlg.h"
#include "ui/controls/SkinImage.h"
#include "ui/frame/LayeredFrameDlg.h"

#include <windowsx.h>

CControlLayerDlg::CControlLayerDlg(UINT templateId, int captionDrag, unsigned backgroundPng)
    : CDialog(templateId), m_bCaptionDrag(captionDrag), m_nBackgroundPng(backgroundPng)
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

void CControlLayerDlg::TakePlacement()
{
    if (m_rcPlacement.right > m_rcPlacement.left && m_rcPlacement.bottom > m_rcPlacement.top)
        MoveWindow(m_rcPlacement);
}

bool CControlLayerDlg::LoadBackground()
{
    return m_pBkImage || LoadPngResource(m_pBkImage, m_nBackgroundPng);
}

void CControlLayerDlg::LayOutFirstTime()
{
    if (LoadBackground()) {
        LayoutControls(true);
        m_bLaidOut = 1;
    }
}

void CControlLayerDlg::DrawBackground(HDC dc, const RECT& rc)
{
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    DrawImageRect(graphics, m_pBkImage.get(), rc.left, rc.top, rc.right - rc.left,
                  rc.bottom - rc.top, 0, 0, static_cast<int>(m_pBkImage->GetWidth()),
                  static_cast<int>(m_pBkImage->GetHeight()));
}

void CControlLayerDlg::OnEraseBackground(HDC dc)
{
    if (LoadBackground())
        DrawBackground(dc, GetClientRect());
}

LRESULT CControlLayerDlg::OnLayerMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        OnDestroy();
        m_pBkImage.reset();
        return result;
    }
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_SIZE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        if (m_bLaidOut)
            LayoutControls(false);
        return result;
    }
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
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
