// The upper dialog of a window pair: an ordinary popup owned by its layered frame, carrying the
// controls. While its drag strip is held, its moves drag the frame along (FitToChild).
#pragma once
#include "fw/Dialog.h"

class CControlLayerDlg : public CDialog {
public:
    CControlLayerDlg(UINT templateId, int captionDrag);

    float m_fScale = 1.0f;

protected:
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The drag strip in screen coordinates; false when the layer cannot be dragged.
    virtual bool GetDragStrip(RECT&) const { return false; }
    // HTCAPTION in the drag strip (recording m_bCaptionDrag), otherwise the default hit test.
    LRESULT HitTestDragStrip(WPARAM wParam, LPARAM lParam);

    int m_bCaptionDrag;
};
