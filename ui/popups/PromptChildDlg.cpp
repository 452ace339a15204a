#include "ui/popups/PromptChildDlg.h"
#include "resource.h"
#include "ui/frame/LayeredFrameDlg.h"

namespace {

const unsigned kLayerPng = 160;
// Design sizes in pixels of the unscaled 320 x 140 background.
const int kButtonWidth = 55;
const int kButtonHeight = 24;
const int kButtonTop = 107;
const int kButtonGap = 12;

}  // namespace

CPromptChildDlg::CPromptChildDlg() : CControlLayerDlg(IDD_PROMPT_CHILD, 0, kLayerPng) {}

CPromptChildDlg::~CPromptChildDlg() = default;

void CPromptChildDlg::DoDataExchange()
{
    DDX_Control(IDC_PROMPT_CLOSE, m_btnClose);
    DDX_Control(IDC_PROMPT_OK, m_btnOk);
    DDX_Control(IDC_PROMPT_CANCEL, m_btnCancel);
    DDX_Control(IDC_PROMPT_TEXT, m_text);
}

BOOL CPromptChildDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    LayOutFirstTime();
    return TRUE;
}

void CPromptChildDlg::LayoutControls(bool init)
{
    const RECT r = GetClientRect();
    const double s = m_fScale;
    const int w = r.right - r.left;
    RECT rc;

    rc.left = r.right - static_cast<int>(26 * s);
    rc.top = r.top + static_cast<int>(8 * s);
    rc.right = rc.left + static_cast<int>(12 * s);
    rc.bottom = rc.top + static_cast<int>(12 * s);
    if (init) {
        m_btnClose.m_fScale = m_fScale;
        m_btnClose.SetParentImage(m_pBkImage.get());
        m_btnClose.SetBackdropRect(321, 8, 333, 20);
        m_btnClose.SetStateImages(164, 165, 166, 166);
    }
    m_btnClose.MoveWindow(rc);

    // OK and Cancel keep the scale 1.0: their images are drawn whole.
    rc.left = static_cast<int>(w / 2 - kButtonWidth * s - kButtonGap * s);
    rc.top = r.top + static_cast<int>(kButtonTop * s);
    rc.right = rc.left + static_cast<int>(kButtonWidth * s);
    rc.bottom = rc.top + static_cast<int>(kButtonHeight * s);
    if (init) {
        m_btnOk.SetParentImage(m_pBkImage.get());
        m_btnOk.SetBackdropRect(106, 107, 161, 131);
    }
    m_btnOk.MoveWindow(rc);

    rc.left = static_cast<int>(w / 2 + kButtonGap * s);
    rc.right = rc.left + static_cast<int>(kButtonWidth * s);
    if (init) {
        m_btnCancel.SetParentImage(m_pBkImage.get());
        m_btnCancel.SetBackdropRect(185, 107, 240, 131);
    }
    m_btnCancel.MoveWindow(rc);

    ApplyButtonMode(init, w);

    rc.left = r.left + static_cast<int>(10 * s);
    rc.top = r.top + static_cast<int>(40 * s);
    rc.right = r.right - static_cast<int>(10 * s);
    rc.bottom = r.bottom - static_cast<int>(40 * s);
    if (init)
        m_text.SetTextFont(0, 0);
    SetWindowTextW(m_text.m_hWnd, m_strText.c_str());
    m_text.MoveWindow(rc);
}

void CPromptChildDlg::ApplyButtonMode(bool init, int width)
{
    if (init) {
        if (m_nMode == Yes || m_nMode == YesNo) {
            m_btnOk.SetStateImages(173, 174, 175, 175);      // 是
            m_btnCancel.SetStateImages(167, 168, 169, 169);  // 否
        } else {
            m_btnOk.SetStateImages(170, 171, 172, 172);      // 确认
            m_btnCancel.SetStateImages(161, 162, 163, 163);  // 取消
        }
    }
    if (m_nMode == YesNo || m_nMode == ConfirmCancel) {
        ShowWindow(m_btnOk.m_hWnd, SW_SHOW);
        ShowWindow(m_btnCancel.m_hWnd, SW_SHOW);
        return;
    }
    const double s = m_fScale;
    ShowWindow(m_btnOk.m_hWnd, SW_SHOW);
    ShowWindow(m_btnCancel.m_hWnd, SW_HIDE);
    RECT rc;
    rc.left = static_cast<int>(width / 2 - kButtonWidth * s / 2);
    rc.top = static_cast<int>(kButtonTop * s);
    rc.right = rc.left + static_cast<int>(kButtonWidth * s);
    rc.bottom = rc.top + static_cast<int>(kButtonHeight * s);
    m_btnOk.MoveWindow(rc);
}

bool CPromptChildDlg::GetDragStrip(RECT& strip) const
{
    // The title band, without the close button's corner; unscaled on purpose.
    strip = GetClientRect();
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&strip), 2);
    strip.bottom = strip.top + 30;
    strip.right -= 26;
    return true;
}

bool CPromptChildDlg::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_PROMPT_OK:
        SendMessageW(GetOwner(), WM_PROMPT_RESULT, 1, 0);
        return true;
    case IDC_PROMPT_CANCEL:
        SendMessageW(GetOwner(), WM_PROMPT_RESULT, 2, 0);
        return true;
    case IDC_PROMPT_CLOSE:
        SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
        return true;
    }
    return false;
}

void CPromptChildDlg::OnDestroy()
{
    m_btnClose.FreeStateImages();
    m_btnOk.FreeStateImages();
    m_btnCancel.FreeStateImages();
    // The buttons paint from the background until their windows are gone.
    m_btnClose.SetParentImage(nullptr);
    m_btnOk.SetParentImage(nullptr);
    m_btnCancel.SetParentImage(nullptr);
}

LRESULT CPromptChildDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (IsSystemClose(message, wParam))
        return 0;
    switch (message) {
    case WM_DESTROY:
    case WM_ERASEBKGND:
    case WM_SIZE:
        return OnLayerMessage(message, wParam, lParam);
    }
    return CControlLayerDlg::WindowProc(message, wParam, lParam);
}
