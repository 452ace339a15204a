// Text label painted over the skin: background colour, optional background slice, normal and
// hover text colours, seven layout modes.
#pragma once
#include "fw/Controls.h"
#include "ui/controls/SkinImage.h"

class CDrawTextStatic : public CStatic {
public:
    void SetTextFont(int sizeDelta, int weight);
    void SetAlign(int mode) { m_nAlign = mode; }
    void SetTextColors(COLORREF normal, COLORREF hover)
    {
        m_crNormal = normal;
        m_crHover = hover;
    }
    // Takes effect only before the first paint, which creates the brush.
    void SetBkColor(COLORREF colour) { m_crBk = colour; }
    void SetBkImage(Gdiplus::Image* image) { m_pBkImage = image; }
    void SetBkSrcRect(int left, int top, int right, int bottom)
    {
        m_rcBkSrc = {left, top, right, bottom};
    }
    // point in screen coordinates; repaints only when the hover state changes.
    void UpdateHover(int x, int y);
    bool HitTest(int x, int y) const;
    int IsHover() const { return m_bHover; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void Draw(HDC dc);

    CBrush m_brushBk;
    RECT m_rcClient = {0, 0, 0, 0};
    CFont m_font;
    COLORREF m_crNormal = RGB(0, 0, 0);
    COLORREF m_crHover = RGB(0, 0, 255);
    COLORREF m_crBk = RGB(255, 255, 255);
    int m_bHover = 0;
    int m_nAlign = 0;
    Gdiplus::Image* m_pBkImage = nullptr;
    RECT m_rcBkSrc = {0, 0, 0, 0};
};

// Draws text into rc with the drawing flags; with measuring flags, the wrapped block is first
// measured and rc's top moved down (or up) so that the block is centred vertically.
void DrawTextBlock(HDC dc, const std::wstring& text, RECT& rc, UINT measureFlags, UINT drawFlags);
// Window text of any window.
std::wstring GetWindowTextString(HWND hWnd);
