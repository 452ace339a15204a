// The tool panel end to end: the real Kestrune.exe under Wine and Xvfb, driven with xdotool.
#include "PanelFixture.h"
#include "resource.h"
#include "TestUtil.h"
#include "XInput.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

// Closes the tool through its close button and checks the orderly end.
void CloseTool(CPanelFixture& tool)
{
    tool.ClickControl(IDC_BTN_CLOSE);
    // Closing asks whether the problem was solved; "其 他" answers.
    HWND feedback = FindWindowWithControl(tool.m_tool.m_pid, IDC_FEEDBACK_SOLVED, 20000);
    ASSERT_NE(nullptr, feedback) << "no problem-solved popup";
    xinput::PumpFor(500);
    RECT other;
    GetWindowRect(GetDlgItem(feedback, IDC_FEEDBACK_OTHER), &other);
    ClickOn(feedback, (other.left + other.right) / 2, (other.top + other.bottom) / 2);
    DWORD exitCode = 1;
    ASSERT_TRUE(tool.m_tool.WaitForExit(30000, &exitCode)) << "the tool did not end";
    EXPECT_EQ(0u, exitCode);
}

RECT RelativeTo(HWND panel, RECT rc)
{
    POINT origin = {0, 0};
    ClientToScreen(panel, &origin);
    return {rc.left - origin.x, rc.top - origin.y, rc.right - origin.x, rc.bottom - origin.y};
}

}  // namespace

TEST(Panel, Win7_FourTypes_OnlyCrashDumpEnabledWritten)
{
    RemoveDumps();
    ToolSetup setup;
    setup.windowsVersion = L"win7";
    CPanelFixture tool(L"panel-win7", setup);
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(4, SendMessageW(GetDlgItem(panel, IDC_COMBO_DUMP_TYPE), CB_GETCOUNT, 0, 0));
    ResetCrashControl();
    ASSERT_TRUE(tool.PickDumpType(3));
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt());
    tool.ConfirmPrompt();
    DWORD cde = 0;
    ASSERT_TRUE(ReadCrashControl(L"CrashDumpEnabled", cde));
    EXPECT_EQ(2u, cde);
    EXPECT_EQ(L"5", CrashControlText(L"FilterPages")) << "FilterPages is not touched on Windows 7";
    CloseTool(tool);
}

TEST(Panel, Geometry_DesignRectanglesAtEachScale)
{
    struct Expected {
        int id;
        RECT rc;
    };
    // The design at scale 1 with the 400 x 600 panel.
    const Expected at96[] = {
        {IDC_BTN_CLOSE, {368, 0, 394, 34}},  {1011, {340, 0, 366, 34}},    {1014, {188, 16, 328, 31}},
        {IDC_BTN_SET, {30, 305, 166, 352}},  {IDC_BTN_EXPORT, {200, 305, 368, 352}},
        {IDC_BTN_MORE_TOOLS, {50, 545, 108, 563}},
    };
    RemoveDumps();
    {
        CPanelFixture tool(L"geometry-96");
        ASSERT_TRUE(tool.Start());
        HWND panel = tool.WaitReady();
        ASSERT_NE(nullptr, panel);
        RECT client;
        GetClientRect(panel, &client);
        EXPECT_EQ(400, client.right);
        EXPECT_EQ(600, client.bottom);
        for (const Expected& e : at96) {
            RECT rc = RelativeTo(panel, tool.ControlRect(e.id));
            EXPECT_EQ(e.rc.left, rc.left) << e.id;
            EXPECT_EQ(e.rc.top, rc.top) << e.id;
            EXPECT_EQ(e.rc.right, rc.right) << e.id;
            EXPECT_EQ(e.rc.bottom, rc.bottom) << e.id;
        }
        RECT list = RelativeTo(panel, tool.ControlRect(IDC_COMBO_DUMP_TYPE));
        EXPECT_EQ(60, list.left);
        EXPECT_EQ(270, list.top);
        EXPECT_EQ(340, list.right);
        for (int id : {IDC_CHECK_AGREE, IDC_LINK_AGREEMENT, IDC_LINK_FEEDBACK}) {
            RECT rc = RelativeTo(panel, tool.ControlRect(id));
            EXPECT_EQ(575, rc.top) << id;
            EXPECT_EQ(595, rc.bottom) << id;
        }
        CloseTool(tool);
    }
    // 120 dpi: s = 1.2000000476837158 as a 32-bit float; the panel is 479 x 719.
    for (int dpi : {120, 144}) {
        ToolSetup setup;
        setup.logPixels = dpi;
        CPanelFixture tool(L"geometry-" + std::to_wstring(dpi), setup);
        ASSERT_TRUE(tool.Start());
        HWND panel = tool.WaitReady();
        ASSERT_NE(nullptr, panel);
        const double s = static_cast<float>(dpi / 100.0);
        RECT client;
        GetClientRect(panel, &client);
        const int W = client.right;
        const int H = client.bottom;
        EXPECT_EQ(static_cast<int>(static_cast<int>(410 * s) - 10 * s), W);
        EXPECT_EQ(static_cast<int>(static_cast<int>(611 * s) - 11 * s), H);
        RECT close = RelativeTo(panel, tool.ControlRect(IDC_BTN_CLOSE));
        EXPECT_EQ(static_cast<int>(W - 31.2 * s), close.left);
        EXPECT_EQ(static_cast<int>(34 * s), close.bottom);
        RECT set = RelativeTo(panel, tool.ControlRect(IDC_BTN_SET));
        EXPECT_EQ(static_cast<int>(200 * s - 170 * s), set.left);
        EXPECT_EQ(static_cast<int>(300 * s + 5 * s), set.top);
        EXPECT_EQ(set.left + static_cast<int>(136 * s), set.right);
        RECT more = RelativeTo(panel, tool.ControlRect(IDC_BTN_MORE_TOOLS));
        EXPECT_EQ(static_cast<int>(50 * s), more.left);
        EXPECT_EQ(H - static_cast<int>(55 * s), more.top);
        RECT agree = RelativeTo(panel, tool.ControlRect(IDC_CHECK_AGREE));
        EXPECT_EQ(static_cast<int>(H - 25 * s), agree.top);
        Screenshot(L"panel-" + std::to_wstring(dpi) + L"dpi-start");
        CloseTool(tool);
    }
}

TEST(Panel, Agreement_QuickClicksUnticked_SetUnusableAndStartsNothing_KeysCloseNothing)
{
    RemoveDumps();
    CPanelFixture tool(L"panel-agreement");
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    RECT rc = tool.ControlRect(IDC_CHECK_AGREE);
    for (int round = 0; round < 4; ++round) {
        int clicks = 10 + round % 2;  // ends ticked, then unticked, ...
        xinput::Xdo("mousemove " + std::to_string(rc.left + 6) + " " +
                    std::to_string((rc.top + rc.bottom) / 2) + " click --repeat " +
                    std::to_string(clicks) + " --delay 25 1");
        xinput::PumpFor(800);
        bool ticked = SendMessageW(GetDlgItem(panel, IDC_CHECK_AGREE), BM_GETCHECK, 0, 0) == BST_CHECKED;
        EXPECT_EQ(ticked, IsWindowEnabled(GetDlgItem(panel, IDC_BTN_SET)) != FALSE) << "round " << round;
    }
    // Unticked: only the set button is unusable, and a click on it starts nothing.
    tool.ClickControl(IDC_CHECK_AGREE);
    xinput::PumpFor(500);
    ASSERT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(panel, IDC_CHECK_AGREE), BM_GETCHECK, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_BTN_SET)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_COMBO_DUMP_TYPE)));
    ASSERT_TRUE(tool.PickDumpType(1));
    ResetCrashControl();
    tool.ClickControl(IDC_BTN_SET);
    xinput::PumpFor(800);
    DWORD cde = 0;
    ReadCrashControl(L"CrashDumpEnabled", cde);
    EXPECT_EQ(99u, cde) << "a disabled set button started a job";
    // Escape and Enter close nothing.
    PressKey("Escape");
    PressKey("Return");
    xinput::PumpFor(300);
    EXPECT_TRUE(tool.IsRunning());
    EXPECT_TRUE(IsWindowVisible(panel));
    CloseTool(tool);
}

