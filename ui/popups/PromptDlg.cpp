#include "ui/popups/PromptDlg.h"
#include "resource.h"

namespace {

const ShadowMargins kPromptMargins = {5, 3, 5, 7};
// The frame image (330 x 150) is drawn stretched to this size.
const int kFrameWidth = 336;
const int kFrameHeight = 156;

}  // namespace

CPromptDlg::CPromptDlg(HWND parent) : CLayeredFrameDlg(IDD_PROMPT, parent, kPromptMargins, 1) {}

CPromptDlg::~CPromptDlg()
{
    delete m_pChildDlg;
}

bool CPromptDlg::SetButtonMode(int mode)
{
    if (mode < Yes || mode > ConfirmCancel)
        return false;
    m_nMode = mode;
    return true;
}

BOOL CPromptDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    const double s = m_fScale;
    int left = GetSystemMetrics(SM_CXSCREEN) / 2 - static_cast<int>(kFrameWidth * s / 2);
    int top = GetSystemMetrics(SM_CYSCREEN) / 2 - static_cast<int>(kFrameHeight * s / 2);
    int width = static_cast<int>(left + kFrameWidth * s) - left;
    int height = static_cast<int>(top + kFrameHeight * s) - top;
    // Only the size is used: the frame stays where it is until the framework centres it.
    if (!PaintLayered(m_pBkImage, 159, width, height))
        return TRUE;

    RECT rc = GetWindowRect();
    m_pChildDlg = new CPromptChildDlg();
    m_pChildDlg->m_fScale = m_fScale;
    m_pChildDlg->m_strText = m_strText;
    m_pChildDlg->m_nMode = m_nMode;
    m_pChildDlg->Create(m_hWnd);
    ShowChildLayer(*m_pChildDlg, rc, 5, 3, 10, 10);
    return TRUE;
}

LRESULT CPromptDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only the buttons answer a prompt.
    if (IsSystemClose(message, wParam))
        return 0;
    switch (message) {
    case WM_PROMPT_RESULT:
        if (wParam == 1)
            OnOK();
        else
            OnCancel();
        return 0;
    case WM_DESTROY: {
        LRESULT result = DefaultProc(message, wParam, lParam);
        m_pBkImage.reset();
        delete m_pChildDlg;
        m_pChildDlg = nullptr;
        return result;
    }
    }
    return CLayeredFrameDlg::WindowProc(message, wParam, lParam);
}
