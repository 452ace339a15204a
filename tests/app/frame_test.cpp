// The real Kestrune.exe under Wine: the layered main frame around its control layer, at several
// dpi settings, the about box, keys, dragging and closing.
#include "TestUtil.h"
#include "ToolRun.h"
#include "XInput.h"

#include <gtest/gtest.h>

using toolrun::CToolProcess;

namespace {

// The geometry the frame and its control layer must have at scale s.
struct Geometry {
    RECT panel;
    RECT frame;
};

RECT FrameAround(const RECT& panel, double s)
{
    return {panel.left - static_cast<int>(5 * s), panel.top - static_cast<int>(4 * s),
            panel.right + static_cast<int>(5 * s), panel.bottom + static_cast<int>(7 * s)};
}

Geometry Expected(double s)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    int left = width / 2 - static_cast<int>(s * 410 / 2);
    int top = height / 2 - static_cast<int>(s * 611 / 2);
    int right = static_cast<int>(s * 410) + left;
    int bottom = static_cast<int>(s * 611) + top;
    Geometry g;
    g.panel.left = static_cast<int>(left + 5 * s);
    g.panel.top = static_cast<int>(top + 4 * s);
    g.panel.right = g.panel.left + static_cast<int>((right - left) - 10 * s);
    g.panel.bottom = g.panel.top + static_cast<int>((bottom - top) - 11 * s);
    g.frame = FrameAround(g.panel, s);
    return g;
}

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

::testing::AssertionResult SameRect(const RECT& expected, const RECT& actual)
{
    if (EqualRect(&expected, &actual))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "expected (" << expected.left << ", " << expected.top << ", " << expected.right
           << ", " << expected.bottom << "), got (" << actual.left << ", " << actual.top << ", "
           << actual.right << ", " << actual.bottom << ")";
}

class MainFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetProcessDPIAware();
        // Wine has no timeout.exe: the test double really waits.
        CopyFileW((testutil::ExeFolder() + L"\\fake_tool.exe").c_str(),
                  L"C:\\windows\\system32\\timeout.exe", FALSE);
    }
    void TearDown() override
    {
        m_tool.Kill();
        toolrun::SetLogPixels(96);
    }
    bool Launch(const std::wstring& folder)
    {
        testutil::RemoveTree(folder);
        return toolrun::InstallTool(folder) && m_tool.Start(folder + L"\\Kestrune.exe") &&
               m_tool.WaitForWindows();
    }

    CToolProcess m_tool;
};

}  // namespace

TEST_F(MainFrame, At96Dpi_PanelCentredFrameAroundIt_AboutBoxKeysDragAndClose)
{
    ASSERT_TRUE(toolrun::SetLogPixels(96));
    std::wstring folder = L"C:\\kestrune-tests\\frame96\\Kestrune";
    ASSERT_TRUE(Launch(folder));
    xinput::PumpFor(500);
    Geometry g = Expected(1.0);
    EXPECT_TRUE(SameRect(g.panel, WindowRect(m_tool.m_panel)));
    EXPECT_EQ(400, g.panel.right - g.panel.left);
    EXPECT_EQ(600, g.panel.bottom - g.panel.top);
    EXPECT_TRUE(SameRect(g.frame, WindowRect(m_tool.m_frame)));
    EXPECT_TRUE(GetWindowLongW(m_tool.m_frame, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    // The about item of the system menu: the about box opens over the tool.
    PostMessageW(m_tool.m_frame, WM_SYSCOMMAND, 0x10, 0);
    HWND about = nullptr;
    ASSERT_TRUE(xinput::PumpUntil(
        [&] { return (about = m_tool.FindWindowTitled(L"关于 DrovanixKestrune")) != nullptr; },
        10000));
    HWND owner = GetWindow(about, GW_OWNER);
    EXPECT_TRUE(owner == m_tool.m_panel || owner == m_tool.m_frame);
    RECT rcAbout = WindowRect(about);
    RECT rcOwner = WindowRect(owner);
    EXPECT_LE(abs((rcAbout.left + rcAbout.right) / 2 - (rcOwner.left + rcOwner.right) / 2), 1);
    EXPECT_LE(abs((rcAbout.top + rcAbout.bottom) / 2 - (rcOwner.top + rcOwner.bottom) / 2), 1);
    EXPECT_FALSE(IsWindowEnabled(m_tool.m_frame)) << "modal over the main window";
    // Without a window manager the X keyboard focus follows the pointer.
    xinput::MoveMouse(rcAbout.left + 20, rcAbout.bottom - 12);
    xinput::PumpFor(500);
    xinput::Xdo("key Escape");
    xinput::Xdo("key Return");
    xinput::PumpFor(500);
    EXPECT_TRUE(IsWindowVisible(about)) << "Escape and Enter close nothing";
    // The keys did arrive: space presses the focused OK button.
    xinput::Xdo("key space");
    EXPECT_TRUE(xinput::PumpUntil([&] { return !IsWindow(about); }, 5000));
    EXPECT_TRUE(IsWindow(m_tool.m_frame));
    EXPECT_TRUE(xinput::PumpUntil([&] { return IsWindowEnabled(m_tool.m_frame) != FALSE; }, 3000));

    // Escape and Enter on the panel close nothing either.
    RECT panel = WindowRect(m_tool.m_panel);
    xinput::Click(panel.left + 200, panel.top + 480);
    xinput::Xdo("key Escape");
    xinput::Xdo("key Return");
    xinput::PumpFor(800);
    EXPECT_TRUE(IsWindowVisible(m_tool.m_panel));
    EXPECT_TRUE(IsWindowVisible(m_tool.m_frame));

    // Dragging the strip moves the panel, and the frame follows with its margins.
    xinput::Xdo("mousemove " + std::to_string(panel.left + 60) + " " +
                std::to_string(panel.top + 12) + " mousedown 1");
    for (int step = 1; step <= 5; ++step)
        xinput::Xdo("mousemove " + std::to_string(panel.left + 60 + 20 * step) + " " +
                    std::to_string(panel.top + 12 + 10 * step));
    xinput::Xdo("mouseup 1");
    xinput::PumpFor(500);
    RECT moved = WindowRect(m_tool.m_panel);
    EXPECT_EQ(panel.left + 100, moved.left);
    EXPECT_EQ(panel.top + 50, moved.top);
    EXPECT_TRUE(SameRect(FrameAround(moved, 1.0), WindowRect(m_tool.m_frame)));

    // A move of the frame that does not come from the panel leaves the panel where it is.
    RECT frame = WindowRect(m_tool.m_frame);
    SetWindowPos(m_tool.m_frame, nullptr, frame.left + 30, frame.top + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    xinput::PumpFor(300);
    EXPECT_TRUE(SameRect(moved, WindowRect(m_tool.m_panel)));

    // Close from the system menu: an orderly end, and the tool's folder goes.
    ASSERT_TRUE(m_tool.CloseAnsweringFeedback());
    DWORD exitCode = 1;
    ASSERT_TRUE(m_tool.WaitForExit(15000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(xinput::PumpUntil([&] { return !testutil::FileExists(folder); }, 15000));
}

TEST_F(MainFrame, ScalesWithTheVerticalDpi_TruncatingEveryProduct)
{
    struct Case {
        DWORD dpi;
        int panelWidth;
        int panelHeight;
    };
    // 120 dpi: trunc(492 - 10s) = 479, although 492 - 10s is 479.9999995 in float.
    const Case cases[] = {{120, 479, 719}, {144, 575, 863}, {192, 767, 1151}};
    for (const Case& c : cases) {
        ASSERT_TRUE(toolrun::SetLogPixels(c.dpi));
        std::wstring folder = L"C:\\kestrune-tests\\dpi" + std::to_wstring(c.dpi) + L"\\Kestrune";
        CToolProcess tool;
        testutil::RemoveTree(folder);
        ASSERT_TRUE(toolrun::InstallTool(folder));
        ASSERT_TRUE(tool.Start(folder + L"\\Kestrune.exe"));
        ASSERT_TRUE(tool.WaitForWindows()) << c.dpi;
        xinput::PumpFor(300);
        const double s = static_cast<float>(c.dpi / 100.0);
        Geometry g = Expected(s);
        RECT panel = WindowRect(tool.m_panel);
        EXPECT_EQ(c.panelWidth, panel.right - panel.left) << c.dpi;
        EXPECT_EQ(c.panelHeight, panel.bottom - panel.top) << c.dpi;
        EXPECT_TRUE(SameRect(g.panel, panel)) << c.dpi;
        EXPECT_TRUE(SameRect(g.frame, WindowRect(tool.m_frame))) << c.dpi;
        // The taskbar's close reaches the frame as the same system command.
        EXPECT_TRUE(tool.CloseAnsweringFeedback()) << c.dpi;
        EXPECT_TRUE(tool.WaitForExit(15000)) << c.dpi;
    }
}
