// Status label: its text followed by a row of zero to three dots that grows once a second.
#pragma once
#include "fw/Controls.h"
#include "ui/controls/SkinImage.h"

class CDrawStateInfoStatic : public CStatic {
public:
    CDrawStateInfoStatic();

    void SetTextFont(int sizeDelta, int weight);
    void SetAlign(int mode) { m_nAlign = mode; }
    void SetBkImage(Gdiplus::Image* image) { m_pBkImage = image; }
    void SetBkSrcRect(int left, int top, int right, int bottom)
    {
        m_rcBkSrc = {left, top, right, bottom};
    }
    void SetTextColorAndRedraw(COLORREF colour);
    void StartDots();
    void StopDots();
    void ResetDots();
    int GetDots() const { return m_nDots; }

    static constexpr UINT_PTR kDotsTimer = 36;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void Draw(HDC dc);

    CBrush m_brushBk;
    RECT m_rcClient = {0, 0, 0, 0};
    CFont m_font;
    COLORREF m_crText = RGB(0, 0, 0);
    int m_nDots = 0;
    int m_nAlign = 0;
    Gdiplus::Image* m_pBkImage = nullptr;
    RECT m_rcBkSrc = {0, 0, 0, 0};
};
