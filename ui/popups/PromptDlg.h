// The program's message box: a skinned modal prompt (layered frame with shadow around its control
// layer) showing one message and one or two image buttons.
#pragma once
#include "ui/frame/LayeredFrameDlg.h"
#include "ui/popups/PromptChildDlg.h"

class CPromptDlg : public CLayeredFrameDlg {
public:
    // parent: the owner; without one the main window's last active popup owns the prompt.
    explicit CPromptDlg(HWND parent = nullptr);
    ~CPromptDlg() override;

    // Before DoModal, like m_fScale (the caller's scale; the prompt does not ask the display).
    void SetPromptText(const std::wstring& text) { m_strText = text; }
    // A PromptButtons value; false (mode unchanged) for anything else.
    bool SetButtonMode(int mode);

    // DoModal: IDOK for the OK button, IDCANCEL for Cancel or the close button.

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND GetChildLayer() const override { return m_pChildDlg ? m_pChildDlg->m_hWnd : nullptr; }

private:
    CImagePtr m_pBkImage;
    std::wstring m_strText;
    int m_nMode = Yes;
    CPromptChildDlg* m_pChildDlg = nullptr;
};
