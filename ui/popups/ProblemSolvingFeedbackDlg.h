// The problem-solved feedback popup shown when the main window closes: a skinned modal pair
// (layered frame with shadow around its control layer) asking whether the problem was solved.
#pragma once
#include "ui/frame/LayeredFrameDlg.h"
#include "ui/popups/ProblemSolvingFeedbackChildDlg.h"

class CFeedbackLibrary;

class CProblemSolvingFeedbackDlg : public CLayeredFrameDlg {
public:
    // parent: the owner; without one the main window's last active popup owns the popup.
    explicit CProblemSolvingFeedbackDlg(HWND parent = nullptr);
    ~CProblemSolvingFeedbackDlg() override;

    // Set before DoModal; the popup takes its scale from the display itself. DoModal always
    // answers IDCANCEL, after the answer has been reported.
    CFeedbackLibrary* m_pFeedbackLib = nullptr;
    int m_nDeviceType = 0;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND GetChildLayer() const override { return m_pChildDlg ? m_pChildDlg->m_hWnd : nullptr; }

private:
    CImagePtr m_pBkImage;
    CProblemSolvingFeedbackChildDlg* m_pChildDlg = nullptr;
};

// Asks the user, reports the answer through lib (nothing is reported without one) and returns
// once the popup has closed; for the main frame's close.
void RunProblemSolvedFeedback(CFeedbackLibrary* lib, int deviceType);
