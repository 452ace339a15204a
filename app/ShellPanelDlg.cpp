#include "app/ShellPanelDlg.h"
#include "app/EarlyExit.h"
#include "dump/CrashDumpJobs.h"
#include "resource.h"

#include <windowsx.h>

CShellPanelDlg::CShellPanelDlg() : CControlLayerDlg(IDD_KESTRUNE_DIALOG, 1) {}

CShellPanelDlg::~CShellPanelDlg() = default;

void CShellPanelDlg::DoDataExchange()
{
    DDX_Control(IDC_BTN_CLOSE, m_btnClose);
    DDX_Control(IDC_BTN_MINIMIZE, m_btnMinimize);
    DDX_Control(IDC_STATIC_TITLE, m_title);
    DDX_Control(IDC_BTN_SET, m_btnSet);
    DDX_Control(IDC_BTN_EXPORT, m_btnExport);
    DDX_Control(IDC_BTN_MORE_TOOLS, m_btnMoreTools);
    DDX_Control(IDC_CHECK_AGREE, m_chkAgree);
    DDX_Control(IDC_LINK_AGREEMENT, m_linkAgreement);
    DDX_Control(IDC_LINK_FEEDBACK, m_linkFeedback);
    DDX_Control(IDC_STATIC_STATUS, m_status);
}

BOOL CShellPanelDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    if (!m_pBkImage && !LoadPngResource(m_pBkImage, 139))
        return TRUE;
    CCrashDumpJobs jobs;
    if (!jobs.DetectOsClass()) {
        MessageBoxW(m_hWnd, L"此工具不支持当前系统", L"Kestrune", MB_OK);
        ExitEarly();
    }
    if (!m_hook.SetNotifyWindow(m_hWnd) || !m_hook.Install()) {
        MessageBoxW(m_hWnd, L"工具初始化失败", L"Kestrune", MB_OK);
        ExitEarly();
    }
    LayoutControls(true);
    SetTimer(m_hWnd, IDT_LINK_HOVER, 100, nullptr);
    m_bLaidOut = 1;
    return TRUE;
}

void CShellPanelDlg::LayoutControls(bool first)
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
        SetWindowTextW(m_title.m_hWnd, L"1.3.22.1026");
        m_title.SetBkImage(m_pBkImage.get());
        m_title.SetBkSrcRect(188, 16, 328, 31);
        m_title.SetTextFont(0, 0);
        m_title.SetAlign(1);
        m_title.SetBkColor(RGB(255, 255, 255));
        m_title.SetTextColors(RGB(255, 255, 255), RGB(255, 255, 255));
    }
    m_title.MoveWindow(rc);

    // Where the panel's heading goes: the status label shows its dots there for now.
    rc.left = static_cast<int>(60 * s);
    rc.top = static_cast<int>(240 * s);
    rc.right = W - static_cast<int>(60 * s);
    rc.bottom = rc.top + static_cast<int>(20 * s);
    if (first) {
        m_status.SetBkImage(m_pBkImage.get());
        m_status.SetTextFont(0, 0);
        m_status.SetAlign(1);
        m_status.SetTextColorAndRedraw(RGB(255, 255, 255));
        m_status.StartDots();
    }
    m_status.SetBkSrcRect(60, 240, 340, 260);
    m_status.MoveWindow(rc);

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

bool CShellPanelDlg::GetDragStrip(RECT& strip) const
{
    const double s = m_fScale;
    strip = GetClientRect();
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&strip), 2);
    strip.bottom = strip.top + static_cast<int>(30 * s);
    strip.right -= static_cast<int>(86 * s);
    return true;
}

void CShellPanelDlg::OnEraseBackground(HDC dc)
{
    RECT rc = GetClientRect();
    if (!m_pBkImage && !LoadPngResource(m_pBkImage, 139))
        return;
    Gdiplus::Graphics graphics(dc);
    graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    DrawImageRect(graphics, m_pBkImage.get(), 0, 0, rc.right - rc.left, rc.bottom - rc.top, 0, 0,
                  static_cast<int>(m_pBkImage->GetWidth()),
                  static_cast<int>(m_pBkImage->GetHeight()));
}

bool CShellPanelDlg::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_BTN_CLOSE:
        SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
        return true;
    case IDC_BTN_MINIMIZE:
        PostMessageW(GetOwner(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
        return true;
    case IDC_CHECK_AGREE:
        EnableWindow(m_btnSet.m_hWnd, m_chkAgree.GetCheck() == BST_CHECKED);
        m_btnSet.Invalidate(true);
        return true;
    }
    return false;
}

void CShellPanelDlg::OnDestroy()
{
    m_btnClose.FreeStateImages();
    m_btnMinimize.FreeStateImages();
    m_btnSet.FreeStateImages();
    m_btnExport.FreeStateImages();
    m_btnMoreTools.FreeStateImages();
    // The labels paint from the background until their windows are gone.
    m_title.SetBkImage(nullptr);
    m_status.SetBkImage(nullptr);
    m_pBkImage.reset();
    KillTimer(m_hWnd, IDT_LINK_HOVER);
    m_hook.Uninstall();
}

LRESULT CShellPanelDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    case WM_ERASEBKGND:
        OnEraseBackground(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_NCHITTEST:
        m_linkFeedback.UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        m_linkAgreement.UpdateHover(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return HitTestDragStrip(wParam, lParam);
    case WM_TIMER:
        if (wParam == IDT_LINK_HOVER) {
            POINT cursor = {};
            GetCursorPos(&cursor);
            m_linkAgreement.UpdateHover(cursor.x, cursor.y);
        }
        return DefaultProc(message, wParam, lParam);
    case WM_SIZE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        if (m_bLaidOut)
            LayoutControls(false);
        return result;
    }
    case WM_CLOSE:
        // Alt+F4 on the layer closes the window pair through its frame.
        SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
        return 0;
    case WM_HOOK_LBUTTONDOWN:
        return 1;
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
}
