// The busy popup: a modal please-wait window (layered frame with shadow around its control layer)
// that stays until its close request arrives, as WM_CLOSE_BUSY_PROMPT to the frame or through
// RequestClose. The user cannot close it.
#pragma once
#include "ui/frame/LayeredFrameDlg.h"
#include "ui/popups/ExecutePromptChildDlg.h"

class CExecutePromptDlg : public CLayeredFrameDlg {
public:
    // parent: the owner (the tool panel passes itself).
    explicit CExecutePromptDlg(HWND parent = nullptr);
    ~CExecutePromptDlg() override;

    // Before DoModal, like m_fScale (the caller's scale). Fewer than 2 characters show a
    // general waiting text instead.
    void SetBusyText(const std::wstring& text) { m_strText = text; }

    // Ends the popup with IDOK. UI thread only; safe before, during and after DoModal: a request
    // made before the popup runs ends it as soon as its window exists (it is never shown), one made
    // after it has ended is ignored, so it can never end a later run.
    void RequestClose();

    // DoModal: IDOK once closed by its request.

protected:
    BOOL OnInitDialog() override;
    // The user's ways to end a dialog (Alt+F4, IDOK, IDCANCEL) do nothing here.
    void OnOK() override {}
    void OnCancel() override {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND GetChildLayer() const override { return m_pChildDlg ? m_pChildDlg->m_hWnd : nullptr; }

private:
    void CloseNow();
    void OnDestroy();

    CImagePtr m_pBkImage;
    std::wstring m_strText;
    CExecutePromptChildDlg* m_pChildDlg = nullptr;
    // A request that came before the window existed, taken up by the initialisation.
    bool m_bCloseRequested = false;
    // The popup has run and ended: later requests belong to no run of it.
    bool m_bEnded = false;
};
