// What CImageButton and CPngButton share: four state images over a slice of the parent's
// background, the state machine and the hover tracking. The two differ in painting and in
// whether a message point must lie in the client area to change the state.
#pragma once
#include "fw/Controls.h"
#include "ui/controls/SkinImage.h"

enum ButtonState { Normal = 1, Hover = 2, Pressed = 3 };

class CSkinButtonBase : public CButton {
public:
    CSkinButtonBase();
    ~CSkinButtonBase() override;

    // Resource ids of the normal, hover, pressed and disabled images. Each is decoded when its
    // state is first drawn: a start-up decodes only the faces it shows.
    void SetStateImages(unsigned normal, unsigned hover, unsigned pressed, unsigned disabled);
    void FreeStateImages();
    // The owner's background image; not owned.
    void SetParentImage(Gdiplus::Image* image) { m_pParentImage = image; }
    void SetBackdropRect(int left, int top, int right, int bottom)
    {
        m_rcBackdrop = {left, top, right, bottom};
    }
    int GetState() const { return m_nState; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // True when a state change for this message point is allowed.
    virtual bool AcceptsPoint(LPARAM) const { return true; }
    bool HasAllImages() const;
    // The image for the current state, disabled image when the window is disabled.
    Gdiplus::Image* CurrentImage() const;
    void DrawBackdrop(Gdiplus::Graphics& graphics, HDC dc, const RECT& rc) const;

    Gdiplus::Image* m_pParentImage = nullptr;
    RECT m_rcBackdrop = {0, 0, 0, 0};
    CBrush m_brushFill;
    mutable CImagePtr m_pImages[4];
    unsigned m_nImageIds[4] = {0, 0, 0, 0};  // 0: no image resource for that state
    int m_nState = Normal;
    int m_bTracking = 0;

private:
    void ChangeState(int state);
};
