// The tool panel's look: control placement from the 400 x 600 design at the display's scale,
// skinning, the background and heading, the drag strip and the links' hover tracking.
#include "dump/KestruneDlg.h"
#include "resource.h"

#include <windowsx.h>

void CKestruneDlg::LayoutControls(bool first)
{
    m_rcClient = GetClientRect();
    const double s = m_fScale;
    const int W = m_rcClient.right - m_rcClient.left;
    const int H = m_rcClient.bottom - m_rcClient.top;
    RECT rc;

    rc.left = static_cast<int>(W - 31.2 * s);
    rc.top = 0;
    rc.right = static_cast<int>(rc.left + 26 * s);
    rc.bottom = static_cast<int>(34 * s);
    if (first) {
        m_btnClose.m_fScale = m_fScale;
        m_btnClose.SetStateImages(141, 142, 143, 144);
    }
    m_btnClose.MoveWindow(rc);

    rc.left = static_cast<int>(W - 59.8 * s);
    rc.right = static_cast<int>(rc.left + 26 * s);
    if (first) {
        m_btnMinimize.m_fScale = m_fScale;
        m_btnMinimize.SetStateImages(147, 148, 149, 150);
    }
    m_btnMinimize.MoveWindow(rc);

    rc.left = static_cast<int>(188 * s);
    rc.top = static_cast<int>(16 * s);
    rc.right = rc.left + static_cast<int>(140 * s);
    rc.bottom = rc.top + static_cast<int>(15 * s);
    if (first) {
        SetWindowTextW(m_title.m_hWnd, kToolVersion);
        m_title.SetBkImage(m_pBkImage.get());
        m_title.SetBkSrcRect(188, 16, 328, 31);
        m_title.SetTextFont(0, 0);
        m_title.SetAlign(1);
        m_title.SetBkColor(RGB(255, 255, 255));
        m_title.SetTextColors(RGB(255, 255, 255), RGB(255, 255, 255));
    }
    m_title.MoveWindow(rc);

    rc.left = static_cast<int>(60 * s);
    rc.top = static_cast<int>(300 * s - 30 * s);
    rc.right = W - static_cast<int>(60 * s);
    rc.bottom = rc.top + static_cast<int>(20 * s);
    m_listDumpType.MoveWindow(rc);

    rc.left = static_cast<int>(200 * s - 170 * s);
    rc.top = static_cast<int>(300 * s + 5 * s);
    rc.right = rc.left + static_cast<int>(136 * s);
    rc.bottom = rc.top + static_cast<int>(47 * s);
    if (first) {
        m_btnSet.SetParentImage(m_pBkImage.get());
        m_btnSet.SetBackdropRect(30, 305, 166, 352);
        m_btnSet.SetHitMargins(0, 0, 0, 0);
        m_btnSet.SetStateImages(200, 201, 202, 203);
    }
    m_btnSet.MoveWindow(rc);

    rc.left = static_cast<int>(200 * s);
    rc.right = rc.left + static_cast<int>(168 * s);
    if (first) {
        m_btnExport.SetParentImage(m_pBkImage.get());
        m_btnExport.SetBackdropRect(200, 305, 368, 352);
        m_btnExport.SetHitMargins(0, 0, 0, 0);
        m_btnExport.SetStateImages(196, 197, 198, 199);
    }
    m_btnExport.MoveWindow(rc);

    RECT backdrop;
    if (W > 400) {
        rc.left = static_cast<int>(50 * s);
        rc.top = H - static_cast<int>(55 * s);
        rc.right = rc.left + static_cast<int>(58 * s);
        rc.bottom = rc.top + static_cast<int>(18 * s);
        backdrop = {50, 545, 108, 563};
    } else {
        rc = {50, H - 55, 108, H - 37};
        backdrop = rc;
    }
    if (first) {
        m_btnMoreTools.SetParentImage(m_pBkImage.get());
        m_btnMoreTools.SetBackdropRect(backdrop.left, backdrop.top, backdrop.right, backdrop.bottom);
        m_btnMoreTools.SetHitMargins(0, 0, 0, 0);
        m_btnMoreTools.SetStateImages(155, 156, 157, 158);
    }
    m_btnMoreTools.MoveWindow(rc);
    // A service client offers its own tools: the button is for everyone else.
    ShowWindow(m_btnMoreTools.m_hWnd, m_nDeviceType > 0 ? SW_HIDE : SW_SHOW);

    // c: a fourteenth of the agreement sentence's width in the frame's font.
    HWND frame = GetOwner();
    int c = 0;
    int feedbackWidth = 0;
    {
        CClientDC dc(m_hWnd);
        c = MeasureTextWidth(frame, dc.Get(), L"同意《Orlavi服务工具使用许可协议》", 0, 0) / 14;
        feedbackWidth = MeasureTextWidth(frame, dc.Get(), L"反馈问题", 0, 0);
    }
    rc.left = static_cast<int>(8 * s);
    rc.top = static_cast<int>(H - 25 * s);
    rc.right = static_cast<int>(rc.left + 16 * s + 2 * c + 2);
    rc.bottom = static_cast<int>(rc.top + 20 * s);
    if (first) {
        m_chkAgree.SetFontFromParent();
        m_chkAgree.m_fScale = m_fScale;
        m_chkAgree.SetCheck(BST_CHECKED);
    }
    m_chkAgree.MoveWindow(rc);

    rc.left = rc.right + 6;
    rc.right = rc.left + 14 * c;
    if (first) {
        m_linkAgreement.SetTextFont(0, 0);
        m_linkAgreement.SetAlign(1);
        m_linkAgreement.SetBkColor(RGB(255, 255, 255));
        m_linkAgreement.SetTextColors(RGB(92, 92, 255), RGB(0, 0, 255));
    }
    m_linkAgreement.MoveWindow(rc);

    int w = static_cast<int>(feedbackWidth + 4 * s + 2 + 6);
    rc.left = W - w - 6;
    rc.right = rc.left + w;
    if (first) {
        m_linkFeedback.SetTextFont(0, 0);
        m_linkFeedback.SetAlign(1);
        m_linkFeedback.SetBkColor(RGB(255, 255, 255));
        m_linkFeedback.SetTextColors(RGB(92, 92, 255), RGB(0, 0, 255));
    }
    m_linkFeedback.MoveWindow(rc);
}

void CKestruneDlg::OnEraseBackground(HDC dc)
{
    RECT rc = GetClientRect();
    if (!LoadBackground())
        return;
    DrawBackground(dc, rc);
    if (!m_bFontCreated) {
        CreateFontFromWindow(GetOwner(), 0, 0, m_font);
        m_bFontCreated = 1;
    }
    const double s = m_fScale;
    const int W = rc.right - rc.left;
    SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = SelectObject(dc, m_font.Get());
    SetTextColor(dc, RGB(255, 255, 255));
    const wchar_t heading[] = L"请选择蓝屏调试设置";
    RECT measure = {static_cast<int>(60 * s), static_cast<int>(240 * s),
                    W - static_cast<int>(60 * s), 0};
    measure.bottom = measure.top + 10;
    DrawTextW(dc, heading, -1, &measure, DT_CALCRECT | DT_EXTERNALLEADING | DT_SINGLELINE);
    RECT text = {static_cast<int>(60 * s), static_cast<int>(240 * s), W - static_cast<int>(60 * s),
                 0};
    text.bottom = text.top + (measure.bottom - measure.top);
    DrawTextW(dc, heading, -1, &text, DT_EXTERNALLEADING | DT_SINGLELINE | DT_VCENTER);
    SelectObject(dc, oldFont);
}

LRESULT CKestruneDlg::OnNcHitTest(WPARAM wParam, LPARAM lParam)
{
    m_linkFeedback.UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    m_linkAgreement.UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    return HitTestDragStrip(wParam, lParam);
}

bool CKestruneDlg::GetDragStrip(RECT& strip) const
{
    const double s = m_fScale;
    strip = GetClientRect();
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&strip), 2);
    strip.bottom = strip.top + static_cast<int>(30 * s);
    strip.right -= static_cast<int>(86 * s);
    return true;
}
