// The real Kestrune.exe under Wine and Xvfb: frame and panel at each dpi, the about box, keys,
// dragging, the Windows 7 list, the agreement gate and programs planted beside the exe; and, in
// process, the exit clean-up's verdicts on this prefix's folders and the service-client probe.
#include "DeviceValueEncoder.h"
#include "TestUtil.h"
#include "ToolDriver.h"
#include "XInput.h"
#include "app/RemoveOwnFolder.h"
#include "dump/HostClient.h"
#include "resource.h"
#include "sys/PlatformQueries.h"
#include "sys/ShellFolders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testutil;

namespace {

RECT WindowRect(HWND hWnd)
{
    RECT rc = {};
    GetWindowRect(hWnd, &rc);
    return rc;
}

std::string Text(const RECT& rc)
{
    return std::to_string(rc.left) + "," + std::to_string(rc.top) + "," +
           std::to_string(rc.right) + "," + std::to_string(rc.bottom);
}

// The frame's margins around the panel at each dpi, and the panel's size (trunc(410 s - 10 s) x
// trunc(611 s - 11 s) with s a 32-bit float: 479 at 120 dpi although 492 - 12 is 480).
struct Scale {
    DWORD dpi;
    int width, height;
    RECT margins;
};
const Scale kScales[] = {{96, 400, 600, {5, 4, 5, 7}},
                         {120, 479, 719, {6, 4, 6, 8}},
                         {144, 575, 863, {7, 5, 7, 10}},
                         {192, 767, 1151, {9, 7, 9, 13}}};

void ExpectGeometry(const Scale& c, HWND panel, HWND frame, bool centred = true)
{
    RECT p = WindowRect(panel);
    RECT f = WindowRect(frame);
    EXPECT_EQ(c.width, p.right - p.left) << c.dpi;
    EXPECT_EQ(c.height, p.bottom - p.top) << c.dpi;
    RECT margins = {p.left - f.left, p.top - f.top, f.right - p.right, f.bottom - p.bottom};
    EXPECT_EQ(Text(c.margins), Text(margins)) << c.dpi;
    if (!centred)
        return;
    EXPECT_LE(abs((f.left + f.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 2) << c.dpi;
    EXPECT_LE(abs((f.top + f.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 2) << c.dpi;
}

HWND AboutBox(DWORD pid)
{
    for (HWND window : VisibleWindowsOf(pid)) {
        wchar_t title[64] = {};
        GetWindowTextW(window, title, 64);
        if (lstrcmpW(title, L"关于 DrovanixKestrune") == 0)
            return window;
    }
    return nullptr;
}

void CloseAnsweringOther(CTool& tool)
{
    HWND popup = tool.OpenClosePopup();
    ASSERT_NE(nullptr, popup) << "closing asked nothing";
    ClickControlOf(popup, IDC_FEEDBACK_OTHER);
    EXPECT_TRUE(tool.WaitExit()) << "the tool did not end";
}

}  // namespace

TEST(Tool, Win7At96Dpi_Layout_FourTypes_AboutBox_KeysCloseNothing_Drag)
{
    SetProcessDPIAware();
    RemoveDumpFiles();
    ToolSetup setup;
    setup.windowsVersion = L"win7";
    CTool tool(L"tool-win7", setup);
    ASSERT_TRUE(tool.Start());
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    HWND frame = tool.Frame();
    ExpectGeometry(kScales[0], panel, frame);
    EXPECT_TRUE(GetWindowLongW(frame, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    // The design's rectangles in the panel; -1: not fixed by the design.
    struct Golden {
        int id;
        RECT rc;
    };
    const Golden golden[] = {
        {IDC_BTN_CLOSE, {368, 0, 394, 34}},      {IDC_BTN_MINIMIZE, {340, 0, 366, 34}},
        {IDC_STATIC_TITLE, {188, 16, 328, 31}},  {IDC_BTN_SET, {30, 305, 166, 352}},
        {IDC_BTN_EXPORT, {200, 305, 368, 352}},  {IDC_BTN_MORE_TOOLS, {50, 545, 108, 563}},
        {IDC_COMBO_DUMP_TYPE, {60, 270, 340, -1}}, {IDC_CHECK_AGREE, {-1, 575, -1, 595}},
        {IDC_LINK_AGREEMENT, {-1, 575, -1, 595}}, {IDC_LINK_FEEDBACK, {-1, 575, -1, 595}},
    };
    RECT p = WindowRect(panel);
    for (const Golden& g : golden) {
        RECT rc = tool.ControlRect(g.id);
        OffsetRect(&rc, -p.left, -p.top);
        if (g.rc.left < 0)
            rc.left = rc.right = -1;
        if (g.rc.bottom < 0)
            rc.bottom = -1;
        EXPECT_EQ(Text(g.rc), Text(rc)) << g.id;
    }

    // Windows 7 offers four types, and its set writes CrashDumpEnabled alone.
    EXPECT_EQ(4, SendMessageW(GetDlgItem(panel, IDC_COMBO_DUMP_TYPE), CB_GETCOUNT, 0, 0));
    ResetCrashControl();
    ASSERT_TRUE(tool.PickDumpType(3));
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt());
    tool.ConfirmPrompt();
    EXPECT_EQ(L"2", CrashControlText(L"CrashDumpEnabled"));
    EXPECT_EQ(L"5", CrashControlText(L"FilterPages")) << "FilterPages is not touched on Windows 7";

    // The about item of the system menu: a modal box centred over the tool.
    PostMessageW(frame, WM_SYSCOMMAND, 0x10, 0);
    HWND about = nullptr;
    ASSERT_TRUE(xinput::PumpUntil([&] { return (about = AboutBox(tool.m_pid)) != nullptr; }, 10000));
    RECT rcAbout = WindowRect(about);
    RECT rcOwner = WindowRect(GetWindow(about, GW_OWNER));
    EXPECT_LE(abs((rcAbout.left + rcAbout.right) - (rcOwner.left + rcOwner.right)), 2);
    EXPECT_LE(abs((rcAbout.top + rcAbout.bottom) - (rcOwner.top + rcOwner.bottom)), 2);
    EXPECT_FALSE(IsWindowEnabled(frame)) << "modal over the main window";
    // The X keyboard focus follows the pointer (no window manager): a click on a blank corner.
    ClickOn(about, rcAbout.left + 20, rcAbout.bottom - 12);
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    EXPECT_TRUE(xinput::PumpUntil([&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(about, nullptr), &info) &&
               info.hwndFocus == GetDlgItem(about, IDOK);
    }, 10000));
    PressKey("Escape");
    PressKey("Return");
    Pause(500);
    EXPECT_TRUE(IsWindowVisible(about)) << "Escape and Enter close nothing";
    PressKey("space");  // the keys do arrive: space presses the focused OK button
    EXPECT_TRUE(xinput::PumpUntil([&] { return !IsWindow(about); }, 10000));

    // Escape and Enter on the panel close nothing either.
    Pause(2500);  // the about box off the X screen
    ClickOn(panel, p.left + 200, p.top + 480);
    PressKey("Escape");
    PressKey("Return");
    Pause(800);
    EXPECT_TRUE(tool.IsRunning());
    EXPECT_TRUE(IsWindowVisible(panel));

    // Dragging the strip moves the panel, and the frame follows with its margins.
    std::string drag = "mousemove " + std::to_string(p.left + 60) + " " + std::to_string(p.top + 12) +
                       " mousedown 1 sleep 0.2";
    for (int step = 1; step <= 5; ++step)
        drag += " mousemove " + std::to_string(p.left + 60 + 20 * step) + " " +
                std::to_string(p.top + 12 + 10 * step) + " sleep 0.2";
    xinput::Xdo(drag + " mouseup 1");
    RECT to = {p.left + 100, p.top + 50, p.right + 100, p.bottom + 50};
    EXPECT_TRUE(xinput::PumpUntil([&] { return Text(WindowRect(panel)) == Text(to); }, 10000));
    ExpectGeometry(kScales[0], panel, frame, false);
    // A move of the frame that does not come from the panel leaves the panel where it is.
    RECT moved = WindowRect(panel);
    RECT f = WindowRect(frame);
    SetWindowPos(frame, nullptr, f.left + 30, f.top + 30, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    Pause(300);
    EXPECT_EQ(Text(moved), Text(WindowRect(panel)));
    CloseAnsweringOther(tool);
}

TEST(Tool, LargerDpi_PanelAndFrameScaleWithFixedFigures_TaskbarCloseEndsTheTool)
{
    SetProcessDPIAware();
    RemoveDumpFiles();
    for (const Scale& c : kScales) {
        if (c.dpi == 96)
            continue;  // the test above
        ToolSetup setup;
        setup.logPixels = c.dpi;
        CTool tool(L"tool-dpi", setup);
        ASSERT_TRUE(tool.Start());
        ASSERT_NE(nullptr, tool.WaitReady()) << c.dpi;
        ExpectGeometry(c, tool.m_hPanel, tool.Frame());
        // The taskbar's close reaches the frame as a system command.
        PostMessageW(tool.Frame(), WM_SYSCOMMAND, SC_CLOSE, 0);
        HWND popup = FindWindowWithControl(tool.m_pid, IDC_FEEDBACK_OTHER, 20000);
        ASSERT_NE(nullptr, popup) << c.dpi;
        PostMessageW(popup, WM_COMMAND, MAKEWPARAM(IDC_FEEDBACK_OTHER, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(popup, IDC_FEEDBACK_OTHER)));
        EXPECT_TRUE(tool.WaitExit()) << c.dpi;
    }
}

TEST(Tool, AgreementGate_FirstGatingThreadHeldWhileTheSecondRuns_TheLastClickDecides)
{
    RemoveDumpFiles();
    // The tool inherits the name of the semaphores through which its first gating thread is held.
    const std::wstring seam = L"kestrune-gate-" + std::to_wstring(GetCurrentProcessId());
    SetEnvironmentVariableW(L"KESTRUNE_GATE_SEAM", seam.c_str());
    CTool tool(L"tool-agreement");
    ASSERT_TRUE(tool.Start());
    SetEnvironmentVariableW(L"KESTRUNE_GATE_SEAM", nullptr);
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    HWND agree = GetDlgItem(panel, IDC_CHECK_AGREE);
    HWND set = GetDlgItem(panel, IDC_BTN_SET);
    auto ticked = [&] { return SendMessageW(agree, BM_GETCHECK, 0, 0) == BST_CHECKED; };
    ASSERT_TRUE(ticked());
    EXPECT_TRUE(IsWindowEnabled(set));
    // Unticked: the set button alone becomes unusable.
    tool.ClickControl(IDC_CHECK_AGREE);
    ASSERT_TRUE(xinput::PumpUntil([&] { return !IsWindowEnabled(set); }, 10000));
    EXPECT_FALSE(ticked());
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(panel, IDC_COMBO_DUMP_TYPE)));

    // Ticked again: its thread reads "ticked" and is held before it applies; unticked at once:
    // the second thread must wait for the first, or the first's late apply opens the gate.
    HANDLE held = CreateSemaphoreW(nullptr, 0, 8, (seam + L"-held").c_str());
    HANDLE go = CreateSemaphoreW(nullptr, 0, 8, (seam + L"-go").c_str());
    HANDLE done = CreateSemaphoreW(nullptr, 0, 8, (seam + L"-done").c_str());
    tool.ClickControl(IDC_CHECK_AGREE);
    ASSERT_TRUE(xinput::PumpUntil([&] { return WaitForSingleObject(held, 0) == WAIT_OBJECT_0; }, 20000));
    tool.ClickControl(IDC_CHECK_AGREE);
    EXPECT_TRUE(xinput::PumpUntil([&] { return WaitForSingleObject(done, 0) == WAIT_OBJECT_0; }, 60000));
    EXPECT_FALSE(ticked());
    EXPECT_TRUE(xinput::PumpUntil([&] { return !IsWindowEnabled(set); }, 20000))
        << "unticked, and the set button usable";
    CloseHandle(held);
    CloseHandle(go);
    CloseHandle(done);
    CloseAnsweringOther(tool);
}

TEST(Tool, SystemProgramsPlantedBesideTheExe_NeverRun_TheFolderStays)
{
    InstallDumpFiles(50000, 2);
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    CTool tool(L"tool-planted");
    std::wstring fakeLog = L"C:\\kestrune-tests\\tool-planted.log";
    DeleteFileW(fakeLog.c_str());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", fakeLog.c_str());
    // The exe's folder is also its current directory, as after a double-click.
    for (const wchar_t* name : {L"cmd.exe", L"reg.exe", L"takeown.exe", L"icacls.exe", L"timeout.exe"})
        ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(),
                              (tool.m_folder + L"\\" + name).c_str(), FALSE));
    ASSERT_TRUE(tool.Start());
    ASSERT_NE(nullptr, tool.WaitReady());
    ResetCrashControl();
    ASSERT_TRUE(tool.PickDumpType(1));
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt());
    tool.ConfirmPrompt();
    EXPECT_EQ(L"3", CrashControlText(L"CrashDumpEnabled")) << "the system's reg did the work";
    tool.ClickControl(IDC_BTN_EXPORT);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下", tool.WaitPrompt());
    tool.ConfirmPrompt();
    EXPECT_EQ(50000, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    CloseAnsweringOther(tool);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    // A folder holding other programs is not the tool's own: no removal starts, it stays.
    Pause(4500);  // a removal would have waited three seconds and run by now
    std::string runs;
    EXPECT_FALSE(ReadFileBytes(fakeLog, runs)) << "a planted program ran: " << runs;
    EXPECT_TRUE(FileExists(tool.m_exe));
    RemoveTree(desktop + L"BlueScreen");
    RemoveDumpFiles();
}

// The busy popup ends while another program is active: the result prompt must still keep the
// panel, where a click would start a job beneath it, and the frame unusable.
TEST(Tool, ExportEndsWhileAnotherProgramIsActive_ResultPromptDisablesPanelAndFrame)
{
    InstallDumpFiles(1000, 1);
    std::wstring takeown = GetWindowsPath() + L"system32\\takeown.exe";
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(), takeown.c_str(), FALSE));
    // The export waits in takeown until the test lets it go.
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, L"kestrune-export-hold");
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_HOLD", L"kestrune-export-hold");
    CTool tool(L"tool-inactive");
    ASSERT_TRUE(tool.Start());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_HOLD", nullptr);
    HWND panel = tool.WaitReady();
    ASSERT_NE(nullptr, panel);
    tool.ClickControl(IDC_BTN_EXPORT);
    ASSERT_NE(nullptr, FindWindowWithControl(tool.m_pid, IDC_BUSY_TEXT, 20000));
    HWND other = CreateWindowExW(0, L"STATIC", L"another program", WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                 100, nullptr, nullptr, nullptr, nullptr);
    EXPECT_TRUE(xinput::PumpUntil(
        [&] { return SetForegroundWindow(other) && GetForegroundWindow() == other; }, 20000));
    SetEvent(go);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下", tool.WaitPrompt());
    EXPECT_FALSE(IsWindowEnabled(panel)) << "the panel usable beneath the prompt";
    EXPECT_FALSE(IsWindowEnabled(tool.Frame()));
    tool.ConfirmPrompt();
    DestroyWindow(other);
    CloseHandle(go);
    DeleteFileW(takeown.c_str());
    CloseAnsweringOther(tool);
    RemoveTree(GetDesktopPath() + L"BlueScreen");
    RemoveDumpFiles();
}

namespace {

const std::vector<std::wstring> kShipped = {L"Kestrune.exe", L"OrlaviFeedbackInformation.dll",
                                            L"OrlaviFeedbackInformation.ini"};

FolderVerdict Judge(const std::wstring& folder, std::vector<std::wstring> entries = kShipped)
{
    return JudgeFolderForRemoval(folder, GetProtectedFolders(), entries, L"Kestrune.exe");
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return ToFullLongPath(path);
}

}  // namespace

TEST(RemovalVerdict, ThisPrefixsShellFoldersRootsForeignFilesAndPercent_AreKept)
{
    wchar_t* downloads = nullptr;
    ASSERT_EQ(S_OK, SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &downloads));
    const std::wstring profile = ShellFolder(CSIDL_PROFILE);
    struct Case {
        std::wstring folder;
        std::vector<std::wstring> entries;
        FolderVerdict verdict;
    };
    const Case cases[] = {
        {L"C:\\kestrune-tests\\own\\Kes trune", kShipped, FolderVerdict::Remove},
        {L"C:\\kestrune-tests\\a&b (x86)\\K!OS!", {L"KESTRUNE.EXE"}, FolderVerdict::Remove},
        {profile + L"2", kShipped, FolderVerdict::Remove},  // "Bob2" is not inside "Bob"
        {profile.substr(0, profile.size() - 1), kShipped, FolderVerdict::Remove},  // nor "Bob" in "Bo"
        {profile + L"\\Desktop2\\x", kShipped, FolderVerdict::Remove},
        {ShellFolder(CSIDL_DESKTOPDIRECTORY), kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_PERSONAL), kShipped, FolderVerdict::ShellFolder},
        {ToFullLongPath(downloads), kShipped, FolderVerdict::ShellFolder},
        {profile, kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_WINDOWS), kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_SYSTEM), kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_PROGRAM_FILES), kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_COMMON_APPDATA), kShipped, FolderVerdict::ShellFolder},
        {ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY), kShipped, FolderVerdict::ShellFolder},
        {L"C:\\users", kShipped, FolderVerdict::ShellFolder},  // holds the profiles
        {L"C:", kShipped, FolderVerdict::DriveRoot},
        {L"\\\\server\\share", kShipped, FolderVerdict::DriveRoot},
        {L"C:\\kestrune-tests\\with-other-file", {L"Kestrune.exe", L"notes.txt"},
         FolderVerdict::ForeignContent},
        {L"C:\\kestrune-tests\\with-sub", {L"Kestrune.exe", L"sub\\"}, FolderVerdict::ForeignContent},
        {L"C:\\kestrune-tests\\%OS%", kShipped, FolderVerdict::PercentSign},
        {L"C:\\kestrune-tests\\no-module", {}, FolderVerdict::NoFolder},
    };
    CoTaskMemFree(downloads);
    for (const Case& c : cases)
        EXPECT_EQ(static_cast<int>(c.verdict), static_cast<int>(Judge(c.folder, c.entries)))
            << ToCodePage(c.folder, CP_UTF8);
}

namespace {

const char kKey[] = "tarnwick5831obelsa";

bool UsbUAndV(wchar_t letter)
{
    return letter == L'U' || letter == L'V';
}

std::string DosDevice(char letter)
{
    char prefix[MAX_PATH] = {};
    GetEnvironmentVariableA("WINEPREFIX", prefix, MAX_PATH);
    return std::string(prefix) + "/dosdevices/" + letter + ":";
}

// Maps the drive letter onto a fresh folder of the test and returns its root ("U:\").
std::wstring MapDrive(char letter)
{
    std::wstring drive = std::wstring(1, letter) + L":";
    std::wstring folder = MakeScratchFolder(L"usb-" + drive.substr(0, 1));
    // The link serves paths; the drive list comes from the object namespace.
    xinput::RunUnix("ln -sfn '../drive_c/kestrune-tests/usb-" + std::string(1, letter) + "' '" +
                    DosDevice(static_cast<char>(tolower(letter))) + "'");
    DefineDosDeviceW(0, drive.c_str(), folder.c_str());
    return drive + L"\\";
}

void PlaceClient(const std::wstring& root, const wchar_t* folder, const wchar_t* exe,
                 const std::string& value)
{
    CreateDirectoryTree(root + folder);
    WriteFileBytes(root + folder + L"\\" + exe, "MZ");
    WriteFileBytes(root + folder + L"\\DeviceInfo.ini",
                   "[DeviceType]\r\nType=" + EncodeDeviceValue(value, kKey) + "\r\n");
}

int Detect()
{
    CAesCipher aes;
    return FindHostClientDeviceType(aes);
}

}  // namespace

TEST(HostClient, DeviceTypeFromTheFirstClientOnTheUsbDrives)
{
    std::wstring u = MapDrive('U');
    std::wstring v = MapDrive('V');
    ASSERT_TRUE(WriteFileBytes(u + L"mapped.txt", "x")) << "drive U: not mapped";
    EXPECT_EQ(0, Detect()) << "Wine's drives are not on a USB bus";
    SetUsbVolumeProbeForTests(UsbUAndV);
    EXPECT_EQ(0, Detect()) << "no client folder";
    PlaceClient(u, L"TQ\\Tesquin", L"TesquinClient.exe", std::string("1") + std::string(15, '\0'));
    EXPECT_EQ(1, Detect()) << "Tesquin value 1";
    PlaceClient(u, L"TQ\\Tesquin", L"TesquinClient.exe", "2");
    EXPECT_EQ(2, Detect()) << "the value decides, not the folder";
    // A Tesquin folder without its file rules out drive U: as a whole, even its Varnel folder.
    DeleteFileW((u + L"TQ\\Tesquin\\DeviceInfo.ini").c_str());
    PlaceClient(u, L"VRN\\VRNKey", L"VRNClient.exe", "7");
    PlaceClient(v, L"VRN\\VRNKey", L"VRNClient.exe", std::string("3") + std::string(15, '\0'));
    EXPECT_EQ(3, Detect()) << "the search goes on with V:";
    // Values that do not decode to digits, or only start with them.
    CAesCipher aes;
    std::wstring file = v + L"VRN\\VRNKey\\DeviceInfo.ini";
    const std::pair<std::string, int> cases[] = {
        {"[DeviceType]\r\nType=!!!not base64!!!\r\n", 0},
        {"[DeviceType]\r\nType=" + EncodeDeviceValue(std::string("2abc") + std::string(12, '\0'), kKey) + "\r\n", 2},
        {"[DeviceType]\r\nType=" + EncodeDeviceValue(std::string("2147483647") + std::string(6, '\0'), kKey) + "\r\n", 2147483647},
        {"[DeviceType]\r\nType=" + std::string(10 * 1024 * 1024, 'A') + "\r\n", 0},
    };
    for (const auto& c : cases) {
        WriteFileBytes(file, c.first);
        EXPECT_EQ(c.second, ReadDeviceTypeFile(aes, file)) << c.first.substr(0, 40);
    }
    SetUsbVolumeProbeForTests(nullptr);
    for (char letter : {'u', 'v'}) {
        DefineDosDeviceW(DDD_REMOVE_DEFINITION, letter == 'u' ? L"U:" : L"V:", nullptr);
        xinput::RunUnix("rm -f '" + DosDevice(letter) + "'");
    }
}
