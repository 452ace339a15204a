// The prompt's control layer: the message label and the close, OK and Cancel image buttons on the
// 提示 background, draggable by its title band.
#pragma once
#include "ui/controls/DrawTextStatic.h"
#include "ui/controls/PngButton.h"
#include "ui/frame/ControlLayerDlg.h"

#include <string>

// Which buttons the prompt shows, and with which labels (the labels are in the images).
enum PromptButtons { Yes = 1, YesNo = 2, Confirm = 3, ConfirmCancel = 4 };

// Sent by the control layer to its frame: wParam 1 ends the prompt with IDOK, anything else
// with IDCANCEL.
constexpr UINT WM_PROMPT_RESULT = WM_USER + 533;

class CPromptChildDlg : public CControlLayerDlg {
public:
    CPromptChildDlg();
    ~CPromptChildDlg() override;

    std::wstring m_strText;
    int m_nMode = Yes;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool GetDragStrip(RECT& strip) const override;

private:
    void LayoutControls(bool init) override;
    void ApplyButtonMode(bool init, int width);
    void OnDestroy() override;

    CPngButton m_btnClose;
    CPngButton m_btnOk;
    CPngButton m_btnCancel;
    CDrawTextStatic m_text;
};
