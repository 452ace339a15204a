// Skinned check box: a subclassed standard check box (which keeps handling mouse, keyboard and
// the check state) whose painting is replaced by a box from the strip PNG 140 and its text.
#pragma once
#include "fw/Controls.h"
#include "ui/controls/SkinImage.h"

class CCheckBoxBtn : public CButton {
public:
    CCheckBoxBtn();
    ~CCheckBoxBtn() override;

    // The parent's font, unchanged (stock fonts when the parent has none).
    void SetFontFromParent();

    float m_fScale = 1.0f;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void OnPaint();
    void DrawAll(HDC dc);
    void DrawContent(const RECT& rc, HDC dc);

    CImagePtr m_pCheckImage;
    CMemoryDC m_memDC;
    CBitmap m_bmpMem;
    HGDIOBJ m_pOldBitmap = nullptr;
    CBrush m_brushBk;
    RECT m_rcClient = {0, 0, 0, 0};
    CFont m_font;
    HGDIOBJ m_pOldFont = nullptr;
};
