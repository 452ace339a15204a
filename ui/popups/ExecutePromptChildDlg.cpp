#include "ui/popups/ExecutePromptChildDlg.h"
#include "resource.h"

namespace {

const unsigned kLayerPng = 146;

}  // namespace

CExecutePromptChildDlg::CExecutePromptChildDlg()
    : CControlLayerDlg(IDD_EXECUTE_PROMPT_CHILD, 0, kLayerPng)
{
}

CExecutePromptChildDlg::~CExecutePromptChildDlg() = default;

void CExecutePromptChildDlg::DoDataExchange()
{
    DDX_Control(IDC_BUSY_TEXT, m_text);
}

BOOL CExecutePromptChildDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    LayOutFirstTime();
    return TRUE;
}

void CExecutePromptChildDlg::StopAnimation()
{
    if (m_text.m_hWnd == nullptr)
        return;
    m_text.StopDots();
    // The modal loop ends right after this, so nothing else would paint the cleared dots.
    UpdateWindow(m_text.m_hWnd);
}

void CExecutePromptChildDlg::LayoutControls(bool init)
{
    const RECT r = GetClientRect();
    const double s = m_fScale;
    const int h = r.bottom - r.top;

    SetWindowTextW(m_text.m_hWnd, m_strText.size() < 2 ? L"正在修复，请稍等" : m_strText.c_str());
    m_text.SetAlign(5);
    m_text.SetTextColorAndRedraw(RGB(255, 255, 255));

    RECT rc;
    rc.left = static_cast<int>(r.left + 10 * s);
    rc.top = static_cast<int>(r.top + h / 2 - 20 * s);
    rc.right = static_cast<int>(r.right - 10 * s);
    rc.bottom = static_cast<int>(rc.top + 40 * s);
    if (init) {
        m_text.SetBkImage(m_pBkImage.get());
        m_text.SetTextFont(0, 0);
        m_text.StartDots();
    }
    // The label's own place on the unscaled background.
    m_text.SetBkSrcRect(10, 32, 194, 72);
    m_text.MoveWindow(rc);
}

void CExecutePromptChildDlg::OnEraseBackground(HDC dc)
{
    if (!LoadBackground())
        return;
    RECT rc = GetClientRect();
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    DrawBuffered(dc, width, height,
                 [&](HDC memory) { DrawBackground(memory, {0, 0, width, height}); });
}

void CExecutePromptChildDlg::OnDestroy()
{
    // The label paints from the background until its window is gone.
    m_text.SetBkImage(nullptr);
    if (m_text.m_hWnd != nullptr)
        m_text.ResetDots();
}

LRESULT CExecutePromptChildDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
    case WM_ERASEBKGND:
    case WM_SIZE:
        return OnLayerMessage(message, wParam, lParam);
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
}
