// The whole tool as a person uses it, in a Wine prefix made for this run alone: start, wait for
// the probe, set every dump type, export, follow the links, minimise, close with each answer, and
// the starts it refuses. After each step the system itself is checked, and a screenshot of the
// tool's windows is probed at places whose colours a blank, black or missing window would not have.
#include "DumpHeaderBytes.h"
#include "TestUtil.h"
#include "ToolDriver.h"
#include "XInput.h"
#include "resource.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlue = RGB(34, 107, 209);

std::wstring FeedbackRecords()
{
    return GetCommonAppDataPath() + L"Drovanix\\Feedback\\feedback.txt";
}

// A screenshot of the tool's windows, probed at screen points: each near its colour (a negative
// tolerance: not near it).
struct Probe {
    POINT at;
    COLORREF colour;
    int tolerance;
    const char* what;
};
void Shoot(const CTool& tool, const wchar_t* name, std::initializer_list<Probe> probes)
{
    RECT area = {};
    for (HWND window : VisibleWindowsOf(tool.m_pid)) {
        RECT rc;
        GetWindowRect(window, &rc);
        UnionRect(&area, &area, &rc);
    }
    std::wstring shot = ScreenshotArea(name, area);
    ASSERT_FALSE(shot.empty()) << "no screenshot " << ToCodePage(name, CP_UTF8);
    for (const Probe& p : probes) {
        COLORREF pixel = PixelOf(shot, p.at.x - area.left, p.at.y - area.top);
        bool isNear = NearColour(pixel, p.colour, abs(p.tolerance));
        EXPECT_TRUE(pixel != CLR_INVALID && isNear == (p.tolerance >= 0))
            << ToCodePage(name, CP_UTF8) << ": " << p.what << " " << std::hex << pixel;
    }
}

POINT InPanel(HWND panel, int x, int y)
{
    POINT at = {x, y};
    ClientToScreen(panel, &at);
    return at;
}

// Inside a window, dx from its left edge (right edge when negative), at height y of a control.
POINT InWindow(HWND window, int dx, HWND control)
{
    RECT rc, rcControl;
    GetWindowRect(window, &rc);
    GetWindowRect(control, &rcControl);
    return {dx >= 0 ? rc.left + dx : rc.right + dx, (rcControl.top + rcControl.bottom) / 2};
}

// The panel as painted at 96 dpi: blue heading band, white body and set button, white footer.
// A disabled export button's face is a pale blue, not the white of a usable one.
void ShootPanel(const CTool& tool, const wchar_t* name, bool exportUsable = true)
{
    HWND panel = tool.m_hPanel;
    RECT frame;
    GetWindowRect(tool.Frame(), &frame);
    // The layered frame's shadow, composited over the desktop: not black.
    Shoot(tool, name, {{{(frame.left + frame.right) / 2, frame.bottom - 2}, 0, -30, "shadow"},
                       {InPanel(panel, 20, 100), kBlue, 40, "heading band"},
                       {InPanel(panel, 200, 380), kWhite, 24, "body"},
                       {InPanel(panel, exportUsable ? 60 : 300, exportUsable ? 328 : 330), kWhite,
                        exportUsable ? 16 : -40, exportUsable ? "set button" : "disabled export"},
                       {InPanel(panel, 150, 560), kWhite, 24, "footer"}});
}

// The prompt open now: its white body where the panel behind is the blue band; then confirmed.
std::wstring ShootAndConfirmPrompt(CTool& tool, const wchar_t* name)
{
    std::wstring text = tool.WaitPrompt();
    HWND prompt = FindWindowWithControl(tool.m_pid, IDC_PROMPT_TEXT, 1000);
    if (prompt == nullptr)
        return text;
    Shoot(tool, name, {{InWindow(prompt, 4, GetDlgItem(prompt, IDC_PROMPT_TEXT)), kWhite, 24, "body"}});
    tool.ConfirmPrompt();
    return text;
}

// Closes through the close button and answers the problem-solved popup.
void CloseAnswering(CTool& tool, int answer, const wchar_t* shotName)
{
    HWND popup = tool.OpenClosePopup();
    ASSERT_NE(nullptr, popup) << "closing asked nothing";
    if (shotName != nullptr) {
        // The first answer is the blue button on the popup's card.
        HWND solved = GetDlgItem(popup, IDC_FEEDBACK_SOLVED);
        RECT card;
        GetWindowRect(popup, &card);
        Shoot(tool, shotName, {{InWindow(solved, 12, solved), kBlue, 70, "first answer"},
                               {{card.left + 20, card.top + 20}, 0, -30, "card not black"}});
    }
    ClickControlOf(popup, answer);
    EXPECT_TRUE(tool.WaitExit()) << "the tool did not end";
}

void ClickAndAwaitCall(CTool& tool, int id, const std::string& call)
{
    tool.ClickControl(id);
    EXPECT_TRUE(xinput::PumpUntil([&] { return Occurrences(tool.NewCalls(), call) == 1; }, 20000))
        << call << " in " << tool.NewCalls();
}

// The crashes of a Windows 10 PC: a kernel MEMORY.DMP (bitmap, "SDMP") with the small dump of the
// same crash five seconds later, a newer crash, the real ARM64 small dump, and a file that is none.
void InstallCrashDumps()
{
    InstallDumpFiles(0, 0);
    std::wstring windows = GetWindowsPath();
    TriageFields same;
    same.header.code = 0x0A;
    same.instructionPointer = 0xFFFFF88004A01234;
    same.stack = {0xFFFFF80002800010, 0xFFFFF88005000020};
    same.drivers = {{u"\\SystemRoot\\system32\\ntoskrnl.exe", 0xFFFFF80002800000, 0x5E0000},
                    {u"\\SystemRoot\\System32\\drivers\\nvlddmkm.sys", 0xFFFFF88004A00000, 0x900000},
                    {u"\\SystemRoot\\System32\\drivers\\storport.sys", 0xFFFFF88005000000, 0x90000}};
    DumpHeaderFields memory = same.header;
    memory.dumpType = 5;
    std::string bytes = DumpHeaderBytes(memory) + "SDMPDUMP";
    bytes.resize(1024 * 1024 + 17, 'M');
    WriteFileBytes(windows + L"MEMORY.DMP", bytes);
    same.header.systemTime += 5 * 10000000ULL;
    WriteFileBytes(windows + L"Minidump\\120626-01.dmp", TriageDumpBytes(same));
    TriageFields newer = same;
    newer.header.code = 0x50;
    newer.header.systemTime += 86400 * 10000000ULL;
    newer.instructionPointer = 0xFFFFF80002800040;
    newer.stack = {0xFFFFF88005000100, 0xFFFFF88004A00008};
    WriteFileBytes(windows + L"Minidump\\120726-02.dmp", TriageDumpBytes(newer));
    WriteFileBytes(windows + L"Minidump\\mini-0.dmp", std::string(4096, 'd'));
    ASSERT_TRUE(CopyFileW(L"" KESTRUNE_SHARED_DUMPS "/triage_arm64.dmp",
                          (windows + L"Minidump\\triage_arm64.dmp").c_str(), FALSE));
}

// The summary's block of one file: from its name to the empty line after it.
std::string SummaryBlock(const std::string& summary, const std::string& name)
{
    size_t start = summary.find("\r\n文件：" + name + "\r\n");
    return start == std::string::npos ? "" : summary.substr(start, summary.find("\r\n\r\n", start + 2) - start);
}

class Acceptance : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_records = static_cast<size_t>(std::max(0LL, FileSize(FeedbackRecords())));
        m_toolLog = static_cast<size_t>(std::max(0LL, FileSize(ToolLogPath(L"Kestrune.txt"))));
    }
    std::string NewRecords() const { return BytesAfter(FeedbackRecords(), m_records); }
    std::string NewToolLog() const { return BytesAfter(ToolLogPath(L"Kestrune.txt"), m_toolLog); }

    size_t m_records = 0;
    size_t m_toolLog = 0;
};

}  // namespace

TEST_F(Acceptance, WholeSession_SetEachType_Export_Links_Minimise_CloseSolved)
{
    InstallCrashDumps();
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    // The folder's name holds a blank, "&", parentheses and "!", under delayed expansion.
    SetRegDword(HKEY_CURRENT_USER, L"Software\\Microsoft\\Command Processor", L"DelayedExpansion", 1);
    CTool tool(L"a&b (x86)\\Kes!OS! trune");
    ASSERT_TRUE(tool.Start());

    // Start: the probe runs under the busy popup, then the panel is usable.
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel) << "the panel never became ready";
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_BTN_EXPORT))) << "dumps present: export usable";
    ShootPanel(tool, L"01-panel");
    EXPECT_EQ("", NewToolLog()) << "dumps present: the probe logs nothing";
    EXPECT_EQ(1u, Occurrences(tool.NewCalls(), "InitFreedbackDll(")) << tool.NewCalls();
    EXPECT_EQ(1u, Occurrences(tool.NewCalls(), "GetToolIsNewVersion(")) << tool.NewCalls();

    // Nothing picked: the tool asks for a pick and changes nothing.
    ResetCrashControl();
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"请选择设置项！", ShootAndConfirmPrompt(tool, L"02-prompt-pick"));
    EXPECT_EQ(L"99", CrashControlText(L"CrashDumpEnabled"));

    // Every dump type of Windows 10, each read back from the registry. The set runs under the
    // busy popup: its card is shot once while it is on screen.
    const wchar_t* values[] = {L"0", L"3", L"1", L"2", L"7", L"1"};
    bool busyShot = false;
    for (int i = 0; i < 6; ++i) {
        ResetCrashControl();
        ASSERT_TRUE(tool.PickDumpType(i)) << i;
        tool.ClickControl(IDC_BTN_SET);
        HWND busy = FindWindowWithControl(tool.m_pid, IDC_BUSY_TEXT, busyShot ? 0 : 10000);
        if (busy != nullptr && !busyShot) {
            RECT card;
            GetWindowRect(busy, &card);
            // Over the white set button of the panel the card is blue.
            Shoot(tool, L"03-busy", {{{card.left + 8, card.bottom - 8}, kBlue, 70, "busy card"}});
            busyShot = IsWindowVisible(busy) != FALSE;  // still there once the shot was taken
        }
        EXPECT_EQ(L"设置成功，重启电脑后生效", ShootAndConfirmPrompt(tool, L"04-prompt-set")) << i;
        EXPECT_EQ(values[i], CrashControlText(L"CrashDumpEnabled")) << i;
        EXPECT_EQ(i == 5 ? L"1" : L"absent", CrashControlText(L"FilterPages")) << i;
    }
    EXPECT_TRUE(busyShot) << "no set showed its busy popup long enough for a screenshot";
    EXPECT_EQ("", NewToolLog()) << "the settings succeeded: nothing logged";

    // Export: the desktop folder holds every file, and the crash summary beside them.
    tool.ClickControl(IDC_BTN_EXPORT);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下",
              ShootAndConfirmPrompt(tool, L"05-prompt-export"));
    EXPECT_EQ(1024 * 1024 + 17, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    EXPECT_EQ(1216428, FileSize(desktop + L"BlueScreen\\Minidump\\triage_arm64.dmp"));
    EXPECT_EQ("", BytesAfter(ToolLogPath(L"Pandrell.txt"), 0)) << "a complete export logs nothing";
    // The summary: newest crash first, the file that is no dump last, each cause from its drivers.
    std::string summary;
    ASSERT_TRUE(ReadFileBytes(desktop + L"BlueScreen\\蓝屏摘要.txt", summary));
    char shots[MAX_PATH] = {};  // the README's picture of it is taken from this copy
    if (GetEnvironmentVariableA("KESTRUNE_SCREENSHOT_DIR", shots, MAX_PATH) > 0)
        WriteFileBytes(L"Z:" + FromCodePage(shots, CP_UTF8) + L"/summary.txt", summary);
    size_t at = 0;
    for (const char* name : {"Minidump\\120726-02.dmp", "Minidump\\120626-01.dmp", "MEMORY.DMP",
                             "Minidump\\triage_arm64.dmp", "Minidump\\mini-0.dmp　不是可读的蓝屏转储文件"}) {
        size_t next = summary.find(std::string("\r\n文件：") + name);
        EXPECT_TRUE(next != std::string::npos && next >= at) << name << " out of order:\n" << summary;
        at = next == std::string::npos ? at : next;
    }
    const struct {
        const char* name;
        std::vector<std::string> lines;
    } blocks[] = {
        {"Minidump\\120726-02.dmp",
         {"停止代码：0x00000050 PAGE_FAULT_IN_NONPAGED_AREA", "转储类型：小内存转储",
          "可能原因：storport.sys（\\SystemRoot\\System32\\drivers\\storport.sys，地址 0xFFFFF88005000100，偏移 +0x100）",
          "涉及驱动：storport.sys、nvlddmkm.sys", "建议："}},
        {"MEMORY.DMP",
         {"转储类型：核心内存转储",
          "可能原因：nvlddmkm.sys（\\SystemRoot\\System32\\drivers\\nvlddmkm.sys，地址 0xFFFFF88004A01234，"
          "偏移 +0x1234）（依据 Minidump\\120626-01.dmp）",
          "涉及驱动：storport.sys", "建议："}},
        {"Minidump\\triage_arm64.dmp",
         {"停止代码：0x000001C8", "可能原因：ntoskrnl.exe（", "涉及驱动：无", "内部版本：22000"}},
    };
    for (const auto& block : blocks) {
        std::string text = SummaryBlock(summary, block.name);
        for (const std::string& line : block.lines)
            EXPECT_NE(std::string::npos, text.find("\r\n" + line)) << line << " in\n" << text;
    }

    // Links and more tools go through the companion, which records the pages it was asked for.
    ClickAndAwaitCall(tool, IDC_LINK_AGREEMENT, "OpenUseAgreementUrl()");
    ClickAndAwaitCall(tool, IDC_LINK_FEEDBACK, "FeedbackQuestion(\"10107\", \"1.3.22.1026\")");
    ClickAndAwaitCall(tool, IDC_BTN_MORE_TOOLS, "OpenUrl(\"http://127.0.0.1:9/more\")");

    // Minimise hides the tool; the taskbar's restore command brings the painted panel back.
    HWND frame = tool.Frame();
    tool.ClickControl(IDC_BTN_MINIMIZE);
    EXPECT_TRUE(xinput::PumpUntil([&] { return IsIconic(frame) && !IsWindowVisible(panel); }, 10000));
    PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(xinput::PumpUntil([&] { return IsWindowVisible(panel) != FALSE; }, 10000));
    Pause(3000);  // back on the X screen and painted
    ShootPanel(tool, L"06-restored");

    // Closing: "问题已解决" is reported once with kind 1; no question page follows.
    size_t callsBeforeClose = tool.NewCalls().size();
    CloseAnswering(tool, IDC_FEEDBACK_SOLVED, L"07-feedback");
    std::string records = NewRecords();
    EXPECT_EQ(1u, Occurrences(records, "from=CustomerFeedbackEx\t")) << records;
    EXPECT_EQ(1u, Occurrences(records, "\ttool=10107\tversion=1.3.22.1026\tkind=1\t")) << records;
    EXPECT_EQ(1u, Occurrences(records, "\ttype=1\t")) << records;
    EXPECT_EQ(0u, Occurrences(tool.NewCalls().substr(callsBeforeClose), "FeedbackQuestion("));
    // The exit clean-up removes the tool's own folder after three seconds, and nothing above it.
    EXPECT_TRUE(xinput::PumpUntil([&] { return !FileExists(tool.m_folder); }, 30000))
        << "the tool's own folder stayed";
    EXPECT_TRUE(FileExists(L"C:\\kestrune-tests\\a&b (x86)"));
    EXPECT_TRUE(FileExists(desktop + L"BlueScreen\\MEMORY.DMP")) << "the export outlives the tool";
    DeleteRegValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Command Processor", L"DelayedExpansion");
    RemoveTree(desktop + L"BlueScreen");
    RemoveDumpFiles();
}

TEST_F(Acceptance, NoDumps_ProbeLogs_ExportUnusable_CloseWithTheOtherAnswers)
{
    RemoveDumpFiles();
    const std::pair<int, const char*> answers[] = {{IDC_FEEDBACK_UNSOLVED, "\tkind=2\t"},
                                                   {IDC_FEEDBACK_OTHER, "\tkind=3\t"}};
    for (const auto& answer : answers) {
        SetUp();
        CTool tool(L"acceptance-no-dumps");
        ASSERT_TRUE(tool.Start());
        HWND panel = tool.WaitReady();
        ASSERT_NE(nullptr, panel);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(panel, IDC_BTN_EXPORT))) << "no dumps: export unusable";
        EXPECT_EQ(1u, Occurrences(NewToolLog(), ToCodePage(L"系统蓝屏文件不存在", 936) + "\r\r\n"))
            << "the probe's entry, once";
        if (answer.first == IDC_FEEDBACK_OTHER)
            ShootPanel(tool, L"08-panel-no-dumps", false);
        size_t callsBeforeClose = tool.NewCalls().size();
        CloseAnswering(tool, answer.first, nullptr);
        std::string records = NewRecords();
        EXPECT_EQ(1u, Occurrences(records, answer.second)) << records;
        EXPECT_EQ(1u, Occurrences(records, "\ttype=1\t")) << records;
        EXPECT_EQ(1u, Occurrences(tool.NewCalls().substr(callsBeforeClose), "FeedbackQuestion("))
            << "then the question page";
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
        size_t downloadPages;
    };
    const Case cases[] = {
        {L"no-library", false, L"win10", L"10107=1.3.22.1026", L"工具初始化失败", 0},
        {L"init-fails", true, L"win10", L"10107=1.3.22.1026", L"工具初始化失败", 0},
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
        CTool tool(std::wstring(L"refused-") + c.name, setup);
        // The test build of the library whose initialisation fails.
        if (lstrcmpW(c.name, L"init-fails") == 0) {
            ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\init-fails\\OrlaviFeedbackInformation.dll").c_str(),
                                  (tool.m_folder + L"\\OrlaviFeedbackInformation.dll").c_str(), FALSE));
        }
        ASSERT_TRUE(tool.Start());
        EXPECT_EQ(c.prompt, ShootAndConfirmPrompt(tool, (std::wstring(L"10-refused-") + c.name).c_str()))
            << ToCodePage(c.name, CP_UTF8);
        EXPECT_TRUE(tool.WaitExit()) << ToCodePage(c.name, CP_UTF8);
        EXPECT_EQ("", NewRecords()) << "nothing asked, nothing reported";
        EXPECT_EQ("", NewToolLog()) << "a refused start probes nothing";
        EXPECT_EQ(c.downloadPages, Occurrences(tool.NewCalls(), "OpenToolDownUrl()")) << tool.NewCalls();
        Pause(4500);  // a removal would have waited three seconds and run by now
        EXPECT_TRUE(FileExists(tool.m_exe)) << ToCodePage(c.name, CP_UTF8);
    }
}
