#include "ui/popups/ExecutePromptChildDlg.h"
#include "resource.h"

CExecutePromptChildDlg::CExecutePromptChildDlg() : CControlLayerDlg(IDD_EXECUTE_PROMPT_CHILD, 0) {}

CExecutePromptChildDlg::~CExecutePromptChildDlg() = default;

void CExecutePromptChildDlg::DoDataExchange()
{
    DDX_Control(IDC_BUSY_TEXT, m_text);
}

BOOL CExecutePromptChildDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    if (m_pBkImage || LoadPngResource(m_pBkImage, 146)) {
        LayoutControls(true);
        m_bLaidOut = 1;
    }
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
    if (!m_pBkImage && !LoadPngResource(m_pBkImage, 146))
        return;
    RECT rc = GetClientRect();
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    CMemoryDC memory(dc);
    CBitmap bitmap(CreateCompatibleBitmap(dc, width, height));
    if (memory.IsNull() || bitmap.IsNull())
        return;
    CSelectObject select(memory.Get(), bitmap.Get());
    {
        Gdiplus::Graphics graphics(memory.Get());
        graphics.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
        DrawImageRect(graphics, m_pBkImage.get(), 0, 0, width, height, 0, 0,
                      static_cast<int>(m_pBkImage->GetWidth()),
                      static_cast<int>(m_pBkImage->GetHeight()));
    }
    BitBlt(dc, 0, 0, width, height, memory.Get(), 0, 0, SRCCOPY);
}

void CExecutePromptChildDlg::OnDestroy()
{
    // The label paints from the background until its window is gone.
    m_text.SetBkImage(nullptr);
    m_pBkImage.reset();
    if (m_text.m_hWnd != nullptr)
        m_text.ResetDots();
}

LRESULT CExecutePromptChildDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
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
    case WM_SIZE: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        if (m_bLaidOut)
            LayoutControls(false);
        return result;
    }
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
}
