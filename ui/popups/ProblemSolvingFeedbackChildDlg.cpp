#include "ui/popups/ProblemSolvingFeedbackChildDlg.h"
#include "feedback/FeedbackLibrary.h"
#include "feedback/ToolIdentity.h"
#include "resource.h"
#include "ui/frame/LayeredFrameDlg.h"

#include <cstdint>
#include <cstdio>

namespace {

const unsigned kLayerPng = 177;
// Design sizes in pixels of the unscaled 400 x 468 background.
const int kDesignWidth = 400;
const int kButtonWidth = 266;
const int kButtonHeight = 60;
const int kHitMargin = 9;

// Seconds since 1970 from the system clock, a call every Windows has; the C runtime's time()
// would import _time64 from msvcrt.dll.
long long UnixTimeNow()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

std::wstring FeedbackTimeText(long long seconds)
{
    wchar_t text[16];
    swprintf(text, 16, L"%d", static_cast<int32_t>(static_cast<uint32_t>(seconds)));
    return text;
}

std::wstring FeedbackTypeText(int deviceType)
{
    // In 64 bits: a stored INT_MAX gives "2147483648", not a negative number.
    wchar_t text[24];
    swprintf(text, 24, L"%lld", static_cast<long long>(deviceType) + 1);
    return text;
}

CProblemSolvingFeedbackChildDlg::CProblemSolvingFeedbackChildDlg()
    : CControlLayerDlg(IDD_PROBLEM_SOLVING_FEEDBACK_CHILD, 0, kLayerPng)
{
}

CProblemSolvingFeedbackChildDlg::~CProblemSolvingFeedbackChildDlg() = default;

void CProblemSolvingFeedbackChildDlg::DoDataExchange()
{
    DDX_Control(IDC_FEEDBACK_CLOSE, m_btnClose);
    DDX_Control(IDC_FEEDBACK_SOLVED, m_btnSolved);
    DDX_Control(IDC_FEEDBACK_UNSOLVED, m_btnNotSolved);
    DDX_Control(IDC_FEEDBACK_OTHER, m_btnOther);
}

BOOL CProblemSolvingFeedbackChildDlg::OnInitDialog()
{
    CControlLayerDlg::OnInitDialog();
    LayOutFirstTime();
    return TRUE;
}

void CProblemSolvingFeedbackChildDlg::LayoutControls(bool init)
{
    const RECT r = GetClientRect();
    m_rcClient = r;
    const double s = m_fScale;
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    RECT rc;

    // The close button is never shown: the popup ends only with an answer.
    rc.left = static_cast<int>(r.right - 18 * s);
    rc.top = static_cast<int>(r.top + 6 * s);
    rc.right = static_cast<int>(rc.left + 12 * s);
    rc.bottom = static_cast<int>(rc.top + 12 * s);
    m_btnClose.m_fScale = m_fScale;
    m_btnClose.SetStateImages(178, 179, 180, 181);
    m_btnClose.MoveWindow(rc);
    ShowWindow(m_btnClose.m_hWnd, SW_HIDE);

    CImageButton* buttons[3] = {&m_btnSolved, &m_btnNotSolved, &m_btnOther};
    const unsigned images[3] = {187, 192, 151};
    const RECT slices[3] = {{67, 154, 333, 214}, {67, 234, 333, 294}, {67, 314, 333, 374}};
    for (int i = 0; i < 3; ++i) {
        int hitMargin;
        if (w <= kDesignWidth) {
            rc.left = r.left + w / 2 - kButtonWidth / 2;
            rc.top = r.top + h / 2 + (i - 1) * 80;
            rc.right = rc.left + kButtonWidth;
            rc.bottom = rc.top + kButtonHeight;
            hitMargin = kHitMargin;
        } else {
            if (i == 0) {
                rc.left = r.left + static_cast<int>(200 * s - 133 * s);
                rc.top = r.top + static_cast<int>(234 * s - static_cast<int>(80 * s));
            } else {
                rc.left = r.left + static_cast<int>(200 * s) - static_cast<int>(133 * s);
                rc.top = r.top + static_cast<int>(234 * s) + (i - 1) * static_cast<int>(80 * s);
            }
            rc.right = rc.left + static_cast<int>(kButtonWidth * s);
            rc.bottom = rc.top + static_cast<int>(kButtonHeight * s);
            hitMargin = static_cast<int>(kHitMargin * s);
        }
        // Unscaled, the slice is the button's own rectangle.
        const RECT slice = w <= kDesignWidth ? rc : slices[i];
        PlaceAnswerButton(*buttons[i], init, rc, slice, hitMargin, images[i]);
    }
}

void CProblemSolvingFeedbackChildDlg::PlaceAnswerButton(CImageButton& button, bool init,
                                                        const RECT& rc, const RECT& slice,
                                                        int hitMargin, unsigned firstImage)
{
    if (init) {
        button.SetParentImage(m_pBkImage.get());
        button.SetBackdropRect(slice.left, slice.top, slice.right, slice.bottom);
        button.SetHitMargins(hitMargin, hitMargin, hitMargin, hitMargin);
        button.SetStateImages(firstImage, firstImage + 1, firstImage + 2, firstImage + 3);
    }
    button.MoveWindow(rc);
}

bool CProblemSolvingFeedbackChildDlg::GetDragStrip(RECT& strip) const
{
    strip = GetClientRect();
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&strip), 2);
    strip.bottom = strip.top + static_cast<int>(30 * static_cast<double>(m_fScale));
    return true;
}

void CProblemSolvingFeedbackChildDlg::OnEraseBackground(HDC dc)
{
    if (LoadBackground())
        DrawBackground(dc, m_rcClient);
}

void CProblemSolvingFeedbackChildDlg::Answer(int kind, bool askQuestion)
{
    if (m_pFeedbackLib != nullptr) {
        std::wstring timeText = FeedbackTimeText(UnixTimeNow());
        std::wstring typeText = FeedbackTypeText(m_nDeviceType);
        m_pFeedbackLib->CustomerFeedbackEx(kToolId, kToolVersion, kind, timeText.c_str(),
                                           typeText.c_str());
        if (askQuestion)
            m_pFeedbackLib->FeedbackQuestion(kToolId, kToolVersion);
    }
    SendMessageW(GetOwner(), WM_CLOSE, 0, 0);
}

bool CProblemSolvingFeedbackChildDlg::OnCommand(WORD id, WORD code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_FEEDBACK_SOLVED:
        // A click on the transparent rim of the large buttons is no answer.
        if (m_btnSolved.IsCursorInHitArea())
            Answer(1, false);
        return true;
    case IDC_FEEDBACK_UNSOLVED:
        if (m_btnNotSolved.IsCursorInHitArea())
            Answer(2, true);
        return true;
    case IDC_FEEDBACK_OTHER:
        Answer(3, true);
        return true;
    case IDC_FEEDBACK_CLOSE:
        Answer(3, true);
        return true;
    }
    return false;
}

void CProblemSolvingFeedbackChildDlg::OnDestroy()
{
    m_btnClose.FreeStateImages();
    m_btnSolved.FreeStateImages();
    m_btnNotSolved.FreeStateImages();
    m_btnOther.FreeStateImages();
    // The buttons paint from the background until their windows are gone.
    m_btnSolved.SetParentImage(nullptr);
    m_btnNotSolved.SetParentImage(nullptr);
    m_btnOther.SetParentImage(nullptr);
}

LRESULT CProblemSolvingFeedbackChildDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
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
