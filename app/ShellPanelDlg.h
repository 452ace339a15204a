// The main frame's control layer until the tool panel takes its place: the skinned controls on
// the panel background, placed and configured as the panel will place them.
#pragma once
#include "ui/controls/CheckBoxBtn.h"
#include "ui/controls/DrawStateInfoStatic.h"
#include "ui/controls/DrawTextStatic.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/LeftClickHook.h"
#include "ui/controls/PngButton.h"
#include "ui/frame/ControlLayerDlg.h"

class CShellPanelDlg : public CControlLayerDlg {
public:
    CShellPanelDlg();
    ~CShellPanelDlg() override;

    static constexpr UINT_PTR IDT_LINK_HOVER = 33;

protected:
    void DoDataExchange() override;
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool GetDragStrip(RECT& strip) const override;

private:
    void LayoutControls(bool first);
    void OnEraseBackground(HDC dc);
    void OnDestroy();

    RECT m_rcClient = {0, 0, 0, 0};
    int m_bLaidOut = 0;
    CImagePtr m_pBkImage;
    CDrawTextStatic m_title;
    CPngButton m_btnClose;
    CPngButton m_btnMinimize;
    CImageButton m_btnSet;
    CImageButton m_btnExport;
    CImageButton m_btnMoreTools;
    CCheckBoxBtn m_chkAgree;
    CDrawTextStatic m_linkAgreement;
    CDrawTextStatic m_linkFeedback;
    CDrawStateInfoStatic m_status;
    LeftClickHook m_hook;
};
