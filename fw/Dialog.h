// Dialogs from resource templates: modeless creation and modal runs with a message loop of our
// own, so that PreTranslateMessage sees every key before the dialog manager does.
#pragma once
#include "fw/Window.h"

class CDialog : public CWindow {
public:
    // templateId: a dialog template in the resource module; parent: the owner (may be null).
    explicit CDialog(UINT templateId, HWND parent = nullptr);
    ~CDialog() override;

    // Modal run. Without a parent the owner is the main window's last active popup. A template at
    // (0, 0) is centred over its owner unless the dialog moved during its initialisation.
    INT_PTR DoModal();
    // Modeless creation with parent as owner.
    bool Create(HWND parent);
    void EndDialog(INT_PTR result);
    bool DestroyWindow();

    // Escape and Enter reach the dialog manager unless a derived class consumes them here.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    // Runs DoDataExchange; returns TRUE so that the system sets the focus.
    virtual BOOL OnInitDialog();
    // Binds control ids to members with DDX_Control.
    virtual void DoDataExchange() {}
    void DDX_Control(int id, CWindow& control);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Command notifications other than IDOK and IDCANCEL; true when handled.
    virtual bool OnCommand(WORD id, WORD code, HWND control);

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    UINT m_nTemplateId;
    HWND m_hWndParent;
    bool m_bModal = false;

private:
    HWND CreateFromTemplate(HWND owner);
    static INT_PTR CALLBACK StaticDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

    bool m_bModalEnded = false;
    // The owner of the modal run and the top of its chain, and whether the run disabled them.
    HWND m_hModalOwner = nullptr;
    HWND m_hModalTop = nullptr;
    bool m_bEnableOwner = false;
    bool m_bEnableTop = false;
    INT_PTR m_nModalResult = -1;
    bool m_bTemplateAtOrigin = false;
};

// The default owner of a dialog created without a parent: the last active popup of the main
// window, or null while there is no main window.
HWND GetDefaultDialogOwner();
// Centres a window over its owner when that is visible, otherwise on the work area.
void CenterWindowOverOwner(HWND hWnd, HWND owner);
