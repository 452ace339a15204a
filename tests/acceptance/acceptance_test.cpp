// The whole tool as a person uses it, in a Wine prefix made for this run alone: start, wait for
// the probe, set every dump type, export, follow the links, minimise, close with each answer.
// After each step the system itself is checked, and a screenshot of the tool's windows is probed
// at places whose colours a blank or black window would not have.
#include "DumpHeaderBytes.h"
#include "PanelFixture.h"
#include "resource.h"
#include "TestUtil.h"
#include "XInput.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

using namespace testutil;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);

std::string Gbk(const wchar_t* text)
{
    return ToCodePage(text, 936);
}

std::wstring FeedbackRecords()
{
    return GetCommonAppDataPath() + L"Drovanix\\Feedback\\feedback.txt";
}

std::wstring ToolLog(const wchar_t* name)
{
    return GetCommonAppDataPath() + L"ToolLog\\" + name;
}

// What a file holds beyond its first skip bytes.
std::string BytesAfter(const std::wstring& path, size_t skip)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes.size() > skip ? bytes.substr(skip) : std::string();
}

size_t Length(const std::wstring& path)
{
    return static_cast<size_t>(std::max(0LL, FileSize(path)));
}

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

// The screen area that all visible windows of the tool cover.
RECT ToolArea(DWORD pid)
{
    RECT area = {};
    for (HWND window : VisibleWindowsOf(pid)) {
        RECT rc;
        GetWindowRect(window, &rc);
        UnionRect(&area, &area, &rc);
    }
    return area;
}

// A screenshot of the tool's windows; origin receives the screen point of its top-left pixel.
std::wstring Shot(CPanelFixture& tool, const wchar_t* name, POINT& origin)
{
    RECT area = ToolArea(tool.m_tool.m_pid);
    origin = {area.left, area.top};
    std::wstring path = ScreenshotArea(name, area);
    EXPECT_FALSE(path.empty()) << "no screenshot " << ToCodePage(name, CP_UTF8);
    return path;
}

COLORREF PanelPixel(const std::wstring& shot, POINT origin, HWND panel, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(panel, &at);
    return PixelOf(shot, at.x - origin.x, at.y - origin.y);
}

// A layered frame's shadow, just above its lower edge: composited over the desktop, not black.
void ExpectShadowNotBlack(const std::wstring& shot, POINT origin, HWND frame, const char* step)
{
    RECT rc;
    GetWindowRect(frame, &rc);
    COLORREF pixel = PixelOf(shot, (rc.left + rc.right) / 2 - origin.x, rc.bottom - 2 - origin.y);
    EXPECT_FALSE(NearColour(pixel, RGB(0, 0, 0), 30)) << step << ": shadow " << std::hex << pixel;
}

// The panel as painted at 96 dpi: blue heading band, white body and set button, the list; the
// frame's shadow around it.
void ExpectPanelPainted(const std::wstring& shot, POINT origin, HWND panel, const char* step)
{
    ExpectShadowNotBlack(shot, origin, GetWindow(panel, GW_OWNER), step);
    EXPECT_TRUE(NearColour(PanelPixel(shot, origin, panel, 20, 100), RGB(34, 107, 209), 40))
        << step << ": heading band";
    EXPECT_TRUE(NearColour(PanelPixel(shot, origin, panel, 200, 380), kWhite)) << step << ": body";
    EXPECT_TRUE(NearColour(PanelPixel(shot, origin, panel, 60, 328), kWhite, 16))
        << step << ": set button";
    EXPECT_TRUE(NearColour(PanelPixel(shot, origin, panel, 150, 560), kWhite)) << step << ": footer";
}

// A popup's button face, probed beside its text.
void ExpectControlPainted(const std::wstring& shot, POINT origin, HWND control, COLORREF expected,
                          int tolerance, const char* step)
{
    RECT rc;
    GetWindowRect(control, &rc);
    COLORREF pixel = PixelOf(shot, rc.left + 12 - origin.x, (rc.top + rc.bottom) / 2 - origin.y);
    EXPECT_TRUE(NearColour(pixel, expected, tolerance))
        << step << ": pixel " << std::hex << pixel << " at control " << std::dec
        << GetDlgCtrlID(control);
}

// Closes through the panel's close button and answers the problem-solved popup with a button.
void CloseAnswering(CPanelFixture& tool, int answer, const wchar_t* shotName)
{
    tool.ClickControl(IDC_BTN_CLOSE);
    HWND popup = FindWindowWithControl(tool.m_tool.m_pid, IDC_FEEDBACK_SOLVED, 20000);
    ASSERT_NE(nullptr, popup) << "closing asked nothing";
    xinput::PumpFor(600);
    if (shotName != nullptr) {
        POINT origin;
        std::wstring shot = Shot(tool, shotName, origin);
        // The first answer is the blue button on the popup's dark card.
        ExpectControlPainted(shot, origin, GetDlgItem(popup, IDC_FEEDBACK_SOLVED), RGB(34, 107, 209),
                             70, "feedback popup");
        RECT card;
        GetWindowRect(popup, &card);
        EXPECT_FALSE(NearColour(PixelOf(shot, card.left + 20 - origin.x, card.top + 20 - origin.y),
                                RGB(0, 0, 0), 30))
            << "feedback popup painted black";
        ExpectShadowNotBlack(shot, origin, GetWindow(popup, GW_OWNER), "feedback popup");
    }
    RECT rc;
    GetWindowRect(GetDlgItem(popup, answer), &rc);
    ClickOn(popup, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    DWORD exitCode = 1;
    ASSERT_TRUE(tool.m_tool.WaitForExit(30000, &exitCode)) << "the tool did not end";
    EXPECT_EQ(0u, exitCode);
}

// Clicks a control of the panel and waits for the companion call it makes. A click that X lost
// on a loaded machine is given once more, with what lay under the pointer printed.
void ClickAndAwaitCall(CPanelFixture& tool, int id, const std::string& call)
{
    for (int attempt = 0; attempt < 2; ++attempt) {
        tool.ClickControl(id);
        if (xinput::PumpUntil([&] { return tool.NewCalls().find(call) != std::string::npos; }, 3000))
            return;
        RECT rc = tool.ControlRect(id);
        POINT centre = {(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        HWND under = WindowFromPoint(centre);
        printf("click on %d made no call %s; under the pointer: %p (panel %p, enabled %d)\n", id,
               call.c_str(), static_cast<void*>(under), static_cast<void*>(tool.m_hPanel),
               IsWindowEnabled(tool.m_hPanel) ? 1 : 0);
    }
}

// Crash dumps with real headers beside the planted non-dumps: MEMORY.DMP (0xEF) and two
// minidumps, whose crash times put 0x133 first and 0x1000007E last.
void PlantCrashDumps(long long memorySize)
{
    const std::wstring windows = GetWindowsPath();
    DumpHeaderFields memory, newest, oldest;
    memory.code = 0xEF;
    memory.dumpType = 2;
    newest.code = 0x133;
    newest.systemTime += 36000000000ULL;
    oldest.is64 = false;
    oldest.code = 0x1000007E;
    oldest.systemTime -= 864000000000ULL;
    std::string bytes = DumpHeaderBytes(memory);
    WriteFileBytes(windows + L"MEMORY.DMP", bytes + std::string(memorySize - bytes.size(), 'M'));
    WriteFileBytes(windows + L"Minidump\\050124-01.dmp", DumpHeaderBytes(newest));
    WriteFileBytes(windows + L"Minidump\\042124-01.dmp", DumpHeaderBytes(oldest));
}

// The summary opened in Notepad, as the user would; the picture goes to the README.
void ShootSummaryInNotepad(const std::wstring& summary)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    std::wstring line = L"notepad.exe \"" + summary + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    std::vector<HWND> windows;
    EXPECT_TRUE(xinput::PumpUntil(
        [&] { return !(windows = VisibleWindowsOf(process.dwProcessId)).empty(); }, 20000));
    xinput::PumpFor(1500);
    RECT area = {};
    if (!windows.empty() && GetWindowRect(windows[0], &area)) {
        EXPECT_FALSE(ScreenshotArea(L"11-summary-notepad", area).empty());
    }
    TerminateProcess(process.hProcess, 0);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    xinput::PumpFor(2500);  // off the X screen before the next click
}

// The exit clean-up waits three seconds before it removes the folder.
bool FolderGoesAway(const std::wstring& folder)
{
    return xinput::PumpUntil([&] { return !FileExists(folder); }, 15000);
}

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_records = Length(FeedbackRecords());
        m_toolLog = Length(ToolLog(L"Kestrune.txt"));
        m_exportLog = Length(ToolLog(L"Pandrell.txt"));
    }
    std::string NewRecords() const { return BytesAfter(FeedbackRecords(), m_records); }
    std::string NewToolLog() const { return BytesAfter(ToolLog(L"Kestrune.txt"), m_toolLog); }
    std::string NewExportLog() const { return BytesAfter(ToolLog(L"Pandrell.txt"), m_exportLog); }

    size_t m_records = 0;
    size_t m_toolLog = 0;
    size_t m_exportLog = 0;
};

}  // namespace

TEST_F(Acceptance, WholeSession_SetEachType_Export_Links_Minimise_CloseSolved)
{
    InstallDumps(1024 * 1024 + 17, 3);
    PlantCrashDumps(1024 * 1024 + 17);
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    CPanelFixture tool(L"acceptance");
    std::wstring folder = tool.m_folder;
    ASSERT_TRUE(tool.Start());

    // Start: the probe runs under the busy popup, then the panel is usable.
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel) << "the panel never became ready";
    ASSERT_TRUE(tool.m_tool.WaitForWindows());
    HWND frame = tool.m_tool.m_frame;
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_BTN_EXPORT))) << "dumps present: export usable";
    POINT origin;
    std::wstring shot = Shot(tool, L"01-panel", origin);
    ExpectPanelPainted(shot, origin, panel, "start");
    EXPECT_EQ("", NewToolLog()) << "dumps present: the probe logs nothing";
    std::string calls = tool.NewCalls();
    EXPECT_NE(std::string::npos, calls.find("InitFreedbackDll(")) << calls;
    EXPECT_NE(std::string::npos, calls.find("GetToolIsNewVersion(")) << calls;

    // Nothing picked: the tool asks for a pick and changes nothing.
    ResetCrashControl();
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"请选择设置项！", tool.WaitPrompt());
    shot = Shot(tool, L"02-prompt-pick", origin);
    HWND prompt = FindWindowWithControl(tool.m_tool.m_pid, IDC_PROMPT_OK, 1000);
    ASSERT_NE(nullptr, prompt);
    ExpectControlPainted(shot, origin, GetDlgItem(prompt, IDC_PROMPT_OK), RGB(34, 107, 209), 70,
                         "prompt");
    tool.ConfirmPrompt();
    EXPECT_EQ(L"99", CrashControlText(L"CrashDumpEnabled"));

    // Every dump type of Windows 10, each read back from the registry.
    const wchar_t* values[] = {L"0", L"3", L"1", L"2", L"7", L"1"};
    for (int i = 0; i < 6; ++i) {
        ResetCrashControl();
        ASSERT_TRUE(tool.PickDumpType(i)) << i;
        tool.ClickControl(IDC_BTN_SET);
        if (i == 5) {
            // The active dump runs two commands: long enough to see the busy popup.
            xinput::PumpFor(150);
            shot = Shot(tool, L"03-busy", origin);
            ExpectPanelPainted(shot, origin, panel, "busy");
        }
        EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt()) << i;
        if (i == 5)
            Shot(tool, L"04-prompt-set", origin);
        tool.ConfirmPrompt();
        EXPECT_EQ(values[i], CrashControlText(L"CrashDumpEnabled")) << i;
        EXPECT_EQ(i == 5 ? L"1" : L"absent", CrashControlText(L"FilterPages")) << i;
    }
    EXPECT_EQ("", NewToolLog()) << "the settings succeeded: nothing logged";

    // Export: the desktop folder holds every file, byte for byte in size.
    tool.ClickControl(IDC_BTN_EXPORT);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下", tool.WaitPrompt());
    shot = Shot(tool, L"05-prompt-export", origin);
    tool.ConfirmPrompt();
    EXPECT_EQ(1024 * 1024 + 17, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(4096 + i, FileSize(desktop + L"BlueScreen\\Minidump\\mini-" +
                                     std::to_wstring(i) + L".dmp"));
    EXPECT_EQ("", NewExportLog()) << "a complete export logs nothing";
    // The summary beside the dumps: newest crash first, the non-dumps said to be unreadable.
    std::string summary;
    ReadFileBytes(desktop + L"BlueScreen\\蓝屏摘要.txt", summary);
    size_t newest = summary.find("0x00000133 DPC_WATCHDOG_VIOLATION");
    size_t middle = summary.find("0x000000EF CRITICAL_PROCESS_DIED");
    size_t oldest = summary.find("0x1000007E SYSTEM_THREAD_EXCEPTION_NOT_HANDLED_M");
    EXPECT_EQ(0u, summary.find("\xEF\xBB\xBF")) << "UTF-8 with a byte-order mark";
    EXPECT_TRUE(newest < middle && middle < oldest && oldest != std::string::npos) << summary;
    EXPECT_NE(std::string::npos,
              summary.find(ToCodePage(L"文件：Minidump\\mini-2.dmp　不是可读的蓝屏转储文件\r\n", CP_UTF8)))
        << summary;
    ShootSummaryInNotepad(desktop + L"BlueScreen\\蓝屏摘要.txt");

    // Links and more tools go through the companion, which records the pages it was asked for.
    ClickAndAwaitCall(tool, IDC_LINK_AGREEMENT, "OpenUseAgreementUrl()");
    ClickAndAwaitCall(tool, IDC_LINK_FEEDBACK, "FeedbackQuestion(\"10107\", \"1.3.22.1026\")");
    ClickAndAwaitCall(tool, IDC_BTN_MORE_TOOLS, "OpenUrl(\"http://127.0.0.1:9/more\")");
    xinput::PumpFor(500);
    calls = tool.NewCalls();
    EXPECT_EQ(1u, CountOf(calls, "OpenUseAgreementUrl()")) << calls;
    EXPECT_EQ(1u, CountOf(calls, "FeedbackQuestion(\"10107\", \"1.3.22.1026\")")) << calls;
    EXPECT_EQ(1u, CountOf(calls, "OpenUrl(\"http://127.0.0.1:9/more\")")) << calls;

    // Minimise hides the tool; the taskbar's restore command brings the painted panel back.
    tool.ClickControl(IDC_BTN_MINIMIZE);
    EXPECT_TRUE(xinput::PumpUntil([&] { return IsIconic(frame) != FALSE; }, 5000));
    EXPECT_TRUE(xinput::PumpUntil([&] { return !IsWindowVisible(panel); }, 5000))
        << "the panel stayed on screen";
    PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(xinput::PumpUntil([&] { return IsWindowVisible(panel) != FALSE; }, 5000));
    xinput::PumpFor(3000);
    shot = Shot(tool, L"06-restored", origin);
    ExpectPanelPainted(shot, origin, panel, "restored");

    // The about box from the system menu, closed with its OK button.
    PostMessageW(frame, WM_SYSCOMMAND, 0x10, 0);
    HWND about = nullptr;
    ASSERT_TRUE(xinput::PumpUntil(
        [&] { return (about = tool.m_tool.FindWindowTitled(L"关于 DrovanixKestrune")) != nullptr; },
        10000));
    xinput::PumpFor(600);
    shot = Shot(tool, L"09-about", origin);
    ExpectControlPainted(shot, origin, GetDlgItem(about, IDOK), GetSysColor(COLOR_BTNFACE), 40,
                         "about box");
    RECT ok;
    GetWindowRect(GetDlgItem(about, IDOK), &ok);
    ClickOn(about, (ok.left + ok.right) / 2, (ok.top + ok.bottom) / 2);
    EXPECT_TRUE(xinput::PumpUntil([&] { return !IsWindow(about); }, 5000));
    xinput::PumpFor(2500);  // off the X screen before the next click

    // Closing: "问题已解决" is reported once with kind 1; no question page follows.
    size_t callsBeforeClose = tool.NewCalls().size();
    CloseAnswering(tool, IDC_FEEDBACK_SOLVED, L"07-feedback");
    std::string records = NewRecords();
    EXPECT_EQ(1u, CountOf(records, "from=CustomerFeedbackEx\t")) << records;
    EXPECT_EQ(1u, CountOf(records, "\ttool=10107\tversion=1.3.22.1026\tkind=1\t")) << records;
    EXPECT_EQ(1u, CountOf(records, "\ttype=1\t")) << records;
    calls = tool.NewCalls().substr(callsBeforeClose);
    EXPECT_EQ(0u, CountOf(calls, "FeedbackQuestion(")) << calls;
    EXPECT_TRUE(FolderGoesAway(folder)) << "the tool's own folder stayed";
    EXPECT_TRUE(FileExists(desktop + L"BlueScreen\\MEMORY.DMP")) << "the export outlives the tool";
    RemoveTree(desktop + L"BlueScreen");
    RemoveDumps();
}

TEST_F(Acceptance, NoDumps_ProbeLogs_ExportUnusable_CloseWithTheOtherAnswers)
{
    RemoveDumps();
    struct Case {
        const wchar_t* name;
        int answer;
        const char* record;
    };
    const Case cases[] = {
        {L"not-solved", IDC_FEEDBACK_UNSOLVED, "\tkind=2\t"},
        {L"other", IDC_FEEDBACK_OTHER, "\tkind=3\t"},
    };
    for (const Case& c : cases) {
        SetUp();
        CPanelFixture tool(std::wstring(L"acceptance-") + c.name);
        ASSERT_TRUE(tool.Start());
        HWND panel = tool.WaitReady();
        ASSERT_NE(nullptr, panel);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_BTN_EXPORT))) << "no dumps: export unusable";
        EXPECT_EQ(1u, CountOf(NewToolLog(), Gbk(L"系统蓝屏文件不存在") + "\r\r\n"))
            << "the probe's entry, once";
        if (c.answer == IDC_FEEDBACK_OTHER) {
            POINT origin;
            std::wstring shot = Shot(tool, L"08-panel-no-dumps", origin);
            ExpectPanelPainted(shot, origin, panel, "no dumps");
            // The export button's disabled face is a pale blue, not the white of a usable one.
            COLORREF face = PanelPixel(shot, origin, panel, 300, 330);
            EXPECT_FALSE(NearColour(face, kWhite, 40)) << std::hex << face;
        }
        size_t callsBeforeClose = tool.NewCalls().size();
        CloseAnswering(tool, c.answer, nullptr);
        std::string records = NewRecords();
        std::string calls = tool.NewCalls().substr(callsBeforeClose);
        EXPECT_EQ(1u, CountOf(records, c.record)) << records;
        EXPECT_EQ(1u, CountOf(records, "\ttype=1\t")) << records;
        EXPECT_EQ(1u, CountOf(calls, "FeedbackQuestion(")) << "then the question page: " << calls;
        EXPECT_TRUE(FolderGoesAway(tool.m_folder)) << ToCodePage(c.name, CP_UTF8);
    }
}

TEST_F(Acceptance, RefusedStarts_SayWhy_ExitZero_KeepTheFolder)
{
    struct Case {
        const wchar_t* name;
        bool withDll;
        const wchar_t* version;
        const wchar_t* manifest;
        const wchar_t* prompt;
        unsigned downloadPages;
    };
    const Case cases[] = {
        {L"no-library", false, L"win10", L"10107=1.3.22.1026", L"工具初始化失败", 0},
        {L"windows-xp", true, L"winxp", L"10107=1.3.22.1026", L"此工具不支持当前系统", 0},
        {L"windows-8.1", true, L"win81", L"10107=1.3.22.1026", L"此工具不支持当前系统", 0},
        {L"newer-version", true, L"win7", L"10107=1.3.23.0",
         L"检测到当前工具有新的版本，请下载最新版本使用。", 1},
    };
    for (const Case& c : cases) {
        SetUp();
        ToolSetup setup;
        setup.withDll = c.withDll;
        setup.windowsVersion = c.version;
        setup.manifestLine = c.manifest;
        CPanelFixture tool(std::wstring(L"refused-") + c.name, setup);
        ASSERT_TRUE(tool.Start());
        EXPECT_EQ(c.prompt, tool.WaitPrompt()) << ToCodePage(c.name, CP_UTF8);
        POINT origin;
        std::wstring shot = Shot(tool, (std::wstring(L"10-refused-") + c.name).c_str(), origin);
        HWND prompt = FindWindowWithControl(tool.m_tool.m_pid, IDC_PROMPT_OK, 1000);
        ASSERT_NE(nullptr, prompt);
        ExpectControlPainted(shot, origin, GetDlgItem(prompt, IDC_PROMPT_OK), RGB(34, 107, 209), 70,
                             "refusal prompt");
        tool.ConfirmPrompt();
        DWORD exitCode = 1;
        ASSERT_TRUE(tool.m_tool.WaitForExit(20000, &exitCode)) << ToCodePage(c.name, CP_UTF8);
        EXPECT_EQ(0u, exitCode);
        EXPECT_EQ("", NewRecords()) << "nothing asked, nothing reported";
        EXPECT_EQ("", NewToolLog()) << "a refused start probes nothing";
        std::string calls = tool.NewCalls();
        EXPECT_EQ(c.downloadPages, CountOf(calls, "OpenToolDownUrl()")) << calls;
        xinput::PumpFor(4500);  // a removal would have run by now
        EXPECT_TRUE(FileExists(tool.m_exe)) << ToCodePage(c.name, CP_UTF8);
    }
}
