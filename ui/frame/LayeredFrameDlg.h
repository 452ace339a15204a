// The lower dialog of a window pair: a borderless layered popup showing one PNG with per-pixel
// alpha (face and soft shadow), placed around its control layer with fixed shadow margins.
#pragma once
#include "fw/Dialog.h"
#include "fw/GdiPlus.h"

// Shadow margins of a frame image, in unscaled pixels.
struct ShadowMargins {
    int left;
    int top;
    int right;
    int bottom;
};

// The scale for a vertical dpi: dpi / 100 above 100 dpi, otherwise 1.0.
float ScaleFromDpi(int dpi);
// The scale of the screen's vertical dpi.
float QueryDisplayScale();
// Key-downs of Escape and Enter, which no window of the program acts on.
bool IsEscapeOrEnterKeyDown(const MSG* msg);
// Alt+F4 or the system menu's close: popups that must be answered ignore it.
bool IsSystemClose(UINT message, WPARAM wParam);

class CLayeredFrameDlg : public CDialog {
public:
    CLayeredFrameDlg(UINT templateId, HWND parent, ShadowMargins margins, int childFollows);

    // Called by the control layer while it moves: the frame encloses the layer's window rectangle
    // (screen coordinates) with the scaled margins and stops following it. Returns 0.
    int FitToChild(int left, int top, int right, int bottom);

    float m_fScale = 1.0f;

protected:
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The control layer's window, or null.
    virtual HWND GetChildLayer() const = 0;

    // Sets the layered style and paints image (loading PNG pngId into it first when empty)
    // stretched to width x height at the frame's position; false when the PNG is missing.
    bool PaintLayered(CImagePtr& image, unsigned pngId, int width, int height);
    // The control layer's place in rc (screen coordinates): inset by left and top, narrower and
    // lower by shrinkWidth and shrinkHeight, all scaled and truncated as written.
    RECT ChildLayerRect(const RECT& rc, int left, int top, int shrinkWidth, int shrinkHeight) const;
    // Moves the control layer to its place in rc (ChildLayerRect), then shows it.
    void ShowChildLayer(CDialog& child, const RECT& rc, int left, int top, int shrinkWidth,
                        int shrinkHeight);
    // Moves the control layer to place (screen coordinates), then shows it.
    void ShowChildLayer(CDialog& child, const RECT& place);

    ShadowMargins m_margins;
    int m_bChildFollows;
};
