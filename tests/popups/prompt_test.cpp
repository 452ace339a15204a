// The prompt as a real window under Xvfb: its layout over the owner for each button mode and
// scale, wrapped text, real clicks on its buttons, its title band for dragging.
#include "PopupTestUtil.h"
#include "resource.h"
#include "ui/popups/PromptDlg.h"

#include <gtest/gtest.h>

using namespace popuptest;

namespace {

GdiplusForTests g_gdiplus;

// A prompt over a 400 x 600 owner at (300, 150), whose centre is (500, 450).
struct PromptSetup {
    PromptSetup(const wchar_t* text, int mode)
    {
        prompt.SetPromptText(text);
        prompt.SetButtonMode(mode);
    }
    COwnerWindow owner{300, 150};
    CWatched<CPromptDlg> prompt{owner.Handle()};
};

}  // namespace

TEST(PromptPopup, ButtonModesAndScales_LayoutOverTheOwner_ButtonEndsWithItsResult)
{
    const char kConfirm[] = "frame 332 372 668 528 | layer 5 3 331 149 | 1007 135 107 190 131 | "
                            "1008 - | 1005 300 8 312 20 | 1006 10 40 316 106";
    const struct {
        int mode;
        float scale;
        int button;  // clicked; 0: the OK button's message 1557 with wParam 1, posted to the frame
        INT_PTR result;
        const char* layout;  // IDC_PROMPT_OK 1007, CANCEL 1008, CLOSE 1005, TEXT 1006
    } cases[] = {
        // The face 336 x 156 centred, the layer inside the shadow margins 5, 3, 5, 7.
        {Confirm, 1.0f, IDC_PROMPT_OK, IDOK, kConfirm},
        {Confirm, 1.0f, IDC_PROMPT_CLOSE, IDCANCEL, kConfirm},
        {ConfirmCancel, 1.0f, IDC_PROMPT_CANCEL, IDCANCEL,
         "frame 332 372 668 528 | layer 5 3 331 149 | 1007 96 107 151 131 | "
         "1008 175 107 230 131 | 1005 300 8 312 20 | 1006 10 40 316 106"},
        // 120 dpi (1.2000000476837158 as a float): 403 x 187, margins trunc(5s), trunc(3s) ...
        {Yes, 1.2f, 0, IDOK,
         "frame 299 357 702 544 | layer 6 3 397 179 | 1007 161 128 227 156 | 1008 - | "
         "1005 360 9 374 23 | 1006 12 48 379 128"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        PromptSetup setup(L"导出失败", c.mode);
        setup.prompt.m_fScale = c.scale;
        std::string layout;
        bool ownerEnabled = true;
        LRESULT band = 0, corner = 0, message = 0;
        ModalRun run = RunModal(setup.prompt, WM_PROMPT_RESULT, [&](HWND frame, HWND layer) {
            layout = Layout(frame, layer, {IDC_PROMPT_OK, IDC_PROMPT_CANCEL, IDC_PROMPT_CLOSE,
                                           IDC_PROMPT_TEXT});
            ownerEnabled = IsWindowEnabled(setup.owner.Handle()) != FALSE;
            // The title band drags: the top 30 pixels but the right 26, beside the close button.
            RECT rc = WindowRectOf(layer);
            band = SendMessageW(layer, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 100, rc.top + 15));
            corner = SendMessageW(layer, WM_NCHITTEST, 0, MAKELPARAM(rc.right - 6, rc.top + 4));
            message = SendMessageW(layer, WM_NCHITTEST, 0, MAKELPARAM(rc.left + 100, rc.top + 60));
            if (c.button != 0)
                ClickCentreOf(GetDlgItem(layer, c.button));
            else  // posted: a message sent from this thread would leave the loop asleep
                PostMessageW(frame, 1557, 1, 0);
        });
        EXPECT_FALSE(run.forced);
        EXPECT_EQ(c.result, run.result);
        EXPECT_EQ(c.layout, layout);
        EXPECT_FALSE(ownerEnabled) << "the prompt is modal";
        EXPECT_TRUE(IsWindowEnabled(setup.owner.Handle())) << "the owner is enabled again";
        EXPECT_EQ(HTCAPTION, band);
        EXPECT_NE(HTCAPTION, corner);
        EXPECT_NE(HTCAPTION, message);
    }
}

// Only the buttons answer: Alt+F4 on the frame ends nothing.
TEST(PromptPopup, LongText_WrapsInTwoLinesCentredInTheLabel_AltF4OnTheFrameIgnored)
{
    const wchar_t kLongText[] = L"检测到当前工具有新的版本，请在Tesquin客户端下载最新版本使用。";
    PromptSetup setup(kLongText, Confirm);
    std::wstring text;
    Pixels label;
    bool openAfterAltF4 = false;
    RunModal(setup.prompt, WM_PROMPT_RESULT, [&](HWND frame, HWND layer) {
        text = TextOf(GetDlgItem(layer, IDC_PROMPT_TEXT));
        label = CapturePixels(GetDlgItem(layer, IDC_PROMPT_TEXT));
        openAfterAltF4 = AltF4LeavesOpen(setup.prompt);
        PostMessageW(frame, WM_PROMPT_RESULT, 1, 0);
    });
    EXPECT_EQ(1, setup.prompt.m_systemCloses) << "Alt+F4 never reached the frame";
    EXPECT_TRUE(openAfterAltF4);
    EXPECT_EQ(kLongText, text);
    // Bands of rows holding dark pixels: the lines of text.
    std::vector<std::pair<int, int>> lines;
    for (int y = 0; y < label.height; ++y) {
        bool dark = false;
        for (int x = 0; x < label.width; ++x)
            dark = dark || (label.At(x, y) & 0x808080) == 0;
        if (dark && !lines.empty() && lines.back().second == y - 1)
            lines.back().second = y;
        else if (dark)
            lines.push_back({y, y});
    }
    ASSERT_EQ(2u, lines.size()) << "label pixels read: " << label.data.size();
    int above = lines.front().first;
    int below = label.height - 1 - lines.back().second;
    EXPECT_LE(std::abs(above - below), 4) << "above " << above << ", below " << below;
}
