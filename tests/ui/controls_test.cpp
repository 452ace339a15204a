// The skinned controls in a real dialog on the X screen, driven with real pointer input.
#include "UiTestIds.h"
#include "XInput.h"
#include "fw/Dialog.h"
#include "ui/controls/CheckBoxBtn.h"
#include "ui/controls/DrawTextStatic.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/PngButton.h"

#include <gtest/gtest.h>

using xinput::PumpUntil;

namespace {

struct GdiplusForTests {
    GdiplusForTests() { session.Startup(); }
    CGdiplusSession session;
} g_gdiplus;

const int kLeft = 200;
const int kTop = 150;

// The controls of the test template, placed in pixels on a dialog at (200, 150).
class CControlsDlg : public CDialog {
public:
    CControlsDlg() : CDialog(IDD_TEST_CONTROLS) {}

    CImageButton m_image;
    CPngButton m_png;
    CCheckBoxBtn m_check;
    CCheckBoxBtn m_checkLarge;
    CDrawTextStatic m_label;
    CImagePtr m_pBkImage;

protected:
    void DoDataExchange() override
    {
        DDX_Control(IDC_TEST_IMAGE_BUTTON, m_image);
        DDX_Control(IDC_TEST_PNG_BUTTON, m_png);
        DDX_Control(IDC_TEST_CHECK, m_check);
        DDX_Control(IDC_TEST_CHECK_LARGE, m_checkLarge);
        DDX_Control(IDC_TEST_LABEL, m_label);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        MoveWindow(kLeft, kTop, 700, 400);
        LoadPngResource(m_pBkImage, 139);
        m_image.SetStateImages(200, 201, 202, 203);
        m_image.MoveWindow(10, 10, 136, 47);
        m_png.SetStateImages(200, 201, 202, 203);
        m_png.MoveWindow(160, 10, 136, 47);
        m_check.SetFontFromParent();
        m_check.MoveWindow(10, 80, 50, 20);
        m_checkLarge.SetFontFromParent();
        m_checkLarge.m_fScale = 1.5f;
        m_checkLarge.MoveWindow(10, 110, 75, 30);
        m_label.SetTextFont(0, 0);
        m_label.MoveWindow(320, 10, 140, 15);
        return TRUE;
    }
};

// One dialog for the whole suite: hiding a window costs Wine two seconds without a window manager.
class Controls : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dlg = new CControlsDlg();
        ASSERT_TRUE(s_dlg->Create(nullptr));
        ShowWindow(s_dlg->m_hWnd, SW_SHOW);
        SetForegroundWindow(s_dlg->m_hWnd);
    }
    static void TearDownTestSuite() { delete s_dlg; }
    void SetUp() override
    {
        ASSERT_TRUE(xinput::MoveOnto(m_dlg.m_hWnd, kLeft + 650, kTop + 350)) << "dialog not shown";
        SendMessageW(m_dlg.m_image.m_hWnd, WM_MOUSELEAVE, 0, 0);
        SendMessageW(m_dlg.m_png.m_hWnd, WM_MOUSELEAVE, 0, 0);
        m_dlg.m_check.SetCheck(BST_UNCHECKED);
        RedrawWindow(m_dlg.m_hWnd, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }

    // A control's pixel as painted on its window; CLR_INVALID when it cannot be read.
    static COLORREF Pixel(const CWindow& control, int x, int y)
    {
        UpdateWindow(control.m_hWnd);
        return GetPixel(CClientDC(control.m_hWnd).Get(), x, y);
    }
    // An image's pixel composited over white.
    static COLORREF ImagePixel(unsigned id, int x, int y)
    {
        CImagePtr image;
        if (!LoadPngResource(image, id))
            return CLR_INVALID;
        INT width = INT(image->GetWidth()), height = INT(image->GetHeight());
        Gdiplus::Bitmap canvas(width, height, PixelFormat32bppARGB);
        Gdiplus::Graphics graphics(&canvas);
        graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
        graphics.DrawImage(image.get(), 0, 0, width, height);
        Gdiplus::Color colour;
        canvas.GetPixel(x, y, &colour);
        return RGB(colour.GetR(), colour.GetG(), colour.GetB());
    }
    // Within 2 in each channel; a pixel that could not be read is near nothing.
    static ::testing::AssertionResult Near(COLORREF expected, COLORREF actual)
    {
        bool ok = expected != CLR_INVALID && actual != CLR_INVALID;
        for (int shift : {0, 8, 16})
            ok = ok && abs(int(expected >> shift & 0xFF) - int(actual >> shift & 0xFF)) <= 2;
        return ok ? ::testing::AssertionSuccess()
                  : ::testing::AssertionFailure() << std::hex << expected << " painted " << actual;
    }
    static bool AnyPixel(const CWindow& control, COLORREF colour)
    {
        RECT rc = control.GetClientRect();
        for (int y = 0; y < rc.bottom; ++y) {
            for (int x = 0; x < rc.right; ++x) {
                if (Pixel(control, x, y) == colour)
                    return true;
            }
        }
        return false;
    }

    static CControlsDlg* s_dlg;
    CControlsDlg& m_dlg = *s_dlg;
};

CControlsDlg* Controls::s_dlg = nullptr;

}  // namespace

TEST_F(Controls, ImageAndPngButton_HoverPressReleaseLeave_ChangeStateAndFace)
{
    for (CSkinButtonBase* button : {static_cast<CSkinButtonBase*>(&m_dlg.m_image),
                                    static_cast<CSkinButtonBase*>(&m_dlg.m_png)}) {
        auto WaitState = [&](int state) {
            return PumpUntil([&] { return button->GetState() == state; }, 10000);
        };
        EXPECT_EQ(Normal, button->GetState());
        EXPECT_TRUE(Near(ImagePixel(200, 5, 23), Pixel(*button, 5, 23)));
        POINT centre = {68, 23};
        ClientToScreen(button->m_hWnd, &centre);
        xinput::MoveOnto(button->m_hWnd, centre.x, centre.y);
        EXPECT_TRUE(WaitState(Hover)) << "pointer resting on the button";
        EXPECT_TRUE(Near(ImagePixel(201, 5, 23), Pixel(*button, 5, 23)));
        xinput::Xdo("mousedown 1");
        EXPECT_TRUE(WaitState(Pressed));
        EXPECT_TRUE(Near(ImagePixel(202, 5, 23), Pixel(*button, 5, 23)));
        xinput::Xdo("mouseup 1");
        EXPECT_TRUE(WaitState(Hover));
        xinput::MoveOnto(m_dlg.m_hWnd, kLeft + 600, kTop + 300);
        EXPECT_TRUE(WaitState(Normal)) << "pointer left";
        EXPECT_TRUE(Near(ImagePixel(200, 5, 23), Pixel(*button, 5, 23)));
    }
}

TEST_F(Controls, CheckBox_BoxFaceFollowsTheState_TextAfterTheBox_ScaledBox_IndeterminateUnticked)
{
    // Scale 1.0, 50 x 20: the box spans (0, 2) to (16, 18), its faces side by side in image 140.
    CCheckBoxBtn& check = m_dlg.m_check;
    const COLORREF unticked = ImagePixel(140, 4, 4);
    const COLORREF ticked = ImagePixel(140, 16 + 4, 4);
    ASSERT_FALSE(Near(unticked, ticked));
    for (int state : {BST_UNCHECKED, BST_CHECKED}) {
        check.SetCheck(state);
        EXPECT_TRUE(Near(state == BST_CHECKED ? ticked : unticked, Pixel(check, 4, 6))) << state;
        EXPECT_EQ(RGB(255, 255, 255), Pixel(check, 8, 1)) << "above the box";
    }
    // The text starts two pixels after the box.
    bool textBefore18 = false, textAfter18 = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 16; x < 50; ++x) {
            if (Pixel(check, x, y) != RGB(255, 255, 255))
                (x < 18 ? textBefore18 : textAfter18) = true;
        }
    }
    EXPECT_FALSE(textBefore18);
    EXPECT_TRUE(textAfter18);

    // Scale 1.5, 75 x 30: the box spans (0, 3) to (24, 27); its inside is blue when ticked, and
    // the rows above and below it stay white (an unreadable pixel is not blue).
    CCheckBoxBtn& large = m_dlg.m_checkLarge;
    auto blue = [](COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 150; };
    large.SetCheck(BST_CHECKED);
    for (POINT inside : {POINT{6, 9}, POINT{4, 20}, POINT{18, 20}})
        EXPECT_TRUE(blue(Pixel(large, inside.x, inside.y))) << inside.x;
    for (POINT outside : {POINT{12, 1}, POINT{12, 28}, POINT{25, 2}})
        EXPECT_EQ(RGB(255, 255, 255), Pixel(large, outside.x, outside.y)) << outside.x;
    SendMessageW(large.m_hWnd, BM_SETCHECK, BST_INDETERMINATE, 0);
    ASSERT_EQ(BST_INDETERMINATE, large.GetCheck());
    EXPECT_EQ(RGB(255, 255, 255), Pixel(large, 6, 9)) << "drawn as unticked";
}

TEST_F(Controls, BackgroundSlice_ReproducesThePixelsUnderTheLabel)
{
    CDrawTextStatic& label = m_dlg.m_label;
    label.SetBkImage(m_dlg.m_pBkImage.get());
    label.SetBkSrcRect(188, 16, 328, 31);
    label.Invalidate();
    Gdiplus::Bitmap canvas(400, 600, PixelFormat32bppARGB);
    Gdiplus::Graphics(&canvas).DrawImage(m_dlg.m_pBkImage.get(), 0, 0, 400, 600);
    int mismatches = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 140; ++x) {
            Gdiplus::Color colour;
            canvas.GetPixel(188 + x, 16 + y, &colour);
            COLORREF expected = RGB(colour.GetR(), colour.GetG(), colour.GetB());
            if (Pixel(label, x, y) != expected && ++mismatches == 1)
                ADD_FAILURE() << "first at " << x << "," << y;
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST_F(Controls, TextLabel_HoverColourRepaintsOnlyOnChange)
{
    CDrawTextStatic& label = m_dlg.m_label;
    label.SetBkImage(nullptr);
    SetWindowTextW(label.m_hWnd, L"反馈问题");
    label.SetAlign(1);
    label.SetTextColors(RGB(92, 92, 255), RGB(0, 0, 255));
    label.Invalidate();
    EXPECT_TRUE(AnyPixel(label, RGB(92, 92, 255)));
    EXPECT_FALSE(AnyPixel(label, RGB(0, 0, 255)));

    RECT rc = label.GetWindowRect();
    label.UpdateHover(rc.left + 2, rc.top + 2);
    EXPECT_EQ(1, label.IsHover());
    EXPECT_TRUE(AnyPixel(label, RGB(0, 0, 255)));
    EXPECT_FALSE(AnyPixel(label, RGB(92, 92, 255)));
    label.UpdateHover(rc.left + 3, rc.top + 3);
    RECT update = {};
    EXPECT_FALSE(GetUpdateRect(label.m_hWnd, &update, FALSE)) << "same state: no repaint";

    label.UpdateHover(rc.right, rc.top);  // the right edge is outside
    EXPECT_EQ(0, label.IsHover());
    EXPECT_TRUE(AnyPixel(label, RGB(92, 92, 255)));
}
