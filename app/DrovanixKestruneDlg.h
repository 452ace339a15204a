// The main frame: a layered window showing PNG 138 (face and shadow) around its control layer,
// with the system menu's about item, the icon and the title; the program's main window.
#pragma once
#include "dump/KestruneDlg.h"
#include "ui/frame/LayeredFrameDlg.h"

class CDrovanixKestruneDlg : public CLayeredFrameDlg {
public:
    explicit CDrovanixKestruneDlg(HWND parent = nullptr);
    ~CDrovanixKestruneDlg() override;

    static constexpr UINT kAboutCommand = 0x10;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND GetChildLayer() const override { return m_pChildDlg ? m_pChildDlg->m_hWnd : nullptr; }

private:
    void OnSysCommand(WPARAM id, LPARAM lParam);
    void OnPaint();
    void OnDestroy();

    HICON m_hIcon;
    CImagePtr m_pBkImage;
    CKestruneDlg* m_pChildDlg = nullptr;
};
