// Push button drawn from four state images over its backdrop, in DrawItem and in WM_ERASEBKGND,
// with a hit area inside margins (clicks on a transparent rim can be ignored).
#pragma once
#include "ui/controls/SkinButtonBase.h"

class CImageButton : public CSkinButtonBase {
public:
    void SetHitMargins(int left, int top, int right, int bottom)
    {
        m_nHitLeft = left;
        m_nHitTop = top;
        m_nHitRight = right;
        m_nHitBottom = bottom;
    }
    // Whether the cursor lies in the client area shrunk by the margins (right and bottom excluded).
    bool IsCursorInHitArea() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void DrawItem(const DRAWITEMSTRUCT* item) override;
    bool AcceptsPoint(LPARAM lParam) const override;

private:
    void Paint(HDC target);

    CMemoryDC m_memDC;
    CBitmap m_bmpMem;
    RECT m_rcClient = {0, 0, 0, 0};
    int m_nHitLeft = 0;
    int m_nHitTop = 0;
    int m_nHitRight = 0;
    int m_nHitBottom = 0;
};
