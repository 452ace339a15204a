#include "ui/popups/ProblemSolvingFeedbackDlg.h"
#include "resource.h"

namespace {

const ShadowMargins kFeedbackMargins = {5, 4, 5, 7};
const int kFrameWidth = 410;
const int kFrameHeight = 479;
const unsigned kFramePng = 176;

}  // namespace

CProblemSolvingFeedbackDlg::CProblemSolvingFeedbackDlg(HWND parent)
    : CLayeredFrameDlg(IDD_PROBLEM_SOLVING_FEEDBACK, parent, kFeedbackMargins, 1)
{
}

CProblemSolvingFeedbackDlg::~CProblemSolvingFeedbackDlg()
{
    delete m_pChildDlg;
}

BOOL CProblemSolvingFeedbackDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowTextW(m_hWnd, L"Kestrune");
    m_fScale = QueryDisplayScale();
    const double s = m_fScale;
    // The size as the main frame computes its own; the frame stays put until the framework
    // centres it over its owner.
    int left = GetSystemMetrics(SM_CXSCREEN) / 2 - static_cast<int>(s * kFrameWidth / 2);
    int top = GetSystemMetrics(SM_CYSCREEN) / 2 - static_cast<int>(s * kFrameHeight / 2);
    int right = static_cast<int>(s * kFrameWidth) + left;
    int bottom = static_cast<int>(s * kFrameHeight) + top;
    if (!PaintLayered(m_pBkImage, kFramePng, right - left, bottom - top))
        return TRUE;

    RECT rc = GetWindowRect();
    m_pChildDlg = new CProblemSolvingFeedbackChildDlg();
    m_pChildDlg->m_fScale = m_fScale;
    m_pChildDlg->m_pFeedbackLib = m_pFeedbackLib;
    m_pChildDlg->m_nDeviceType = m_nDeviceType;
    m_pChildDlg->Create(m_hWnd);
    ShowChildLayer(*m_pChildDlg, rc, 5, 4, 10, 11);
    return TRUE;
}

LRESULT CProblemSolvingFeedbackDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Only an answer ends it: Alt+F4 would end it without one, and nothing would be reported.
    if (IsSystemClose(message, wParam))
        return 0;
    if (message == WM_DESTROY) {
        LRESULT result = DefaultProc(message, wParam, lParam);
        m_pBkImage.reset();
        delete m_pChildDlg;
        m_pChildDlg = nullptr;
        return result;
    }
    return CLayeredFrameDlg::WindowProc(message, wParam, lParam);
}

void RunProblemSolvedFeedback(CFeedbackLibrary* lib, int deviceType)
{
    CProblemSolvingFeedbackDlg popup;
    popup.m_pFeedbackLib = lib;
    popup.m_nDeviceType = deviceType;
    popup.DoModal();
}
