// The prompt as a real window under Xvfb: placement over its owner, layout, wrapped text, real
// clicks and keys through xdotool, dragging by the title band.
#include "PopupTestUtil.h"
#include "ToolDriver.h"
#include "fw/GdiPlus.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <algorithm>

using namespace popuptest;

namespace {

const wchar_t kLongText[] = L"检测到当前工具有新的版本，请在Tesquin客户端下载最新版本使用。";

class PromptPopupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_gdiplus.Startup(); }
    static void TearDownTestSuite() { s_gdiplus.Shutdown(); }
    static CGdiplusSession s_gdiplus;
};
CGdiplusSession PromptPopupTest::s_gdiplus;

// A prompt over a 400 x 600 owner at (300, 150) whose centre is (500, 450).
struct PromptSetup {
    COwnerWindow owner{300, 150};
    CWatched<CPromptDlg> prompt{owner.Handle()};
};

ModalRun RunPrompt(CWatched<CPromptDlg>& prompt, const std::function<void(HWND, HWND)>& drive)
{
    return RunModal(prompt, 200, WM_PROMPT_RESULT, drive);
}

Placement MeasurePrompt(HWND frame, HWND layer)
{
    return Measure(frame, layer,
                   {IDC_PROMPT_OK, IDC_PROMPT_CANCEL, IDC_PROMPT_CLOSE, IDC_PROMPT_TEXT});
}

// A press-drag-release from (x, y) through each step, 0.2 s apart.
void Drag(int x, int y, std::initializer_list<POINT> steps)
{
    std::wstring command = L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                           L" sleep 0.2 mousedown 1";
    for (POINT step : steps)
        command += L" sleep 0.2 mousemove " + std::to_wstring(x + step.x) + L" " +
                   std::to_wstring(y + step.y);
    testutil::Xdotool(command + L" sleep 0.2 mouseup 1");
}

}  // namespace

TEST_F(PromptPopupTest, Confirm_CentredOverOwner_LongTextWrapsInTwoCentredLines_OkClickReturnsOk)
{
    PromptSetup setup;
    CWatched<CPromptDlg>& prompt = setup.prompt;
    prompt.SetPromptText(kLongText);
    ASSERT_TRUE(prompt.SetButtonMode(Confirm));
    prompt.m_fScale = 1.0f;
    Placement at;
    bool ownerEnabled = true;
    std::wstring text;
    std::vector<std::pair<int, int>> lines;
    int textHeight = 0;
    ModalRun run = RunPrompt(prompt, [&](HWND frame, HWND layer) {
        at = MeasurePrompt(frame, layer);
        ownerEnabled = IsWindowEnabled(setup.owner.Handle()) != FALSE;
        text = TextOf(GetDlgItem(layer, IDC_PROMPT_TEXT));
        Pixels label = CapturePixels(GetDlgItem(layer, IDC_PROMPT_TEXT));
        lines = RowBands(label, IsDark);
        textHeight = label.height;
        ClickCentreOf(GetDlgItem(layer, IDC_PROMPT_OK));
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);

    // The face image 336 x 156 centred over the owner; the layer lies on the face, inside the
    // shadow margins 5, 3, 5, 7.
    EXPECT_EQ("332 372 668 528", Ltrb(at.frame));
    EXPECT_EQ("5 3 331 149", Ltrb(Relative(at.layer, at.frame))) << "layer in frame";
    EXPECT_EQ("135 107 190 131", Ltrb(at.controls[IDC_PROMPT_OK])) << "OK button";
    EXPECT_EQ("300 8 312 20", Ltrb(at.controls[IDC_PROMPT_CLOSE])) << "close button";
    EXPECT_EQ("10 40 316 106", Ltrb(at.controls[IDC_PROMPT_TEXT])) << "message label";
    EXPECT_FALSE(at.visible[IDC_PROMPT_CANCEL]);
    EXPECT_FALSE(ownerEnabled) << "the prompt is modal";
    EXPECT_TRUE(IsWindowEnabled(setup.owner.Handle())) << "the owner is enabled again afterwards";
    EXPECT_EQ(kLongText, text);

    // Two lines of text, the block as far from the label's top as from its bottom.
    ASSERT_EQ(2u, lines.size());
    int above = lines.front().first;
    int below = textHeight - 1 - lines.back().second;
    EXPECT_LE(std::abs(above - below), 4) << "above " << above << ", below " << below;
}

TEST_F(PromptPopupTest, EscapeEnterAltF4_OnFrameAndOnLayer_CloseNothing_CloseButtonCancels)
{
    PromptSetup setup;
    setup.prompt.SetPromptText(L"设置成功，重启电脑后生效");
    setup.prompt.SetButtonMode(Confirm);
    CKeyRecorder keys;
    bool openAfterFrameKeys = false, openAfterLayerKeys = false;
    HWND frameSeen = nullptr;
    std::vector<HWND> layerWindows;
    ModalRun run = RunPrompt(setup.prompt, [&](HWND frame, HWND layer) {
        frameSeen = frame;
        layerWindows = {layer};
        for (int id : {IDC_PROMPT_CLOSE, IDC_PROMPT_TEXT, IDC_PROMPT_OK, IDC_PROMPT_CANCEL})
            layerWindows.push_back(GetDlgItem(layer, id));
        // The frame is active after the prompt appears: its keys first.
        POINT inside = CenterOf(WindowRectOf(GetDlgItem(layer, IDC_PROMPT_TEXT)));
        testutil::MoveMouseTo(inside.x, inside.y);
        testutil::PressKey(L"Escape");
        testutil::PressKey(L"Return");
        testutil::PressKey(L"alt+F4");
        testutil::Pause(300);
        openAfterFrameKeys = IsWindowVisible(frame) != FALSE;
        // A click on the message activates the layer; then Tab moves the focus to a button.
        testutil::ClickAt(inside.x, inside.y);
        for (const wchar_t* key : {L"Escape", L"Return", L"Tab", L"Return", L"Escape", L"alt+F4"})
            testutil::PressKey(key);
        testutil::Pause(300);
        openAfterLayerKeys = IsWindowVisible(frame) != FALSE;
        ClickCentreOf(GetDlgItem(layer, IDC_PROMPT_CLOSE));
    });
    EXPECT_TRUE(openAfterFrameKeys);
    EXPECT_TRUE(openAfterLayerKeys);
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);

    // The keys really reached the prompt: some for the frame, some for the layer or its buttons.
    int forFrame = 0, forLayer = 0;
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        for (HWND target : keys.Targets(key)) {
            forFrame += target == frameSeen;
            forLayer += std::count(layerWindows.begin(), layerWindows.end(), target);
        }
    }
    EXPECT_GE(forFrame, 2);
    EXPECT_GE(forLayer, 2);
}

TEST_F(PromptPopupTest, ConfirmCancel_ButtonsSideBySide_CancelClickReturnsCancel)
{
    PromptSetup setup;
    setup.prompt.SetPromptText(L"导出失败");
    ASSERT_TRUE(setup.prompt.SetButtonMode(ConfirmCancel));
    EXPECT_FALSE(setup.prompt.SetButtonMode(5));
    EXPECT_FALSE(setup.prompt.SetButtonMode(0));
    Placement at;
    ModalRun run = RunPrompt(setup.prompt, [&](HWND frame, HWND layer) {
        at = MeasurePrompt(frame, layer);
        ClickCentreOf(GetDlgItem(layer, IDC_PROMPT_CANCEL));
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_TRUE(at.visible[IDC_PROMPT_OK]);
    EXPECT_TRUE(at.visible[IDC_PROMPT_CANCEL]);
    EXPECT_EQ("96 107 151 131", Ltrb(at.controls[IDC_PROMPT_OK])) << "OK button";
    EXPECT_EQ("175 107 230 131", Ltrb(at.controls[IDC_PROMPT_CANCEL])) << "Cancel button";
}

TEST_F(PromptPopupTest, Scale120_ScaledLayout_YesModeCentresOneButton_Message1557EndsIt)
{
    PromptSetup setup;
    setup.prompt.SetPromptText(L"设置失败");
    setup.prompt.SetButtonMode(Yes);
    setup.prompt.m_fScale = 1.2f;  // 1.2000000476837158 as a 32-bit float
    Placement at;
    ModalRun run = RunPrompt(setup.prompt, [&](HWND frame, HWND layer) {
        at = MeasurePrompt(frame, layer);
        // What the OK button sends its frame: message 1557 with wParam 1 (posted, as it comes
        // from this thread: a sent one would leave the loop asleep in GetMessage).
        PostMessageW(frame, 1557, 1, 0);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(403, at.frame.right - at.frame.left);
    EXPECT_EQ(187, at.frame.bottom - at.frame.top);
    // Margins trunc(5s) = 6, trunc(3s) = 3, trunc(7s) = 8.
    EXPECT_EQ("6 3 397 179", Ltrb(Relative(at.layer, at.frame))) << "layer in frame";
    EXPECT_EQ("161 128 227 156", Ltrb(at.controls[IDC_PROMPT_OK])) << "OK button";
    EXPECT_EQ("360 9 374 23", Ltrb(at.controls[IDC_PROMPT_CLOSE])) << "close button";
    EXPECT_EQ("12 48 379 128", Ltrb(at.controls[IDC_PROMPT_TEXT])) << "message label";
    EXPECT_FALSE(at.visible[IDC_PROMPT_CANCEL]);
}

TEST_F(PromptPopupTest, TitleBandDrag_MovesFrameAndLayerTogether_CloseCornerDoesNotDrag)
{
    PromptSetup setup;
    setup.prompt.SetPromptText(L"请选择设置项！");
    setup.prompt.SetButtonMode(Confirm);
    RECT layerBefore = {}, layerAfter = {}, frameAfter = {}, layerAfterCorner = {};
    ModalRun run = RunPrompt(setup.prompt, [&](HWND frame, HWND layer) {
        layerBefore = WindowRectOf(layer);
        Drag(layerBefore.left + 100, layerBefore.top + 15, {{30, 20}, {60, 40}});
        // Wine works through the queued pointer events a little after xdotool has ended.
        WaitFor([&] { return WindowRectOf(layer).left != layerBefore.left; }, 3000);
        testutil::Pause(500);
        layerAfter = WindowRectOf(layer);
        frameAfter = WindowRectOf(frame);
        // Inside the top 30 pixels, but in the right 26 (beside the close button).
        Drag(layerAfter.right - 6, layerAfter.top + 4, {{-40, 40}});
        testutil::Pause(1000);
        layerAfterCorner = WindowRectOf(layer);
        ClickCentreOf(GetDlgItem(layer, IDC_PROMPT_OK));
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ("60 40 386 186", Ltrb(Relative(layerAfter, layerBefore))) << "dragged layer";
    EXPECT_EQ("5 3 331 149", Ltrb(Relative(layerAfter, frameAfter))) << "layer in dragged frame";
    EXPECT_EQ("0 0 326 146", Ltrb(Relative(layerAfterCorner, layerAfter)))
        << "layer after corner drag";
}
