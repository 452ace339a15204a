// Push button drawn from four state images over its backdrop, double-buffered in DrawItem.
#pragma once
#include "ui/controls/SkinButtonBase.h"

class CPngButton : public CSkinButtonBase {
public:
    // Written by the owner before the first paint; above 1.0 the images' last row and column are
    // left out, so that they do not bleed into the edge when enlarged.
    float m_fScale = 1.0f;

protected:
    void DrawItem(const DRAWITEMSTRUCT* item) override;
};
