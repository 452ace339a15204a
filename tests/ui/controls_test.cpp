// The skinned controls in a real dialog on the X screen, driven with real pointer input.
#include "UiTestIds.h"
#include "XInput.h"
#include "fw/Dialog.h"
#include "ui/controls/CheckBoxBtn.h"
#include "ui/controls/DrawStateInfoStatic.h"
#include "ui/controls/DrawTextStatic.h"
#include "ui/controls/ImageButton.h"
#include "ui/controls/LeftClickHook.h"
#include "ui/controls/PngButton.h"

#include <gtest/gtest.h>

using xinput::PumpFor;
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
    CImageButton m_wide;
    CCheckBoxBtn m_check;
    CCheckBoxBtn m_checkLarge;
    CDrawTextStatic m_label;
    CDrawStateInfoStatic m_dots;
    CImagePtr m_pBkImage;
    int m_nHookMessages = 0;
    int m_nCheckClicks = 0;

protected:
    void DoDataExchange() override
    {
        DDX_Control(IDC_TEST_IMAGE_BUTTON, m_image);
        DDX_Control(IDC_TEST_PNG_BUTTON, m_png);
        DDX_Control(IDC_TEST_WIDE_BUTTON, m_wide);
        DDX_Control(IDC_TEST_CHECK, m_check);
        DDX_Control(IDC_TEST_CHECK_LARGE, m_checkLarge);
        DDX_Control(IDC_TEST_LABEL, m_label);
        DDX_Control(IDC_TEST_DOTS, m_dots);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        MoveWindow(kLeft, kTop, 700, 400);
        LoadPngResource(m_pBkImage, 139);
        m_image.SetParentImage(m_pBkImage.get());
        m_image.SetBackdropRect(30, 305, 166, 352);
        m_image.SetStateImages(200, 201, 202, 203);
        m_image.MoveWindow(10, 10, 136, 47);
        m_png.SetStateImages(200, 201, 202, 203);
        m_png.MoveWindow(160, 10, 136, 47);
        m_wide.SetStateImages(187, 188, 189, 190);
        m_wide.SetHitMargins(9, 9, 9, 9);
        m_wide.MoveWindow(10, 300, 266, 60);
        m_check.SetFontFromParent();
        m_check.MoveWindow(10, 80, 50, 20);
        m_checkLarge.SetFontFromParent();
        m_checkLarge.m_fScale = 1.5f;
        m_checkLarge.MoveWindow(10, 110, 75, 30);
        m_label.SetTextFont(0, 0);
        m_label.MoveWindow(320, 10, 140, 15);
        m_dots.SetTextFont(0, 0);
        m_dots.SetAlign(1);
        m_dots.MoveWindow(320, 40, 140, 20);
        return TRUE;
    }
    bool OnCommand(WORD id, WORD code, HWND) override
    {
        if (id == IDC_TEST_CHECK && code == BN_CLICKED) {
            ++m_nCheckClicks;
            return true;
        }
        return false;
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_HOOK_LBUTTONDOWN) {
            ++m_nHookMessages;
            return 1;
        }
        return CDialog::WindowProc(message, wParam, lParam);
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
        UpdateWindow(s_dlg->m_hWnd);
        PumpFor(300);
    }
    static void TearDownTestSuite()
    {
        delete s_dlg;
        s_dlg = nullptr;
    }
    void SetUp() override
    {
        xinput::MoveMouse(kLeft + 650, kTop + 350);
        PumpFor(100);
        EnableWindow(m_dlg.m_image.m_hWnd, TRUE);
        EnableWindow(m_dlg.m_png.m_hWnd, TRUE);
        SendMessageW(m_dlg.m_image.m_hWnd, WM_MOUSELEAVE, 0, 0);
        SendMessageW(m_dlg.m_png.m_hWnd, WM_MOUSELEAVE, 0, 0);
        m_dlg.m_check.SetCheck(BST_UNCHECKED);
        m_dlg.m_nHookMessages = 0;
        m_dlg.m_nCheckClicks = 0;
        m_dlg.m_label.UpdateHover(-10000, -10000);
        SetWindowTextW(m_dlg.m_label.m_hWnd, L"");
        m_dlg.m_label.SetBkImage(nullptr);
        m_dlg.m_label.SetAlign(0);
        RedrawWindow(m_dlg.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        PumpFor(100);
    }

    // A control's pixel as painted on its window.
    static COLORREF Pixel(const CWindow& control, int x, int y)
    {
        UpdateWindow(control.m_hWnd);
        CClientDC dc(control.m_hWnd);
        return GetPixel(dc.Get(), x, y);
    }
    // An image's pixel composited over white, or over a pixel of another image.
    static COLORREF ImagePixel(unsigned id, int x, int y, unsigned underId = 0, int underX = 0,
                               int underY = 0)
    {
        COLORREF under = underId != 0 ? ImagePixel(underId, underX, underY) : RGB(255, 255, 255);
        CImagePtr image;
        if (!LoadPngResource(image, id))
            return CLR_INVALID;
        Gdiplus::Bitmap canvas(static_cast<INT>(image->GetWidth()),
                               static_cast<INT>(image->GetHeight()), PixelFormat32bppARGB);
        {
            Gdiplus::Graphics graphics(&canvas);
            graphics.Clear(
                Gdiplus::Color(255, GetRValue(under), GetGValue(under), GetBValue(under)));
            graphics.DrawImage(image.get(), 0, 0, static_cast<INT>(image->GetWidth()),
                               static_cast<INT>(image->GetHeight()));
        }
        Gdiplus::Color colour;
        canvas.GetPixel(x, y, &colour);
        return RGB(colour.GetR(), colour.GetG(), colour.GetB());
    }
    static ::testing::AssertionResult Near(COLORREF expected, COLORREF actual)
    {
        if (abs(GetRValue(expected) - GetRValue(actual)) <= 2 &&
            abs(GetGValue(expected) - GetGValue(actual)) <= 2 &&
            abs(GetBValue(expected) - GetBValue(actual)) <= 2)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << std::hex << "expected 0x" << expected << ", painted 0x"
                                             << actual;
    }
    static bool AnyPixel(const CWindow& control, COLORREF colour)
    {
        UpdateWindow(control.m_hWnd);
        RECT rc = control.GetClientRect();
        CClientDC dc(control.m_hWnd);
        for (int y = 0; y < rc.bottom; ++y) {
            for (int x = 0; x < rc.right; ++x) {
                if (GetPixel(dc.Get(), x, y) == colour)
                    return true;
            }
        }
        return false;
    }
    // Screen point of a control's client point.
    static POINT Screen(const CWindow& control, int x, int y)
    {
        POINT point = {x, y};
        ClientToScreen(control.m_hWnd, &point);
        return point;
    }
    bool WaitState(const CSkinButtonBase& button, int state)
    {
        return PumpUntil([&] { return button.GetState() == state; }, 2000);
    }

    static CControlsDlg* s_dlg;
    CControlsDlg& m_dlg = *s_dlg;
};

CControlsDlg* Controls::s_dlg = nullptr;

}  // namespace

TEST_F(Controls, ImageButton_HoverPressReleaseLeave_ChangeStateAndFace)
{
    CImageButton& button = m_dlg.m_image;
    EXPECT_EQ(Normal, button.GetState());
    EXPECT_TRUE(Near(ImagePixel(200, 5, 23), Pixel(button, 5, 23)));

    POINT centre = Screen(button, 68, 23);
    xinput::MoveMouse(centre.x, centre.y);
    EXPECT_TRUE(WaitState(button, Hover)) << "pointer resting on the button";
    EXPECT_TRUE(Near(ImagePixel(201, 5, 23), Pixel(button, 5, 23)));

    xinput::Xdo("mousedown 1");
    EXPECT_TRUE(WaitState(button, Pressed));
    EXPECT_TRUE(Near(ImagePixel(202, 5, 23), Pixel(button, 5, 23)));

    xinput::Xdo("mouseup 1");
    EXPECT_TRUE(WaitState(button, Hover));

    xinput::MoveMouse(kLeft + 600, kTop + 300);
    EXPECT_TRUE(WaitState(button, Normal)) << "pointer left";
    EXPECT_TRUE(Near(ImagePixel(200, 5, 23), Pixel(button, 5, 23)));
}

TEST_F(Controls, PngButton_HoverPressReleaseLeave_ChangeStateAndFace)
{
    CPngButton& button = m_dlg.m_png;
    POINT centre = Screen(button, 68, 23);
    xinput::MoveMouse(centre.x, centre.y);
    EXPECT_TRUE(WaitState(button, Hover));
    EXPECT_TRUE(Near(ImagePixel(201, 5, 23), Pixel(button, 5, 23)));
    xinput::Xdo("mousedown 1");
    EXPECT_TRUE(WaitState(button, Pressed));
    EXPECT_TRUE(Near(ImagePixel(202, 5, 23), Pixel(button, 5, 23)));
    xinput::Xdo("mouseup 1");
    EXPECT_TRUE(WaitState(button, Hover));
    xinput::MoveMouse(kLeft + 600, kTop + 300);
    EXPECT_TRUE(WaitState(button, Normal));
}

TEST_F(Controls, DisabledButtons_ShowTheDisabledFaceAndIgnoreHoverAndPress)
{
    EnableWindow(m_dlg.m_image.m_hWnd, FALSE);
    EnableWindow(m_dlg.m_png.m_hWnd, FALSE);
    m_dlg.m_image.Invalidate();
    m_dlg.m_png.Invalidate();
    // The disabled face is translucent: over the backdrop slice, or over white without one.
    EXPECT_TRUE(Near(ImagePixel(203, 5, 23, 139, 30 + 5, 305 + 23), Pixel(m_dlg.m_image, 5, 23)));
    EXPECT_TRUE(Near(ImagePixel(203, 5, 23), Pixel(m_dlg.m_png, 5, 23)));
    for (CSkinButtonBase* button : {static_cast<CSkinButtonBase*>(&m_dlg.m_image),
                                    static_cast<CSkinButtonBase*>(&m_dlg.m_png)}) {
        POINT centre = Screen(*button, 68, 23);
        xinput::MoveMouse(centre.x, centre.y);
        PumpFor(300);
        SendMessageW(button->m_hWnd, WM_MOUSEHOVER, 0, MAKELPARAM(68, 23));
        SendMessageW(button->m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(68, 23));
        SendMessageW(button->m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(68, 23));
        EXPECT_EQ(Normal, button->GetState());
    }
    // No tracking was started: nothing reports a leave when the pointer goes.
    TRACKMOUSEEVENT query = {};
    query.cbSize = sizeof(query);
    query.dwFlags = TME_QUERY;
    TrackMouseEvent(&query);
    EXPECT_NE(m_dlg.m_image.m_hWnd, query.hwndTrack);
    EXPECT_NE(m_dlg.m_png.m_hWnd, query.hwndTrack);
}

TEST_F(Controls, ReleaseOutsideTheClient_KeepsImageButtonButTurnsPngButtonToHover)
{
    LPARAM outside = MAKELPARAM(500, 23);
    SendMessageW(m_dlg.m_image.m_hWnd, WM_LBUTTONUP, 0, outside);
    SendMessageW(m_dlg.m_png.m_hWnd, WM_LBUTTONUP, 0, outside);
    EXPECT_EQ(Normal, m_dlg.m_image.GetState());
    EXPECT_EQ(Hover, m_dlg.m_png.GetState());
    SendMessageW(m_dlg.m_image.m_hWnd, WM_LBUTTONDOWN, 0, outside);
    EXPECT_EQ(Normal, m_dlg.m_image.GetState());
}

TEST_F(Controls, HitMargins_ExcludeTheRimOfTheButton)
{
    CImageButton& button = m_dlg.m_wide;
    const POINT probes[] = {{9, 9}, {8, 30}, {257, 30}, {256, 50}, {133, 51}};
    const bool inside[] = {true, false, false, true, false};
    for (int i = 0; i < 5; ++i) {
        POINT point = Screen(button, probes[i].x, probes[i].y);
        xinput::MoveMouse(point.x, point.y);
        EXPECT_EQ(inside[i], button.IsCursorInHitArea()) << probes[i].x << "," << probes[i].y;
    }
}

TEST_F(Controls, LeftClickHook_PostsOneMessagePerClickUntilUninstalled)
{
    LeftClickHook hook;
    EXPECT_FALSE(hook.SetNotifyWindow(nullptr));
    ASSERT_TRUE(hook.SetNotifyWindow(m_dlg.m_hWnd));
    ASSERT_TRUE(hook.Install());
    POINT point = Screen(m_dlg.m_label, 5, 5);
    xinput::Click(point.x, point.y);
    PumpUntil([&] { return m_dlg.m_nHookMessages > 0; }, 2000);
    EXPECT_EQ(1, m_dlg.m_nHookMessages);
    xinput::Xdo("mousedown 3");
    xinput::Xdo("mouseup 3");
    EXPECT_EQ(1, m_dlg.m_nHookMessages) << "only the left button counts";
    hook.Uninstall();
    xinput::Click(point.x, point.y);
    PumpFor(300);
    EXPECT_EQ(1, m_dlg.m_nHookMessages);
}

TEST_F(Controls, CheckBox_ClickTogglesNotifiesAndPaintsTheFrame)
{
    CCheckBoxBtn& check = m_dlg.m_check;
    const COLORREF unticked = ImagePixel(140, 4, 4);
    const COLORREF ticked = ImagePixel(140, 16 + 4, 4);
    ASSERT_FALSE(Near(unticked, ticked));
    // Scale 1.0, 50 x 20: the box spans (0, 2) to (16, 18).
    EXPECT_EQ(BST_UNCHECKED, check.GetCheck());
    EXPECT_TRUE(Near(unticked, Pixel(check, 4, 2 + 4)));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(check, 8, 1)) << "above the box";

    POINT point = Screen(check, 8, 10);
    xinput::Click(point.x, point.y);
    PumpUntil([&] { return m_dlg.m_nCheckClicks > 0; }, 2000);
    EXPECT_EQ(1, m_dlg.m_nCheckClicks);
    EXPECT_EQ(BST_CHECKED, check.GetCheck());
    EXPECT_TRUE(Near(ticked, Pixel(check, 4, 2 + 4)));

    xinput::Click(point.x, point.y);
    PumpUntil([&] { return m_dlg.m_nCheckClicks > 1; }, 2000);
    EXPECT_EQ(BST_UNCHECKED, check.GetCheck());
    EXPECT_TRUE(Near(unticked, Pixel(check, 4, 2 + 4)));

    // The text starts two pixels after the box.
    bool textBefore18 = false;
    bool textAfter18 = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 16; x < 50; ++x) {
            if (Pixel(check, x, y) != RGB(255, 255, 255))
                (x < 18 ? textBefore18 : textAfter18) = true;
        }
    }
    EXPECT_FALSE(textBefore18);
    EXPECT_TRUE(textAfter18);
}

TEST_F(Controls, CheckBox_ScaledBoxIndeterminateAndMiddleButton)
{
    CCheckBoxBtn& check = m_dlg.m_checkLarge;
    // Scale 1.5, 75 x 30: the box spans (0, 3) to (24, 27); its inside is blue when ticked and
    // white otherwise, and the rows above and below it stay white.
    auto blue = [](COLORREF c) { return GetBValue(c) > 200 && GetRValue(c) < 150; };
    auto white = [](COLORREF c) { return GetRValue(c) > 245 && GetGValue(c) > 245 && GetBValue(c) > 245; };
    check.SetCheck(BST_CHECKED);
    EXPECT_TRUE(blue(Pixel(check, 6, 9)));
    EXPECT_TRUE(blue(Pixel(check, 4, 20)));
    EXPECT_TRUE(blue(Pixel(check, 18, 20)));
    EXPECT_FALSE(blue(Pixel(check, 12, 1)));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(check, 12, 1));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(check, 12, 28));
    EXPECT_EQ(RGB(255, 255, 255), Pixel(check, 25, 2));

    SendMessageW(check.m_hWnd, BM_SETCHECK, BST_INDETERMINATE, 0);
    ASSERT_EQ(BST_INDETERMINATE, check.GetCheck());
    EXPECT_TRUE(white(Pixel(check, 6, 9))) << "drawn as unticked";

    ValidateRect(check.m_hWnd, nullptr);
    SendMessageW(check.m_hWnd, WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
    SendMessageW(check.m_hWnd, WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
    RECT update = {};
    EXPECT_TRUE(GetUpdateRect(check.m_hWnd, &update, FALSE)) << "a middle press repaints";
}

TEST_F(Controls, BackgroundSlice_ReproducesThePixelsUnderTheLabel)
{
    CDrawTextStatic& label = m_dlg.m_label;
    label.SetBkImage(m_dlg.m_pBkImage.get());
    label.SetBkSrcRect(188, 16, 328, 31);
    label.Invalidate();
    auto* background = static_cast<Gdiplus::Bitmap*>(nullptr);
    CImagePtr image;
    ASSERT_TRUE(LoadPngResource(image, 139));
    Gdiplus::Bitmap canvas(400, 600, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics graphics(&canvas);
        graphics.DrawImage(image.get(), 0, 0, 400, 600);
    }
    background = &canvas;
    int mismatches = 0;
    for (int y = 0; y < 15; ++y) {
        for (int x = 0; x < 140; ++x) {
            Gdiplus::Color colour;
            background->GetPixel(188 + x, 16 + y, &colour);
            COLORREF painted = Pixel(label, x, y);
            COLORREF expected = RGB(colour.GetR(), colour.GetG(), colour.GetB());
            if (painted != expected && ++mismatches == 1)
                ADD_FAILURE() << std::hex << "first at " << x << "," << y << ": 0x" << painted
                              << " instead of 0x" << expected;
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST_F(Controls, TextLabel_HoverColourRepaintsOnlyOnChange)
{
    CDrawTextStatic& label = m_dlg.m_label;
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

    // Right and bottom edges are outside, left and top edges inside.
    EXPECT_TRUE(label.HitTest(rc.left, rc.top));
    EXPECT_FALSE(label.HitTest(rc.right, rc.top));
    EXPECT_FALSE(label.HitTest(rc.left, rc.bottom));
    label.UpdateHover(rc.right, rc.top);
    EXPECT_EQ(0, label.IsHover());
    EXPECT_TRUE(AnyPixel(label, RGB(92, 92, 255)));
}

TEST_F(Controls, TextLabel_BackgroundColourFixedAtTheFirstPaint)
{
    CDrawTextStatic& label = m_dlg.m_label;
    label.SetAlign(99);  // no text drawn
    label.Invalidate();
    EXPECT_EQ(RGB(255, 255, 255), Pixel(label, 1, 1));
    label.SetBkColor(RGB(255, 0, 0));
    label.Invalidate();
    EXPECT_EQ(RGB(255, 255, 255), Pixel(label, 1, 1));
}

TEST(TextBlock, CentringOffset_HalfTheSpareHeightAndNegativeWhenTaller)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontW(-12, 0, 0, 0, 400, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    HGDIOBJ old = SelectObject(dc, font);
    std::wstring text = L"one two three four five six seven eight nine ten eleven twelve";
    RECT measure = {0, 0, 100, 10};
    DrawTextW(dc, text.c_str(), -1, &measure, 0x610);
    int needed = measure.bottom - measure.top;
    ASSERT_GT(needed, 12) << "the text wraps";

    RECT rc = {0, 0, 100, needed + 20};
    DrawTextBlock(dc, text, rc, 0x610, 0x214);
    EXPECT_EQ(10, rc.top);

    RECT small = {0, 0, 100, 10};
    DrawTextBlock(dc, text, small, 0x610, 0x214);
    EXPECT_EQ((10 - needed) / 2, small.top);
    EXPECT_LT(small.top, 0);

    RECT single = {0, 5, 100, 25};
    DrawTextBlock(dc, text, single, 0, 0x224);
    EXPECT_EQ(5, single.top) << "one-line modes are not measured";
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

TEST_F(Controls, StatusLabel_DotsGrowEverySecondAndStop)
{
    CDrawStateInfoStatic& dots = m_dlg.m_dots;
    dots.StartDots();
    DWORD start = GetTickCount();
    for (int expected : {1, 2, 3, 0}) {
        ASSERT_TRUE(PumpUntil([&] { return dots.GetDots() == expected; }, 1600)) << expected;
        DWORD elapsed = GetTickCount() - start;
        int seconds = expected == 0 ? 4 : expected;
        EXPECT_GE(elapsed + 150, seconds * 1000u) << expected;
    }
    ASSERT_TRUE(PumpUntil([&] { return dots.GetDots() == 2; }, 2600));
    dots.StopDots();
    EXPECT_EQ(0, dots.GetDots());
    PumpFor(1300);
    EXPECT_EQ(0, dots.GetDots()) << "the timer is gone";
}
