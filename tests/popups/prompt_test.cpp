// The prompt as a real window under Xvfb: placement over its owner, layout, wrapped text, real
// clicks and keys through xdotool, dragging by the title band.
#include "PopupTestUtil.h"
#include "ToolDriver.h"
#include "fw/GdiPlus.h"
#include "resource.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <thread>

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

struct PromptRun {
    INT_PTR result = -1;
    // Still open when the driver was done: ended from outside, not by any of its own ways.
    bool forced = false;
};

// Runs the prompt modally while drive() acts on it from another thread.
PromptRun RunPrompt(CWatched<CPromptDlg>& prompt, const std::function<void(HWND, HWND)>& drive)
{
    PromptRun run;
    std::thread driver([&] {
        HWND layer = WaitShown(prompt.m_hFrame);
        HWND frame = prompt.m_hFrame;
        EXPECT_NE(layer, nullptr) << "the prompt never showed its control layer";
        if (layer != nullptr) {
            testutil::Pause(200);  // let it paint
            drive(frame, layer);
        }
        if (!WaitFor([&] { return !IsWindowVisible(frame); }, 3000)) {
            run.forced = true;
            PostMessageW(frame, WM_PROMPT_RESULT, 0, 0);
        }
    });
    run.result = prompt.DoModal();
    driver.join();
    return run;
}

// The rectangle of rc relative to origin's top-left corner.
RECT Relative(const RECT& rc, const RECT& origin)
{
    return {rc.left - origin.left, rc.top - origin.top, rc.right - origin.left,
            rc.bottom - origin.top};
}

void ExpectRect(const RECT& actual, int left, int top, int right, int bottom, const char* what)
{
    EXPECT_EQ(left, actual.left) << what;
    EXPECT_EQ(top, actual.top) << what;
    EXPECT_EQ(right, actual.right) << what;
    EXPECT_EQ(bottom, actual.bottom) << what;
}

}  // namespace

TEST_F(PromptPopupTest, Confirm_CentredOverOwner_LongTextWrapsInTwoCentredLines_OkClickReturnsOk)
{
    COwnerWindow owner(300, 150);
    CWatched<CPromptDlg> prompt(owner.Handle());
    prompt.SetPromptText(kLongText);
    ASSERT_TRUE(prompt.SetButtonMode(Confirm));
    prompt.m_fScale = 1.0f;
    RECT frameRect = {}, layerRect = {}, okRect = {}, closeRect = {}, textRect = {};
    bool cancelVisible = true, ownerEnabled = true;
    std::wstring text;
    std::vector<std::pair<int, int>> lines;
    int textHeight = 0;
    PromptRun run = RunPrompt(prompt, [&](HWND frame, HWND layer) {
        frameRect = WindowRectOf(frame);
        layerRect = WindowRectOf(layer);
        okRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_OK));
        closeRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_CLOSE));
        textRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_TEXT));
        cancelVisible = IsWindowVisible(GetDlgItem(layer, IDC_PROMPT_CANCEL)) != FALSE;
        ownerEnabled = IsWindowEnabled(owner.Handle()) != FALSE;
        text = TextOf(GetDlgItem(layer, IDC_PROMPT_TEXT));
        Pixels label = CapturePixels(GetDlgItem(layer, IDC_PROMPT_TEXT));
        lines = RowBands(label, IsDark);
        textHeight = label.height;
        RECT ok = WindowRectOf(GetDlgItem(layer, IDC_PROMPT_OK));
        testutil::ClickAt(CenterOf(ok).x, CenterOf(ok).y);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);

    // The face image 336 x 156 centred over the owner (its centre is 500, 450).
    EXPECT_EQ(336, frameRect.right - frameRect.left);
    EXPECT_EQ(156, frameRect.bottom - frameRect.top);
    EXPECT_EQ(500 - 168, frameRect.left);
    EXPECT_EQ(450 - 78, frameRect.top);
    // The layer lies on the face, inside the shadow margins 5, 3, 5, 7.
    ExpectRect(Relative(layerRect, frameRect), 5, 3, 331, 149, "layer in frame");
    ExpectRect(okRect, 135, 107, 190, 131, "OK button");
    ExpectRect(closeRect, 300, 8, 312, 20, "close button");
    ExpectRect(textRect, 10, 40, 316, 106, "message label");
    EXPECT_FALSE(cancelVisible);
    EXPECT_FALSE(ownerEnabled) << "the prompt is modal";
    EXPECT_TRUE(IsWindowEnabled(owner.Handle())) << "the owner is enabled again afterwards";
    EXPECT_EQ(kLongText, text);

    // Two lines of text, the block as far from the label's top as from its bottom.
    ASSERT_EQ(2u, lines.size());
    int above = lines.front().first;
    int below = textHeight - 1 - lines.back().second;
    EXPECT_LE(std::abs(above - below), 4) << "above " << above << ", below " << below;
}

TEST_F(PromptPopupTest, EscapeAndEnter_OnFrameAndOnLayer_CloseNothing_CloseButtonCancels)
{
    COwnerWindow owner(300, 150);
    CWatched<CPromptDlg> prompt(owner.Handle());
    prompt.SetPromptText(L"设置成功，重启电脑后生效");
    prompt.SetButtonMode(Confirm);
    CKeyRecorder keys;
    bool openAfterFrameKeys = false, openAfterLayerKeys = false;
    HWND frameSeen = nullptr;
    std::vector<HWND> layerWindows;
    PromptRun run = RunPrompt(prompt, [&](HWND frame, HWND layer) {
        frameSeen = frame;
        layerWindows = {layer};
        for (int id : {IDC_PROMPT_CLOSE, IDC_PROMPT_TEXT, IDC_PROMPT_OK, IDC_PROMPT_CANCEL})
            layerWindows.push_back(GetDlgItem(layer, id));
        // The frame is active after the prompt appears: its keys first.
        POINT inside = CenterOf(WindowRectOf(GetDlgItem(layer, IDC_PROMPT_TEXT)));
        testutil::MoveMouseTo(inside.x, inside.y);
        testutil::PressKey(L"Escape");
        testutil::PressKey(L"Return");
        testutil::Pause(300);
        openAfterFrameKeys = IsWindowVisible(frame) != FALSE;
        // A click on the message activates the layer; then Tab moves the focus to a button.
        testutil::ClickAt(inside.x, inside.y);
        testutil::PressKey(L"Escape");
        testutil::PressKey(L"Return");
        testutil::PressKey(L"Tab");
        testutil::PressKey(L"Return");
        testutil::PressKey(L"Escape");
        testutil::Pause(300);
        openAfterLayerKeys = IsWindowVisible(frame) != FALSE;
        RECT close = WindowRectOf(GetDlgItem(layer, IDC_PROMPT_CLOSE));
        testutil::ClickAt(CenterOf(close).x, CenterOf(close).y);
    });
    EXPECT_TRUE(openAfterFrameKeys);
    EXPECT_TRUE(openAfterLayerKeys);
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);

    // The keys really reached the prompt: some for the frame, some for the layer or its buttons.
    int forFrame = 0, forLayer = 0;
    for (WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        for (HWND target : keys.Targets(key)) {
            if (target == frameSeen)
                ++forFrame;
            else if (std::find(layerWindows.begin(), layerWindows.end(), target) !=
                     layerWindows.end())
                ++forLayer;
        }
    }
    EXPECT_GE(forFrame, 2);
    EXPECT_GE(forLayer, 2);
}

TEST_F(PromptPopupTest, ConfirmCancel_ButtonsSideBySide_CancelClickReturnsCancel)
{
    COwnerWindow owner(300, 150);
    CWatched<CPromptDlg> prompt(owner.Handle());
    prompt.SetPromptText(L"导出失败");
    ASSERT_TRUE(prompt.SetButtonMode(ConfirmCancel));
    EXPECT_FALSE(prompt.SetButtonMode(5));
    EXPECT_FALSE(prompt.SetButtonMode(0));
    RECT okRect = {}, cancelRect = {};
    bool okVisible = false, cancelVisible = false;
    PromptRun run = RunPrompt(prompt, [&](HWND, HWND layer) {
        HWND ok = GetDlgItem(layer, IDC_PROMPT_OK);
        HWND cancel = GetDlgItem(layer, IDC_PROMPT_CANCEL);
        okRect = ClientRectOfControl(ok);
        cancelRect = ClientRectOfControl(cancel);
        okVisible = IsWindowVisible(ok) != FALSE;
        cancelVisible = IsWindowVisible(cancel) != FALSE;
        POINT center = CenterOf(WindowRectOf(cancel));
        testutil::ClickAt(center.x, center.y);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDCANCEL, run.result);
    EXPECT_TRUE(okVisible);
    EXPECT_TRUE(cancelVisible);
    ExpectRect(okRect, 96, 107, 151, 131, "OK button");
    ExpectRect(cancelRect, 175, 107, 230, 131, "Cancel button");
}

TEST_F(PromptPopupTest, Scale120_ScaledLayout_YesModeCentresOneButton_Message1557EndsIt)
{
    COwnerWindow owner(300, 150);
    CWatched<CPromptDlg> prompt(owner.Handle());
    prompt.SetPromptText(L"设置失败");
    prompt.SetButtonMode(Yes);
    prompt.m_fScale = 1.2f;  // 1.2000000476837158 as a 32-bit float
    RECT frameRect = {}, layerRect = {}, okRect = {}, closeRect = {}, textRect = {};
    bool cancelVisible = true;
    PromptRun run = RunPrompt(prompt, [&](HWND frame, HWND layer) {
        frameRect = WindowRectOf(frame);
        layerRect = WindowRectOf(layer);
        okRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_OK));
        closeRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_CLOSE));
        textRect = ClientRectOfControl(GetDlgItem(layer, IDC_PROMPT_TEXT));
        cancelVisible = IsWindowVisible(GetDlgItem(layer, IDC_PROMPT_CANCEL)) != FALSE;
        // What the OK button sends its frame: message 1557 with wParam 1 (posted, as it comes
        // from this thread: a sent one would leave the loop asleep in GetMessage).
        PostMessageW(frame, 1557, 1, 0);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);
    EXPECT_EQ(403, frameRect.right - frameRect.left);
    EXPECT_EQ(187, frameRect.bottom - frameRect.top);
    // Margins trunc(5s) = 6, trunc(3s) = 3, trunc(7s) = 8.
    ExpectRect(Relative(layerRect, frameRect), 6, 3, 397, 179, "layer in frame");
    ExpectRect(okRect, 161, 128, 227, 156, "OK button");
    ExpectRect(closeRect, 360, 9, 374, 23, "close button");
    ExpectRect(textRect, 12, 48, 379, 128, "message label");
    EXPECT_FALSE(cancelVisible);
}

TEST_F(PromptPopupTest, TitleBandDrag_MovesFrameAndLayerTogether_CloseCornerDoesNotDrag)
{
    COwnerWindow owner(300, 150);
    CWatched<CPromptDlg> prompt(owner.Handle());
    prompt.SetPromptText(L"请选择设置项！");
    prompt.SetButtonMode(Confirm);
    RECT layerBefore = {}, layerAfter = {}, frameAfter = {}, layerAfterCorner = {};
    PromptRun run = RunPrompt(prompt, [&](HWND frame, HWND layer) {
        layerBefore = WindowRectOf(layer);
        int x = layerBefore.left + 100;
        int y = layerBefore.top + 15;
        testutil::Xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                          L" sleep 0.2 mousedown 1 sleep 0.2 mousemove " + std::to_wstring(x + 30) +
                          L" " + std::to_wstring(y + 20) + L" sleep 0.2 mousemove " +
                          std::to_wstring(x + 60) + L" " + std::to_wstring(y + 40) +
                          L" sleep 0.2 mouseup 1");
        // Wine works through the queued pointer events a little after xdotool has ended.
        WaitFor([&] { return WindowRectOf(layer).left != layerBefore.left; }, 3000);
        testutil::Pause(500);
        layerAfter = WindowRectOf(layer);
        frameAfter = WindowRectOf(frame);
        // Inside the top 30 pixels, but in the right 26 (beside the close button).
        x = layerAfter.right - 6;
        y = layerAfter.top + 4;
        testutil::Xdotool(L"mousemove " + std::to_wstring(x) + L" " + std::to_wstring(y) +
                          L" sleep 0.2 mousedown 1 sleep 0.2 mousemove " + std::to_wstring(x - 40) +
                          L" " + std::to_wstring(y + 40) + L" sleep 0.2 mouseup 1");
        testutil::Pause(1000);
        layerAfterCorner = WindowRectOf(layer);
        POINT center = CenterOf(WindowRectOf(GetDlgItem(layer, IDC_PROMPT_OK)));
        testutil::ClickAt(center.x, center.y);
    });
    EXPECT_FALSE(run.forced);
    EXPECT_EQ(IDOK, run.result);
    ExpectRect(Relative(layerAfter, layerBefore), 60, 40, 60 + 326, 40 + 146, "dragged layer");
    ExpectRect(Relative(layerAfter, frameAfter), 5, 3, 331, 149, "layer in dragged frame");
    ExpectRect(Relative(layerAfterCorner, layerAfter), 0, 0, 326, 146, "layer after corner drag");
}
