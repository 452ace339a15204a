#include "ui/popups/ExecutePromptDlg.h"
#include "ui/popups/BusyMessages.h"
#include "resource.h"

namespace {

const ShadowMargins kBusyMargins = {14, 12, 14, 16};
const int kFrameWidth = 232;
const int kFrameHeight = 132;

}  // namespace

CExecutePromptDlg::CExecutePromptDlg(HWND parent)
    : CLayeredFrameDlg(IDD_EXECUTE_PROMPT, parent, kBusyMargins, 1)
{
}

CExecutePromptDlg::~CExecutePromptDlg()
{
    delete m_pChildDlg;
}

void CExecutePromptDlg::RequestClose()
{
    if (IsWindow())
        CloseNow();
    else if (!m_bEnded)
        m_bCloseRequested = true;
}

void CExecutePromptDlg::CloseNow()
{
    m_bCloseRequested = false;
    if (m_pChildDlg != nullptr && m_pChildDlg->IsWindow())
        m_pChildDlg->StopAnimation();
    CDialog::OnOK();
    // A request sent from another thread is handled inside the loop's GetMessage, which would then
    // sleep on until some later input: a posted message lets the loop see that it has ended.
    PostMessageW(m_hWnd, WM_NULL, 0, 0);
}

BOOL CExecutePromptDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bEnded = false;
    const double s = m_fScale;
    RECT rc = GetWindowRect();
    int width = static_cast<int>(rc.left + kFrameWidth * s) - rc.left;
    int height = static_cast<int>(rc.top + kFrameHeight * s) - rc.top;
    if (PaintLayered(m_pBkImage, 145, width, height)) {
        rc = GetWindowRect();
        m_pChildDlg = new CExecutePromptChildDlg();
        m_pChildDlg->m_fScale = m_fScale;
        m_pChildDlg->m_strText = m_strText;
        m_pChildDlg->Create(m_hWnd);
        ShowChildLayer(*m_pChildDlg, rc, 14, 12, 28, 28);
    }
    // The job may already be over (a probe on a machine without dumps takes microseconds).
    if (m_bCloseRequested)
        CloseNow();
    return TRUE;
}

void CExecutePromptDlg::OnDestroy()
{
    m_bEnded = true;
    m_bCloseRequested = false;
    m_pBkImage.reset();
    delete m_pChildDlg;
    m_pChildDlg = nullptr;
}

LRESULT CExecutePromptDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE_BUSY_PROMPT:
        RequestClose();
        return 0;
    case WM_DESTROY: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        OnDestroy();
        return result;
    }
    }
    return CLayeredFrameDlg::WindowProc(message, wParam, lParam);
}
