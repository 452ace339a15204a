// The tool panel end to end: the real Kestrune.exe under Wine and Xvfb, driven with xdotool.
#include "PanelFixture.h"
#include "TestUtil.h"
#include "XInput.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

const int kClose = 1010;
const int kMoreTools = 1012;
const int kAgree = 1013;
const int kSet = 1015;
const int kExport = 1016;
const int kAgreementLink = 1017;
const int kFeedbackLink = 1018;
const int kList = 1019;

void ResetCrashControl()
{
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\CrashControl", 0,
                    nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    DWORD cde = 99;
    DWORD fp = 5;
    RegSetValueExW(key, L"CrashDumpEnabled", 0, REG_DWORD, reinterpret_cast<BYTE*>(&cde), 4);
    RegSetValueExW(key, L"FilterPages", 0, REG_DWORD, reinterpret_cast<BYTE*>(&fp), 4);
    RegCloseKey(key);
}

std::wstring FilterPagesText()
{
    DWORD value = 0;
    return ReadCrashControl(L"FilterPages", value) ? std::to_wstring(value) : L"absent";
}

// Closes the tool through its close button and checks the orderly end.
void CloseTool(CPanelFixture& tool)
{
    tool.ClickControl(kClose);
    // Closing asks whether the problem was solved; "其 他" answers.
    HWND feedback = FindWindowWithControl(tool.m_tool.m_pid, 1003, 20000);
    ASSERT_NE(nullptr, feedback) << "no problem-solved popup";
    xinput::PumpFor(500);
    RECT other;
    GetWindowRect(GetDlgItem(feedback, 1001), &other);
    ClickAt((other.left + other.right) / 2, (other.top + other.bottom) / 2);
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

TEST(Panel, Win10_SetsEveryDumpType_WithBusyPopupAndPrompt)
{
    RemoveDumps();
    CPanelFixture tool(L"panel-win10");
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    HWND list = GetDlgItem(panel, kList);
    EXPECT_EQ(6, SendMessageW(list, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(CB_ERR, SendMessageW(list, CB_GETCURSEL, 0, 0)) << "nothing chosen at start";
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, kExport))) << "no dumps: export unusable";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, kSet)));
    std::wstring shot = Screenshot(L"panel-96dpi-start");
    RECT heading = tool.ControlRect(kList);
    // The panel is painted (white footer under the links, not a black window).
    RECT agree = tool.ControlRect(kAgree);
    EXPECT_TRUE(NearColour(PixelOf(shot, agree.left + 2, agree.top - 8), RGB(255, 255, 255)))
        << "footer not painted";
    (void)heading;

    tool.ClickControl(kSet);
    EXPECT_EQ(L"请选择设置项！", tool.WaitPrompt());
    Screenshot(L"panel-96dpi-prompt");
    tool.ConfirmPrompt();

    const wchar_t* values[] = {L"0", L"3", L"1", L"2", L"7", L"1"};
    for (int i = 0; i < 6; ++i) {
        ResetCrashControl();
        ASSERT_TRUE(tool.PickDumpType(i)) << i;
        if (i == 0)
            Screenshot(L"panel-96dpi-list-picked");
        tool.ClickControl(kSet);
        if (i == 5)
            Screenshot(L"panel-96dpi-busy");
        EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt()) << i;
        tool.ConfirmPrompt();
        DWORD cde = 0;
        ASSERT_TRUE(ReadCrashControl(L"CrashDumpEnabled", cde));
        EXPECT_EQ(values[i], std::to_wstring(cde)) << i;
        EXPECT_EQ(i == 5 ? L"1" : L"absent", FilterPagesText()) << i;
    }

    // Unticking the agreement makes only the set button unusable.
    tool.ClickControl(kAgree);
    xinput::PumpFor(500);
    EXPECT_EQ(BST_UNCHECKED, SendMessageW(GetDlgItem(panel, kAgree), BM_GETCHECK, 0, 0));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, kSet)));
    ResetCrashControl();
    tool.ClickControl(kSet);
    xinput::PumpFor(800);
    DWORD cde = 0;
    ReadCrashControl(L"CrashDumpEnabled", cde);
    EXPECT_EQ(99u, cde) << "a disabled set button started a job";
    tool.ClickControl(kAgree);
    xinput::PumpFor(500);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, kSet)));
    CloseTool(tool);
}

TEST(Panel, Win7_FourTypes_OnlyCrashDumpEnabledWritten)
{
    RemoveDumps();
    ToolSetup setup;
    setup.windowsVersion = L"win7";
    CPanelFixture tool(L"panel-win7", setup);
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    EXPECT_EQ(4, SendMessageW(GetDlgItem(panel, kList), CB_GETCOUNT, 0, 0));
    ResetCrashControl();
    ASSERT_TRUE(tool.PickDumpType(3));
    tool.ClickControl(kSet);
    EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt());
    tool.ConfirmPrompt();
    DWORD cde = 0;
    ASSERT_TRUE(ReadCrashControl(L"CrashDumpEnabled", cde));
    EXPECT_EQ(2u, cde);
    EXPECT_EQ(L"5", FilterPagesText()) << "FilterPages is not touched on Windows 7";
    CloseTool(tool);
}

TEST(Panel, DumpsPresent_ExportFillsDesktopFolder)
{
    InstallDumps(2 * 1024 * 1024 + 3, 3);
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    CPanelFixture tool(L"panel-export");
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, kExport))) << "dumps present: export usable";
    tool.ClickControl(kExport);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下", tool.WaitPrompt());
    tool.ConfirmPrompt();
    EXPECT_EQ(2 * 1024 * 1024 + 3, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(4096 + i, FileSize(desktop + L"BlueScreen\\Minidump\\mini-" +
                                     std::to_wstring(i) + L".dmp"));
    CloseTool(tool);
    RemoveTree(desktop + L"BlueScreen");
    RemoveDumps();
}

TEST(Panel, StartupChecksFail_PromptThenExitZeroFolderKept)
{
    struct Case {
        const wchar_t* name;
        bool withDll;
        const wchar_t* dllFrom;  // a test build of the library instead of ours
        const wchar_t* version;
        const wchar_t* prompt;
    };
    const Case cases[] = {
        {L"no-dll", false, nullptr, L"win10", L"工具初始化失败"},
        {L"lacking-export", false, L"lacking-export", L"win10", L"工具初始化失败"},
        {L"init-fails", false, L"init-fails", L"win10", L"工具初始化失败"},
        {L"winxp", true, nullptr, L"winxp", L"此工具不支持当前系统"},
        {L"win81", true, nullptr, L"win81", L"此工具不支持当前系统"},
    };
    for (const Case& c : cases) {
        ToolSetup setup;
        setup.withDll = c.withDll;
        setup.windowsVersion = c.version;
        CPanelFixture tool(std::wstring(L"startup-") + c.name, setup);
        if (c.dllFrom != nullptr) {
            std::wstring from = ExeFolder() + L"\\" + c.dllFrom + L"\\OrlaviFeedbackInformation.dll";
            ASSERT_TRUE(CopyFileW(from.c_str(), (tool.m_folder + L"\\OrlaviFeedbackInformation.dll").c_str(),
                                  FALSE))
                << ToCodePage(from, CP_UTF8);
        }
        ASSERT_TRUE(tool.Start());
        EXPECT_EQ(c.prompt, tool.WaitPrompt()) << ToCodePage(c.name, CP_UTF8);
        tool.ConfirmPrompt();
        DWORD exitCode = 1;
        ASSERT_TRUE(tool.m_tool.WaitForExit(20000, &exitCode)) << ToCodePage(c.name, CP_UTF8);
        EXPECT_EQ(0u, exitCode);
        xinput::PumpFor(4500);  // a removal would have run by now
        EXPECT_TRUE(FileExists(tool.m_exe)) << "early exit removed the folder: "
                                            << ToCodePage(c.name, CP_UTF8);
    }
}

TEST(Panel, Geometry_DesignRectanglesAtEachScale)
{
    struct Expected {
        int id;
        RECT rc;
    };
    // The design at scale 1 with the 400 x 600 panel.
    const Expected at96[] = {
        {kClose, {368, 0, 394, 34}},  {1011, {340, 0, 366, 34}},    {1014, {188, 16, 328, 31}},
        {kSet, {30, 305, 166, 352}},  {kExport, {200, 305, 368, 352}},
        {kMoreTools, {50, 545, 108, 563}},
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
        RECT list = RelativeTo(panel, tool.ControlRect(kList));
        EXPECT_EQ(60, list.left);
        EXPECT_EQ(270, list.top);
        EXPECT_EQ(340, list.right);
        for (int id : {kAgree, kAgreementLink, kFeedbackLink}) {
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
        RECT close = RelativeTo(panel, tool.ControlRect(kClose));
        EXPECT_EQ(static_cast<int>(W - 31.2 * s), close.left);
        EXPECT_EQ(static_cast<int>(34 * s), close.bottom);
        RECT set = RelativeTo(panel, tool.ControlRect(kSet));
        EXPECT_EQ(static_cast<int>(200 * s - 170 * s), set.left);
        EXPECT_EQ(static_cast<int>(300 * s + 5 * s), set.top);
        EXPECT_EQ(set.left + static_cast<int>(136 * s), set.right);
        RECT more = RelativeTo(panel, tool.ControlRect(kMoreTools));
        EXPECT_EQ(static_cast<int>(50 * s), more.left);
        EXPECT_EQ(H - static_cast<int>(55 * s), more.top);
        RECT agree = RelativeTo(panel, tool.ControlRect(kAgree));
        EXPECT_EQ(static_cast<int>(H - 25 * s), agree.top);
        Screenshot(L"panel-" + std::to_wstring(dpi) + L"dpi-start");
        CloseTool(tool);
    }
}

TEST(Panel, TenQuickAgreementClicks_SetFollowsTheTick)
{
    RemoveDumps();
    CPanelFixture tool(L"panel-quick-clicks");
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    RECT rc = tool.ControlRect(kAgree);
    for (int round = 0; round < 4; ++round) {
        int clicks = 10 + round % 2;  // ends ticked, then unticked, ...
        xinput::Xdo("mousemove " + std::to_string(rc.left + 6) + " " +
                    std::to_string((rc.top + rc.bottom) / 2) + " click --repeat " +
                    std::to_string(clicks) + " --delay 25 1");
        xinput::PumpFor(800);
        bool ticked = SendMessageW(GetDlgItem(panel, kAgree), BM_GETCHECK, 0, 0) == BST_CHECKED;
        EXPECT_EQ(ticked, IsWindowEnabled(GetDlgItem(panel, kSet)) != FALSE) << "round " << round;
    }
    CloseTool(tool);
}

TEST(Panel, LinksAndMoreTools_GoThroughTheCompanion)
{
    RemoveDumps();
    CPanelFixture tool(L"panel-links");
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(panel, kMoreTools))) << "no service client: shown";
    tool.ClickControl(kFeedbackLink);
    xinput::PumpFor(500);
    std::string calls = tool.NewCalls();
    EXPECT_NE(std::string::npos, calls.find("FeedbackQuestion(\"10107\", \"1.3.22.1026\")")) << calls;
    EXPECT_EQ(std::string::npos, calls.find("OpenUseAgreementUrl"));
    tool.ClickControl(kAgreementLink);
    xinput::PumpFor(500);
    calls = tool.NewCalls();
    EXPECT_NE(std::string::npos, calls.find("OpenUseAgreementUrl()")) << calls;
    tool.ClickControl(kMoreTools);
    xinput::PumpFor(500);
    calls = tool.NewCalls();
    EXPECT_NE(std::string::npos, calls.find("OpenUrl(\"http://127.0.0.1:9/more\")")) << calls;
    // Escape and Enter close nothing.
    PressKey("Escape");
    PressKey("Return");
    xinput::PumpFor(300);
    EXPECT_TRUE(tool.IsRunning());
    EXPECT_TRUE(IsWindowVisible(panel));
    CloseTool(tool);
    // The answer "其 他" is reported with kind 3 and device type 0 + 1, then the question page.
    calls = tool.NewCalls();
    size_t report = calls.find("CustomerFeedbackEx(\"10107\", \"1.3.22.1026\", 3, \"");
    EXPECT_NE(std::string::npos, report) << calls;
    EXPECT_NE(std::string::npos, calls.find("\", \"1\") = 1", report)) << calls;
    EXPECT_NE(std::string::npos, calls.find("FeedbackQuestion(", report)) << calls;
    // An orderly end from a folder of its own removes that folder three seconds later.
    xinput::PumpFor(6000);
    EXPECT_FALSE(FileExists(tool.m_exe)) << "the tool's own folder was not removed";
}

TEST(Panel, NewerVersion_PromptThenExitZeroWithoutProbe)
{
    struct Case {
        const wchar_t* manifest;
        const wchar_t* prompt;
    };
    const Case cases[] = {
        {L"10107=1.3.100.0", L"检测到当前工具有新的版本，请下载最新版本使用。"},
        {L"10107=1.3.22.1027", L"检测到当前工具有新的版本，请下载最新版本使用。"},
    };
    InstallDumps(100, 1);
    for (const Case& c : cases) {
        ToolSetup setup;
        setup.manifestLine = c.manifest;
        CPanelFixture tool(L"panel-newer", setup);
        ASSERT_TRUE(tool.Start());
        EXPECT_EQ(c.prompt, tool.WaitPrompt());
        tool.ConfirmPrompt();
        DWORD exitCode = 1;
        ASSERT_TRUE(tool.m_tool.WaitForExit(20000, &exitCode));
        EXPECT_EQ(0u, exitCode);
        std::string calls = tool.NewCalls();
        EXPECT_NE(std::string::npos, calls.find("OpenToolDownUrl()")) << calls;
        xinput::PumpFor(4500);
        EXPECT_TRUE(FileExists(tool.m_exe)) << "a newer version keeps the folder";
    }
    RemoveDumps();
}
