// The upper dialog of a window pair: an ordinary popup owned by its layered frame, carrying the
// controls on its background image. While its drag strip is held, its moves drag the frame along
// (FitToChild).
#pragma once
#include "fw/Dialog.h"
#include "fw/GdiPlus.h"

class CControlLayerDlg : public CDialog {
public:
    // backgroundPng: the "PNG" resource of the background image.
    CControlLayerDlg(UINT templateId, int captionDrag, unsigned backgroundPng);

    float m_fScale = 1.0f;
    // Where the frame will place the layer (screen coordinates), when it says so before the layer
    // is created: the layer goes there before its first layout, which is then the only one.
    RECT m_rcPlacement = {0, 0, 0, 0};

protected:
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The drag strip in screen coordinates; false when the layer cannot be dragged.
    virtual bool GetDragStrip(RECT&) const { return false; }
    // HTCAPTION in the drag strip (recording m_bCaptionDrag), otherwise the default hit test.
    LRESULT HitTestDragStrip(WPARAM wParam, LPARAM lParam);

    // WM_DESTROY, WM_ERASEBKGND and WM_SIZE as every layer handles them: OnDestroy after the
    // default handling, then the background image goes; OnEraseBackground; a new layout after the
    // default handling once the controls are laid out.
    LRESULT OnLayerMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void LayoutControls(bool init) = 0;
    // The whole background image over the client area.
    virtual void OnEraseBackground(HDC dc);
    // Detaches the controls from the background image, which goes right after.
    virtual void OnDestroy() = 0;

    // Moves the layer to m_rcPlacement, when one was given.
    void TakePlacement();
    // Loads the background image unless it is there; false when the resource is missing.
    bool LoadBackground();
    // The first layout, over the loaded background; from then on WM_SIZE lays the controls out.
    void LayOutFirstTime();
    // The whole background image stretched over rc.
    void DrawBackground(HDC dc, const RECT& rc);

    int m_bCaptionDrag;
    int m_bLaidOut = 0;
    CImagePtr m_pBkImage;

private:
    unsigned m_nBackgroundPng;
};
