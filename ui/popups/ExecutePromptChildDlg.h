// The busy popup's control layer: a white waiting message with growing dots on a blue panel.
// It has no buttons and cannot be dragged.
#pragma once
#include "ui/controls/DrawStateInfoStatic.h"
#include "ui/frame/ControlLayerDlg.h"

#include <string>

class CExecutePromptChildDlg : public CControlLayerDlg {
public:
    CExecutePromptChildDlg();
    ~CExecutePromptChildDlg() override;

    // Stops the dots and shows the bare text at once, before the window disappears.
    void StopAnimation();

    std::wstring m_strText;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void LayoutControls(bool init) override;
    void OnEraseBackground(HDC dc) override;
    void OnDestroy() override;

    CDrawStateInfoStatic m_text;
};
