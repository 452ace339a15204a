// The framework's button and static classes: a subclassed dialog item plus the few calls the
// skinned controls use. A button that owner-draws gets DrawItem from its dialog.
#pragma once
#include "fw/Window.h"

class CButton : public CWindow {
public:
    int GetCheck() const { return static_cast<int>(SendMessageW(m_hWnd, BM_GETCHECK, 0, 0)); }
    void SetCheck(int state) const { SendMessageW(m_hWnd, BM_SETCHECK, state, 0); }

protected:
    // Painting of an owner-drawn button; the dialog hands WM_DRAWITEM over to the button.
    virtual void DrawItem(const DRAWITEMSTRUCT*) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == OCM_DRAWITEM) {
            DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        }
        return CWindow::WindowProc(message, wParam, lParam);
    }
};

class CStatic : public CWindow {};
