// The feedback popup's control layer: three answer buttons on the question background; a click
// reports the answer through the companion library and closes the popup.
#pragma once
#include "ui/controls/ImageButton.h"
#include "ui/controls/PngButton.h"
#include "ui/frame/ControlLayerDlg.h"

#include <string>

class CFeedbackLibrary;

// Seconds since 1970 as the library wants them: the low 32 bits as a signed decimal number.
std::wstring FeedbackTimeText(long long seconds);
// The device type plus one in decimal, without overflow at the top of the int range.
std::wstring FeedbackTypeText(int deviceType);

class CProblemSolvingFeedbackChildDlg : public CControlLayerDlg {
public:
    CProblemSolvingFeedbackChildDlg();
    ~CProblemSolvingFeedbackChildDlg() override;

    CFeedbackLibrary* m_pFeedbackLib = nullptr;
    int m_nDeviceType = 0;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool GetDragStrip(RECT& strip) const override;

private:
    void LayoutControls(bool init) override;
    void PlaceAnswerButton(CImageButton& button, bool init, const RECT& rc, const RECT& slice,
                           int hitMargin, unsigned firstImage);
    void OnEraseBackground(HDC dc) override;
    // Reports the answer (code 1 solved, 2 not solved, 3 other) and closes the popup.
    void Answer(int kind, bool askQuestion);
    void OnDestroy() override;

    RECT m_rcClient = {0, 0, 0, 0};
    CPngButton m_btnClose;
    CImageButton m_btnSolved;
    CImageButton m_btnNotSolved;
    CImageButton m_btnOther;
};
