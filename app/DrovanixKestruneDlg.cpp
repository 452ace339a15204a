#include "app/DrovanixKestruneDlg.h"
#include "app/AboutDlg.h"
#include "app/RemoveOwnFolder.h"
#include "ui/popups/ProblemSolvingFeedbackDlg.h"
#include "fw/WinApp.h"
#include "resource.h"

namespace {

const ShadowMargins kMainMargins = {5, 4, 5, 7};
const int kFrameWidth = 410;
const int kFrameHeight = 611;

}  // namespace

CDrovanixKestruneDlg::CDrovanixKestruneDlg(HWND parent)
    : CLayeredFrameDlg(IDD_DROVANIXKESTRUNE_DIALOG, parent, kMainMargins, 0),
      m_hIcon(LoadIconW(GetResourceModule(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CDrovanixKestruneDlg::~CDrovanixKestruneDlg()
{
    delete m_pChildDlg;
}

BOOL CDrovanixKestruneDlg::OnInitDialog()
{
    CDialog::OnInitDialog();

    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    if (menu != nullptr) {
        wchar_t about[256] = {};
        if (LoadStringW(GetResourceModule(), IDS_ABOUTBOX, about, 256) > 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, kAboutCommand, about);
        }
    }
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    SetWindowTextW(m_hWnd, L"Kestrune");

    m_fScale = QueryDisplayScale();
    const double s = m_fScale;
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT target;
    target.left = screenWidth / 2 - static_cast<int>(s * kFrameWidth / 2);
    target.top = screenHeight / 2 - static_cast<int>(s * kFrameHeight / 2);
    target.right = static_cast<int>(s * kFrameWidth) + target.left;
    target.bottom = static_cast<int>(s * kFrameHeight) + target.top;

    if (!PaintLayered(m_pBkImage, 138, target.right - target.left, target.bottom - target.top))
        return TRUE;
    // The frame is never painted again: its decoded megabyte is not kept for the process's life.
    m_pBkImage.reset();

    m_pChildDlg = new CKestruneDlg();
    m_pChildDlg->m_fScale = m_fScale;
    m_pChildDlg->m_rcPlacement = ChildLayerRect(target, 5, 4, 10, 11);
    m_pChildDlg->Create(m_hWnd);
    // The panel's moves place the frame around it (FitToChild), centred on the screen.
    ShowChildLayer(*m_pChildDlg, m_pChildDlg->m_rcPlacement);
    return TRUE;
}

void CDrovanixKestruneDlg::OnSysCommand(WPARAM id, LPARAM lParam)
{
    if ((id & 0xFFF0) == kAboutCommand) {
        CAboutDlg about;
        about.DoModal();
        return;
    }
    DefaultProc(WM_SYSCOMMAND, id, lParam);
}

void CDrovanixKestruneDlg::OnPaint()
{
    if (!IsIconic(m_hWnd)) {
        DefaultProc(WM_PAINT, 0, 0);
        return;
    }
    CPaintDC paint(m_hWnd);
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(paint.Get()), 0);
    RECT rc = GetClientRect();
    int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(paint.Get(), x, y, m_hIcon);
}

void CDrovanixKestruneDlg::OnDestroy()
{
    m_pBkImage.reset();
    delete m_pChildDlg;
    m_pChildDlg = nullptr;
    RemoveOwnFolder();
}

LRESULT CDrovanixKestruneDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SYSCOMMAND:
        OnSysCommand(wParam, lParam);
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_CLOSE:
        // Before the main window goes, the user says whether the problem was solved.
        if (m_pChildDlg != nullptr)
            RunProblemSolvedFeedback(&m_pChildDlg->m_feedbackLib, m_pChildDlg->m_nDeviceType);
        break;
    case WM_DESTROY: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    }
    return CLayeredFrameDlg::WindowProc(message, wParam, lParam);
}
