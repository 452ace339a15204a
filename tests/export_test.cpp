// The probe and the export on the prefix's real C:\windows and desktop, and the platform queries.
#include "DumpHeaderBytes.h"
#include "JobWindow.h"
#include "TestUtil.h"
#include "XInput.h"
#include "dump/CrashDumpJobs.h"
#include "dump/CrashSummary.h"
#include "log/LogSave.h"
#include "fw/FileFind.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdio>

using namespace testutil;

namespace {

const wchar_t kShellFolders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

const wchar_t kCommandProcessor[] = L"Software\\Microsoft\\Command Processor";

std::wstring WindowsFolder() { return GetWindowsPath(); }

std::string Pattern(size_t size, unsigned variant)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + variant * 7 + (i >> 9)) & 0xFF);
    return bytes;
}

void ClearDumps()
{
    DeleteFileW((WindowsFolder() + L"MEMORY.DMP").c_str());
    RemoveTree(WindowsFolder() + L"Minidump");
}

std::vector<std::string> LogLines(const std::wstring& file)
{
    std::string bytes;
    ReadFileBytes(LogBaseFolder() + L"ToolLog\\" + file, bytes);
    return SplitLogLines(bytes);
}

std::string LastEntry(const std::wstring& file)
{
    std::vector<std::string> lines = LogLines(file);
    return lines.empty() ? std::string() : lines.back().substr(30);
}

int RunJob(bool (CCrashDumpJobs::*start)(), CJobWindow& window)
{
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(window.Handle());
    EXPECT_TRUE((jobs.*start)());
    EXPECT_TRUE(window.WaitForResult());
    EXPECT_EQ((std::vector<UINT>{WM_CLOSE_BUSY_PROMPT, WM_JOB_RESULT}), window.m_messages);
    Sleep(300);  // entries that follow the messages
    return window.m_result;
}

int RunProbe()
{
    CJobWindow window;
    return RunJob(&CCrashDumpJobs::StartDumpProbeJob, window);
}

int RunExport()
{
    CJobWindow window;
    return RunJob(&CCrashDumpJobs::StartExportJob, window);
}

// Sets the desktop's shell-folder value; an empty path restores the prefix's own.
void SetDesktop(const std::wstring& path)
{
    static std::wstring original;
    static bool saved = false;
    if (!saved) {
        original = GetDesktopPath();
        original.pop_back();
        saved = true;
    }
    std::wstring value = path.empty() ? original : path;
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExW(key, L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    CreateDirectoryTree(value);
}

struct DumpSet {
    std::string memory = Pattern(3 * 1024 * 1024 + 17, 1);
    std::vector<std::pair<std::wstring, std::string>> minidumps = {
        {L"120626-01.dmp", Pattern(262144, 2)},
        {L"120726-02.dmp", Pattern(131072 + 5, 3)},
        {L"Mini 1207 (b).dmp", Pattern(70000, 4)},
        {L"蓝屏-03.dmp", Pattern(1000, 5)},
        {L"notes.txt", Pattern(300, 6)},
    };
    void Install(bool withMemory = true) const
    {
        ClearDumps();
        if (withMemory)
            WriteFileBytes(WindowsFolder() + L"MEMORY.DMP", memory);
        CreateDirectoryW((WindowsFolder() + L"Minidump").c_str(), nullptr);
        for (const auto& file : minidumps)
            WriteFileBytes(WindowsFolder() + L"Minidump\\" + file.first, file.second);
    }
    // Every file byte-identical under desktop\BlueScreen.
    void ExpectExported(const std::wstring& desktop, bool withMemory = true) const
    {
        std::string bytes;
        std::wstring folder = desktop + L"BlueScreen\\";
        if (withMemory) {
            EXPECT_TRUE(ReadFileBytes(folder + L"MEMORY.DMP", bytes));
            EXPECT_TRUE(bytes == memory) << "MEMORY.DMP differs";
        }
        for (const auto& file : minidumps) {
            EXPECT_TRUE(ReadFileBytes(folder + L"Minidump\\" + file.first, bytes))
                << ToCodePage(file.first, CP_UTF8);
            EXPECT_TRUE(bytes == file.second) << ToCodePage(file.first, CP_UTF8);
        }
    }
};

std::wstring g_hookedDesktop;
std::wstring g_hookedWindows;
bool FolderHook(int csidl, std::wstring& path)
{
    if (csidl == CSIDL_DESKTOP) {
        path = g_hookedDesktop;
        return true;
    }
    if (csidl == CSIDL_WINDOWS) {
        path = g_hookedWindows;
        return true;
    }
    return false;
}

}  // namespace

TEST(Probe, DumpPresence_ByMemoryDmpOrMinidump)
{
    const std::wstring minidump = WindowsFolder() + L"Minidump";
    ClearDumps();
    size_t entries = LogLines(L"Kestrune.txt").size();
    EXPECT_EQ(DumpFilesAbsent, RunProbe()) << "nothing there";
    EXPECT_EQ(entries + 1, LogLines(L"Kestrune.txt").size());
    EXPECT_EQ(ToCodePage(L"系统蓝屏文件不存在", 936), LastEntry(L"Kestrune.txt"));

    WriteFileBytes(WindowsFolder() + L"MEMORY.DMP", "x");
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "MEMORY.DMP only";
    ClearDumps();

    CreateDirectoryW(minidump.c_str(), nullptr);
    WriteFileBytes(minidump + L"\\a.txt", "x");
    WriteFileBytes(minidump + L"\\b.dmp.bak", "x");
    entries = LogLines(L"Kestrune.txt").size();
    EXPECT_EQ(DumpFilesAbsent, RunProbe()) << "other extensions only";
    EXPECT_EQ(entries + 1, LogLines(L"Kestrune.txt").size());

    WriteFileBytes(minidump + L"\\010126-01.dmp", "x");
    entries = LogLines(L"Kestrune.txt").size();
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "one minidump";
    EXPECT_EQ(entries, LogLines(L"Kestrune.txt").size()) << "presence is not logged";

    DeleteFileW((minidump + L"\\010126-01.dmp").c_str());
    CreateDirectoryW((minidump + L"\\folder.dmp").c_str(), nullptr);
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "a folder named .dmp counts";
    ClearDumps();
}

TEST(Probe, NoWindowsFolder_AbsentNeverRelative)
{
    std::wstring cwd = MakeScratchFolder(L"probe-cwd");
    WriteFileBytes(cwd + L"\\MEMORY.DMP", "x");
    WriteFileBytes(WindowsFolder() + L"MEMORY.DMP", "x");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(cwd.c_str());
    g_hookedWindows = L"";
    g_hookedDesktop = L"C:\\unused\\";
    SetSpecialFolderHookForTests(FolderHook);
    size_t entries = LogLines(L"Kestrune.txt").size();
    EXPECT_EQ(DumpFilesAbsent, RunProbe());
    SetSpecialFolderHookForTests(nullptr);
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(entries + 1, LogLines(L"Kestrune.txt").size());
    ClearDumps();
    RemoveTree(cwd);
}

TEST(Export, PlainDesktop_EverythingByteIdenticalAndRerunOverwrites)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    ASSERT_NE(std::wstring::npos, desktop.find(L"C:\\users\\")) << ToCodePage(desktop, CP_UTF8);
    RemoveTree(desktop + L"BlueScreen");
    DumpSet dumps;
    dumps.Install();
    // A hidden file is not carried by copy, and not expected.
    std::wstring hidden = WindowsFolder() + L"Minidump\\hidden.dmp";
    WriteFileBytes(hidden, "h");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);

    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop);
    EXPECT_EQ(entries, LogLines(L"Pandrell.txt").size()) << "success logs nothing";

    dumps.minidumps[0].second = Pattern(300000, 9);
    dumps.memory = Pattern(1024 * 1024, 8);
    dumps.Install();
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop);

    // Without MEMORY.DMP the minidumps are all there is: still a success.
    RemoveTree(desktop + L"BlueScreen");
    dumps.Install(false);
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop, false);
    EXPECT_FALSE(FileExists(desktop + L"BlueScreen\\MEMORY.DMP"));
    ClearDumps();
}

TEST(Export, DesktopWithBlankChineseAndSpecialCharacters_CopiesEverything)
{
    const wchar_t* desktops[] = {
        L"C:\\kestrune-tests\\My Desktop",
        L"C:\\kestrune-tests\\用户 桌面",
        L"C:\\kestrune-tests\\a&b (x) ^c",
        L"C:\\kestrune-tests\\a!b!c",
    };
    // With delayed expansion on for the user, "!b!" would vanish from an interpreter's line.
    SetRegDword(HKEY_CURRENT_USER, kCommandProcessor, L"DelayedExpansion", 1);
    DumpSet dumps;
    dumps.Install();
    for (const wchar_t* path : desktops) {
        RemoveTree(path);
        SetDesktop(path);
        ASSERT_EQ(std::wstring(path) + L"\\", GetDesktopPath()) << "shell folder value not taken";
        EXPECT_EQ(ExportSucceeded, RunExport()) << ToCodePage(path, CP_UTF8);
        dumps.ExpectExported(std::wstring(path) + L"\\");
        RemoveTree(path);
    }
    DeleteRegValue(HKEY_CURRENT_USER, kCommandProcessor, L"DelayedExpansion");
    SetDesktop(L"");
    ClearDumps();
}

TEST(Export, PercentInDesktop_RefusedBeforeAnyCopy)
{
    DumpSet dumps;
    dumps.Install();
    std::wstring path = L"C:\\kestrune-tests\\d%OS%x";
    RemoveTree(path);
    RemoveTree(L"C:\\kestrune-tests\\dWindows_NTx");
    SetDesktop(path);
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportFailed, RunExport());
    EXPECT_EQ(entries + 1, LogLines(L"Pandrell.txt").size());
    EXPECT_EQ(ToCodePage(L"桌面路径含有%，无法安全复制，未导出蓝屏文件：" + path + L"\\", 936),
              LastEntry(L"Pandrell.txt"));
    EXPECT_FALSE(FileExists(L"C:\\kestrune-tests\\dWindows_NTx")) << "copied where %OS% leads";
    EXPECT_FALSE(FileExists(path + L"\\BlueScreen"));
    SetDesktop(L"");
    RemoveTree(path);
    ClearDumps();
}

TEST(Export, FolderProblems_ExportFolderFailed)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    DumpSet dumps;
    dumps.Install();

    RemoveTree(desktop + L"BlueScreen");
    WriteFileBytes(desktop + L"BlueScreen", "a file in the way");
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportFolderFailed, RunExport());
    EXPECT_EQ(entries + 1, LogLines(L"Pandrell.txt").size());
    EXPECT_EQ(ToCodePage(L"创建导出系统蓝屏文件目录失败", 936), LastEntry(L"Pandrell.txt"));
    DeleteFileW((desktop + L"BlueScreen").c_str());

    CreateDirectoryW((desktop + L"BlueScreen").c_str(), nullptr);
    WriteFileBytes(desktop + L"BlueScreen\\Minidump", "a file in the way");
    EXPECT_EQ(ExportFolderFailed, RunExport());
    EXPECT_EQ(ToCodePage(L"创建导出系统蓝屏文件目录失败2", 936), LastEntry(L"Pandrell.txt"));
    RemoveTree(desktop + L"BlueScreen");

    // No desktop path: never a "BlueScreen" relative to the current directory.
    std::wstring cwd = MakeScratchFolder(L"export-cwd");
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(cwd.c_str());
    g_hookedDesktop = L"";
    g_hookedWindows = WindowsFolder();
    SetSpecialFolderHookForTests(FolderHook);
    EXPECT_EQ(ExportFolderFailed, RunExport());
    SetSpecialFolderHookForTests(nullptr);
    SetCurrentDirectoryW(previous);
    EXPECT_FALSE(FileExists(cwd + L"\\BlueScreen"));
    RemoveTree(cwd);
    ClearDumps();
}

TEST(Export, NoWindowsFolder_FailsBeforeAnyCopy)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    g_hookedDesktop = desktop;
    g_hookedWindows = L"";
    SetSpecialFolderHookForTests(FolderHook);
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportFailed, RunExport());
    SetSpecialFolderHookForTests(nullptr);
    EXPECT_EQ(entries + 1, LogLines(L"Pandrell.txt").size());
    EXPECT_EQ(ToCodePage(L"无法获取Windows目录，未导出蓝屏文件", 936), LastEntry(L"Pandrell.txt"));
    EXPECT_FALSE(FileExists(desktop + L"BlueScreen"));
}

TEST(Export, CopyBlocked_ExportFailedNamingTheFile)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    DumpSet dumps;
    dumps.Install();
    // A folder standing where a file must go: copy cannot write it (root ignores permissions).
    CreateDirectoryTree(desktop + L"BlueScreen\\Minidump\\120726-02.dmp");
    // An earlier export of the same size, held open so that copy cannot replace it: its old time
    // gives it away.
    std::wstring stale = desktop + L"BlueScreen\\Minidump\\120626-01.dmp";
    WriteFileBytes(stale, dumps.minidumps[0].second);
    HANDLE file = CreateFileW(stale.c_str(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    FILETIME old = {0x10000000, 0x01C00000};  // 1999
    SetFileTime(file, nullptr, nullptr, &old);
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportFailed, RunExport());
    EXPECT_EQ(entries + 1, LogLines(L"Pandrell.txt").size());
    std::string entry = LastEntry(L"Pandrell.txt");
    EXPECT_EQ(0u, entry.find(ToCodePage(L"导出蓝屏文件不完整：", 936))) << entry;
    EXPECT_NE(std::string::npos, entry.find("Minidump\\120626-01.dmp"));
    EXPECT_NE(std::string::npos, entry.find("Minidump\\120726-02.dmp"));
    EXPECT_FALSE(FileExists(desktop + L"BlueScreen\\蓝屏摘要.txt")) << "no summary after a failure";
    CloseHandle(file);
    RemoveTree(desktop + L"BlueScreen");
    ClearDumps();
}

TEST(Export, CrashSummary_FailureLoggedExportStands_RerunReplaces_HeldDumpUnreadable)
{
    SetDesktop(L"");
    std::wstring folder = GetDesktopPath() + L"BlueScreen";
    std::wstring summary = folder + L"\\蓝屏摘要.txt";
    RemoveTree(folder);
    DumpSet dumps;
    dumps.Install();
    CreateDirectoryTree(summary);  // a folder where the summary goes
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportSucceeded, RunExport());
    EXPECT_EQ(entries + 1, LogLines(L"Pandrell.txt").size());
    EXPECT_EQ(0u, LastEntry(L"Pandrell.txt").find(ToCodePage(L"写入蓝屏摘要失败", 936)));

    RemoveTree(summary);
    WriteFileBytes(summary, std::string(100000, 'o'));
    EXPECT_EQ(ExportSucceeded, RunExport()) << "an older summary is no missing file";
    std::string bytes;
    ReadFileBytes(summary, bytes);
    EXPECT_EQ(0u, bytes.find("\xEF\xBB\xBF"));
    EXPECT_EQ(std::string::npos, bytes.find("ooo")) << "replaced, not appended or overwritten in part";

    // A dump another program holds without sharing reads as no dump, and never blocks.
    std::wstring held = folder + L"\\held.dmp";
    WriteFileBytes(held, DumpHeaderBytes(DumpHeaderFields()));
    HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    CrashDumpHeader header;
    EXPECT_FALSE(ReadCrashDumpFile(held, header));
    CloseHandle(holder);
    EXPECT_TRUE(ReadCrashDumpFile(held, header));
    EXPECT_FALSE(ReadCrashDumpFile(folder + L"\\Minidump", header)) << "a directory";
    RemoveTree(folder);
    ClearDumps();
}

TEST(Export, GigabyteDumpAndTwoThousandMinidumps_AllArrive)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    ClearDumps();
    // A sparse 1 GiB MEMORY.DMP: the copy still reads and writes every byte.
    const long long gib = 1024LL * 1024 * 1024;
    HANDLE memory = CreateFileW((WindowsFolder() + L"MEMORY.DMP").c_str(), GENERIC_WRITE, 0,
                                nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, memory);
    LARGE_INTEGER end;
    end.QuadPart = gib;
    ASSERT_TRUE(SetFilePointerEx(memory, end, nullptr, FILE_BEGIN) && SetEndOfFile(memory));
    CloseHandle(memory);
    CreateDirectoryW((WindowsFolder() + L"Minidump").c_str(), nullptr);
    for (int i = 0; i < 2000; ++i)
        WriteFileBytes(WindowsFolder() + L"Minidump\\" + std::to_wstring(120100 + i) + L"-01.dmp",
                       Pattern(512 + i, i));
    size_t entries = LogLines(L"Pandrell.txt").size();
    EXPECT_EQ(ExportSucceeded, RunExport());
    EXPECT_EQ(entries, LogLines(L"Pandrell.txt").size());
    EXPECT_EQ(gib, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    int arrived = 0;
    CFileFind finder;
    for (bool more = finder.FindFile(desktop + L"BlueScreen\\Minidump\\*.dmp"); more;
         more = finder.FindNextFile())
        arrived += finder.IsDots() ? 0 : 1;
    EXPECT_EQ(2000, arrived);
    std::string last;
    ReadFileBytes(desktop + L"BlueScreen\\Minidump\\122099-01.dmp", last);
    EXPECT_TRUE(last == Pattern(512 + 1999, 1999));
    RemoveTree(desktop + L"BlueScreen");
    ClearDumps();
}

TEST(Export, DestinationTakesNothing_ExportFailedNeverFalseSuccess)
{
    SetDesktop(L"");
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    DumpSet dumps;
    dumps.Install();
    // Another program holds the target file open without sharing.
    CreateDirectoryTree(desktop + L"BlueScreen");
    WriteFileBytes(desktop + L"BlueScreen\\MEMORY.DMP", "older export");
    HANDLE held = CreateFileW((desktop + L"BlueScreen\\MEMORY.DMP").c_str(), GENERIC_READ, 0,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(ExportFailed, RunExport());
    CloseHandle(held);
    EXPECT_EQ(ToCodePage(L"导出蓝屏文件不完整：MEMORY.DMP", 936), LastEntry(L"Pandrell.txt"));
    std::string older;
    ReadFileBytes(desktop + L"BlueScreen\\MEMORY.DMP", older);
    EXPECT_EQ("older export", older);
    RemoveTree(desktop + L"BlueScreen");

    // A desktop on a file system too small for the dumps: a 1 MiB tmpfs, where mounts are allowed.
    const std::string mountPoint = "/tmp/kestrune-full-desktop";
    xinput::RunUnix("mkdir -p " + mountPoint + " && mount -t tmpfs -o size=1m tmpfs " + mountPoint +
                    " && touch " + mountPoint + "/.mounted");
    std::wstring small = L"Z:\\tmp\\kestrune-full-desktop";
    if (!FileExists(small + L"\\.mounted")) {
        xinput::RunUnix("rmdir " + mountPoint + " 2>/dev/null");
        ClearDumps();
        GTEST_SKIP() << "full desktop: this machine allows no tmpfs mount";
    } else {
        SetDesktop(small);
        EXPECT_EQ(ExportFailed, RunExport()) << "3 MiB cannot fit in 1 MiB";
        EXPECT_EQ(0u, LastEntry(L"Pandrell.txt").find(ToCodePage(L"导出蓝屏文件不完整：", 936)));
        SetDesktop(L"");
        xinput::RunUnix("umount " + mountPoint);
    }
    xinput::RunUnix("rmdir " + mountPoint + " 2>/dev/null");
    ClearDumps();
}

TEST(Export, TakeownAndIcacls_ExactCommandLines)
{
    SetDesktop(L"");
    wchar_t systemFolder[MAX_PATH];
    GetSystemDirectoryW(systemFolder, MAX_PATH);
    std::wstring takeown = std::wstring(systemFolder) + L"\\takeown.exe";
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(), takeown.c_str(), FALSE));
    std::wstring log = L"C:\\kestrune-tests\\takeown-runs.log";
    DeleteFileW(log.c_str());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", log.c_str());
    DumpSet dumps;
    dumps.Install();
    EXPECT_EQ(ExportSucceeded, RunExport());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    DeleteFileW(takeown.c_str());
    std::string runs;
    ReadFileBytes(log, runs);
    std::string minidump = ToCodePage(WindowsFolder() + L"Minidump", CP_UTF8);
    EXPECT_NE(std::string::npos,
              runs.find("takeown.exe | takeown /f \"" + minidump + "\" /r /d y"))
        << runs;
    ClearDumps();
}

TEST(Platform, CreateDirectoryTree_Contract)
{
    std::wstring root = MakeScratchFolder(L"tree");
    EXPECT_TRUE(CreateDirectoryTree(root)) << "existing folder";
    EXPECT_TRUE(CreateDirectoryTree(root + L"\\a\\b\\c"));
    EXPECT_TRUE(DirectoryExists(root + L"\\a\\b\\c"));
    EXPECT_TRUE(CreateDirectoryTree(root + L"\\t\\"));
    EXPECT_TRUE(FileExists(root + L"\\t"));

    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(root.c_str());
    EXPECT_TRUE(CreateDirectoryTree(L"BlueScreen")) << "no backslash: nothing to do";
    EXPECT_FALSE(FileExists(root + L"\\BlueScreen"));
    EXPECT_TRUE(CreateDirectoryTree(L"\\lead\\x"));
    EXPECT_FALSE(FileExists(L"C:\\lead"));
    SetCurrentDirectoryW(previous);

    EXPECT_TRUE(CreateDirectoryTree(root + L"\\d\\\\e"));
    EXPECT_TRUE(FileExists(root + L"\\d"));
    EXPECT_FALSE(FileExists(root + L"\\d\\e")) << "a doubled backslash ends the walk";

    WriteFileBytes(root + L"\\file", "x");
    EXPECT_TRUE(CreateDirectoryTree(root + L"\\file")) << "a file counts as existing";
    EXPECT_FALSE(CreateDirectoryTree(root + L"\\file\\sub"));
    RemoveTree(root);
}

TEST(Platform, TextConversion)
{
    EXPECT_EQ(ToCodePage(L"abc中文", 936), WideToNarrow(L"abc中文"));
    EXPECT_EQ("", WideToNarrow(L""));
    EXPECT_EQ("x?y", WideToNarrow(L"x한y")) << "outside code page 936: its default character";
    wchar_t* wide = NarrowToWide("2147483647");
    ASSERT_NE(nullptr, wide);
    EXPECT_STREQ(L"2147483647", wide);
    free(wide);
    wide = NarrowToWide("");
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(L'\0', wide[0]);
    free(wide);
}

namespace {
bool OnlyE(wchar_t letter) { return letter == L'E'; }
bool Every(wchar_t) { return true; }
}  // namespace

TEST(Platform, UsbDriveRoots_ParsingAndRealCase)
{
    const wchar_t strings[] = L"C:\\\0D:\\\0E:\\\0Z:\\\0";
    std::list<std::wstring> roots;
    SetUsbVolumeProbeForTests(OnlyE);
    ParseDriveStrings(strings, 16, roots);
    EXPECT_EQ((std::list<std::wstring>{L"E:\\"}), roots);
    roots.clear();
    SetUsbVolumeProbeForTests(Every);
    ParseDriveStrings(strings, 16, roots);
    EXPECT_EQ((std::list<std::wstring>{L"C:\\", L"D:\\", L"E:\\", L"Z:\\"}), roots);
    SetUsbVolumeProbeForTests(nullptr);

    BYTE answer[40] = {};
    answer[28] = 7;
    EXPECT_TRUE(DescriptorIsUsb(answer, sizeof(answer)));
    answer[28] = 11;
    EXPECT_FALSE(DescriptorIsUsb(answer, sizeof(answer)));
    answer[28] = 7;
    answer[29] = 1;  // 0x107: the whole 32-bit field counts
    EXPECT_FALSE(DescriptorIsUsb(answer, sizeof(answer)));

    // Wine reports no USB bus: the real list stays empty.
    roots.clear();
    EXPECT_FALSE(ListUsbDriveRoots(roots));
    EXPECT_TRUE(roots.empty());
}
