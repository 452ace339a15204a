// The probe and the export on the prefix's real C:\windows and desktop, and the drive queries.
#include "DumpHeaderBytes.h"
#include "JobWindow.h"
#include "TestUtil.h"
#include "dump/CrashDumpJobs.h"
#include "dump/CrashSummary.h"
#include "sys/LinkGuard.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>
#include <shlobj.h>

using namespace testutil;

namespace {

std::string Pattern(size_t size, unsigned variant)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + variant * 7 + (i >> 9)) & 0xFF);
    return bytes;
}

std::string Gbk(const std::wstring& text) { return ToCodePage(text, 936); }

std::string LastEntry(const wchar_t* log)
{
    std::vector<std::string> entries = LogEntries(log);
    return entries.empty() ? std::string() : entries.back();
}

// Runs the job on this thread: its messages reach the window, and its entries the log, before
// it returns.
int RunJob(bool (CCrashDumpJobs::*run)())
{
    CJobWindow window;
    CCrashDumpJobs jobs;
    jobs.SetTargetWindow(window.Handle());
    (jobs.*run)();
    EXPECT_EQ((std::vector<UINT>{WM_CLOSE_BUSY_PROMPT, WM_JOB_RESULT}), window.m_messages);
    return window.m_result;
}

int RunProbe() { return RunJob(&CCrashDumpJobs::RunDumpProbeJob); }
int RunExport() { return RunJob(&CCrashDumpJobs::RunExportJob); }

// Sets the desktop's shell-folder value; an empty path restores the prefix's own. Returns the
// desktop path with its trailing backslash.
std::wstring SetDesktop(const std::wstring& path)
{
    static const std::wstring original = GetDesktopPath().substr(0, GetDesktopPath().size() - 1);
    std::wstring value = path.empty() ? original : path;
    RegSetKeyValueW(HKEY_CURRENT_USER,
                    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
                    L"Desktop", REG_EXPAND_SZ, value.c_str(), DWORD((value.size() + 1) * 2));
    CreateDirectoryTree(value);
    RemoveTree(value + L"\\BlueScreen");
    return value + L"\\";
}

struct DumpSet {
    std::string memory = Pattern(3 * 1024 * 1024 + 17, 1);
    std::vector<std::pair<std::wstring, std::string>> minidumps = {
        {L"120626-01.dmp", Pattern(262144, 2)}, {L"120726-02.dmp", Pattern(131072 + 5, 3)},
        {L"Mini 1207 (b).dmp", Pattern(70000, 4)}, {L"蓝屏-03.dmp", Pattern(1000, 5)},
        {L"notes.txt", Pattern(300, 6)}};
    void Install(bool withMemory = true) const
    {
        InstallDumpFiles(0, 0);
        if (withMemory)
            WriteFileBytes(GetWindowsPath() + L"MEMORY.DMP", memory);
        for (const auto& file : minidumps)
            WriteFileBytes(GetWindowsPath() + L"Minidump\\" + file.first, file.second);
    }
    // Every file byte-identical under desktop\BlueScreen.
    void ExpectExported(const std::wstring& desktop, bool withMemory = true) const
    {
        std::wstring folder = desktop + L"BlueScreen\\";
        EXPECT_EQ(withMemory, FileText(folder + L"MEMORY.DMP") == memory) << "MEMORY.DMP";
        for (const auto& file : minidumps)
            EXPECT_TRUE(FileText(folder + L"Minidump\\" + file.first) == file.second)
                << ToCodePage(file.first, CP_UTF8);
    }
};

// Runs a job with the Windows folder and the desktop the shell names replaced, from a current
// directory of its own that holds what a relative path would find.
std::wstring g_hooked[2];  // desktop, Windows
int RunHooked(int (*run)(), const std::wstring& windows, const std::wstring& desktop,
              const std::wstring& cwd)
{
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(cwd.c_str());
    g_hooked[0] = desktop;
    g_hooked[1] = windows;
    SetSpecialFolderHookForTests([](int csidl, std::wstring& path) {
        bool hooked = csidl == CSIDL_DESKTOP || csidl == CSIDL_WINDOWS;
        if (hooked)
            path = g_hooked[csidl == CSIDL_WINDOWS];
        return hooked;
    });
    int result = run();
    SetSpecialFolderHookForTests(nullptr);
    SetCurrentDirectoryW(previous);
    return result;
}

}  // namespace

TEST(Probe, DumpPresence_ByMemoryDmpOrMinidump_NeverRelative)
{
    const std::wstring minidump = GetWindowsPath() + L"Minidump\\";
    RemoveDumpFiles();
    EXPECT_EQ(DumpFilesAbsent, RunProbe()) << "nothing there";
    EXPECT_EQ(Gbk(L"系统蓝屏文件不存在"), LastEntry(L"Kestrune.txt"));
    InstallDumpFiles(1, 0);
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "MEMORY.DMP only";
    InstallDumpFiles(0, 0);
    WriteFileBytes(minidump + L"a.txt", "x");
    WriteFileBytes(minidump + L"b.dmp.bak", "x");
    EXPECT_EQ(DumpFilesAbsent, RunProbe()) << "other extensions only";
    WriteFileBytes(minidump + L"010126-01.dmp", "x");
    size_t entries = LogEntries(L"Kestrune.txt").size();
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "one minidump";
    EXPECT_EQ(entries, LogEntries(L"Kestrune.txt").size()) << "presence is not logged";
    DeleteFileW((minidump + L"010126-01.dmp").c_str());
    CreateDirectoryW((minidump + L"folder.dmp").c_str(), nullptr);
    EXPECT_EQ(DumpFilesPresent, RunProbe()) << "a folder named .dmp counts";

    // Without the Windows folder: never a MEMORY.DMP relative to the current directory.
    InstallDumpFiles(1, 0);
    std::wstring cwd = MakeScratchFolder(L"probe-cwd");
    WriteFileBytes(cwd + L"\\MEMORY.DMP", "x");
    EXPECT_EQ(DumpFilesAbsent, RunHooked(RunProbe, L"", L"C:\\unused\\", cwd));
    RemoveTree(cwd);
    RemoveDumpFiles();
}

// With delayed expansion on for the user, "!b!" would vanish from an interpreter's line.
TEST(Export, DesktopWithBlankChineseOrInterpreterCharacters_CopiesEverything_RerunOverwrites)
{
    SetRegDword(HKEY_CURRENT_USER, L"Software\\Microsoft\\Command Processor", L"DelayedExpansion", 1);
    DumpSet dumps;
    dumps.Install();
    // A hidden file is not carried by copy, and not expected.
    std::wstring hidden = GetWindowsPath() + L"Minidump\\hidden.dmp";
    WriteFileBytes(hidden, "h");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);
    size_t entries = LogEntries(L"Pandrell.txt").size();
    for (const wchar_t* path : {L"C:\\kestrune-tests\\My Desktop", L"C:\\kestrune-tests\\用户 桌面",
                                L"C:\\kestrune-tests\\a&b (x) ^c", L"C:\\kestrune-tests\\a!b!c", L""}) {
        std::wstring desktop = SetDesktop(path);
        ASSERT_EQ(desktop, GetDesktopPath()) << "shell folder value not taken";
        EXPECT_EQ(ExportSucceeded, RunExport()) << ToCodePage(path, CP_UTF8);
        dumps.ExpectExported(desktop);
        if (*path)
            RemoveTree(path);
    }
    EXPECT_EQ(entries, LogEntries(L"Pandrell.txt").size()) << "success logs nothing";
    DeleteRegValue(HKEY_CURRENT_USER, L"Software\\Microsoft\\Command Processor", L"DelayedExpansion");

    std::wstring desktop = GetDesktopPath();
    dumps.minidumps[0].second = Pattern(300000, 9);
    dumps.memory = Pattern(1024 * 1024, 8);
    dumps.Install();
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop);
    RemoveTree(desktop + L"BlueScreen");
    dumps.Install(false);
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop, false);
    RemoveDumpFiles();
}

// The interpreter expands a % even inside quotation marks: refused before any copy.
TEST(Export, PercentInDesktopOrFolderProblems_ExportFailedOrFolderFailed_NeverRelative)
{
    DumpSet().Install();
    RemoveTree(L"C:\\kestrune-tests\\dWindows_NTx");
    std::wstring percent = SetDesktop(L"C:\\kestrune-tests\\d%OS%x");
    EXPECT_EQ(ExportFailed, RunExport());
    EXPECT_EQ(Gbk(L"桌面路径含有%，无法安全复制，未导出蓝屏文件：" + percent), LastEntry(L"Pandrell.txt"));
    EXPECT_FALSE(FileExists(L"C:\\kestrune-tests\\dWindows_NTx")) << "copied where %OS% leads";
    EXPECT_FALSE(FileExists(percent + L"BlueScreen"));
    RemoveTree(L"C:\\kestrune-tests\\d%OS%x");

    std::wstring desktop = SetDesktop(L"");
    WriteFileBytes(desktop + L"BlueScreen", "a file in the way");
    EXPECT_EQ(ExportFolderFailed, RunExport());
    EXPECT_EQ(Gbk(L"创建导出系统蓝屏文件目录失败"), LastEntry(L"Pandrell.txt"));
    DeleteFileW((desktop + L"BlueScreen").c_str());
    CreateDirectoryW((desktop + L"BlueScreen").c_str(), nullptr);
    WriteFileBytes(desktop + L"BlueScreen\\Minidump", "a file in the way");
    EXPECT_EQ(ExportFolderFailed, RunExport());
    EXPECT_EQ(Gbk(L"创建导出系统蓝屏文件目录失败2"), LastEntry(L"Pandrell.txt"));
    RemoveTree(desktop + L"BlueScreen");

    // No desktop path: never a "BlueScreen" relative to the current directory.
    std::wstring cwd = MakeScratchFolder(L"export-cwd");
    EXPECT_EQ(ExportFolderFailed, RunHooked(RunExport, GetWindowsPath(), L"", cwd));
    EXPECT_EQ(std::vector<std::wstring>(), FolderEntries(cwd));
    EXPECT_EQ(ExportFailed, RunHooked(RunExport, L"", desktop, cwd));
    EXPECT_EQ(Gbk(L"无法获取Windows目录，未导出蓝屏文件"), LastEntry(L"Pandrell.txt"));
    EXPECT_FALSE(FileExists(desktop + L"BlueScreen"));
    RemoveTree(cwd);
    RemoveDumpFiles();
}

TEST(Export, CopiesBlockedOrHeld_ExportFailedNamingTheFiles)
{
    std::wstring folder = SetDesktop(L"") + L"BlueScreen\\";
    DumpSet dumps;
    dumps.Install();
    // A folder standing where a file must go: copy cannot write it (root ignores permissions).
    CreateDirectoryTree(folder + L"Minidump\\120726-02.dmp");
    // An earlier export of the same size, held open so that copy cannot replace it: its old time
    // gives it away.
    WriteFileBytes(folder + L"Minidump\\120626-01.dmp", dumps.minidumps[0].second);
    HANDLE file = CreateFileW((folder + L"Minidump\\120626-01.dmp").c_str(),
                              GENERIC_READ | FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME old = {0x10000000, 0x01C00000};  // 1999
    SetFileTime(file, nullptr, nullptr, &old);
    // Another program holds the target of MEMORY.DMP open without sharing.
    WriteFileBytes(folder + L"MEMORY.DMP", "older export");
    HANDLE held = CreateFileW((folder + L"MEMORY.DMP").c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    size_t entries = LogEntries(L"Pandrell.txt").size();
    EXPECT_EQ(ExportFailed, RunExport());
    CloseHandle(held);
    CloseHandle(file);
    EXPECT_EQ(entries + 1, LogEntries(L"Pandrell.txt").size());
    std::string entry = LastEntry(L"Pandrell.txt");
    EXPECT_EQ(0u, entry.find(Gbk(L"导出蓝屏文件不完整：MEMORY.DMP，"))) << entry;
    for (const char* name : {"Minidump\\120626-01.dmp", "Minidump\\120726-02.dmp"})
        EXPECT_EQ(1u, Occurrences(entry, name)) << entry;
    EXPECT_EQ("older export", FileText(folder + L"MEMORY.DMP"));
    EXPECT_FALSE(FileExists(folder + L"蓝屏摘要.txt")) << "no summary after a failure";
    RemoveTree(folder);
    RemoveDumpFiles();
}

TEST(Export, CrashSummary_FailureLoggedExportStands_RerunReplaces_HeldDumpUnreadable)
{
    std::wstring folder = SetDesktop(L"") + L"BlueScreen";
    std::wstring summary = folder + L"\\蓝屏摘要.txt";
    DumpSet().Install();
    CreateDirectoryTree(summary);  // a folder where the summary goes
    size_t entries = LogEntries(L"Pandrell.txt").size();
    EXPECT_EQ(ExportSucceeded, RunExport());
    EXPECT_EQ(entries + 1, LogEntries(L"Pandrell.txt").size());
    EXPECT_EQ(0u, LastEntry(L"Pandrell.txt").find(Gbk(L"写入蓝屏摘要失败")));

    RemoveTree(summary);
    WriteFileBytes(summary, std::string(100000, 'o'));
    // A program of the user's takes every name it could derive from the exporter's process id.
    for (unsigned attempt = 0; attempt < 8; ++attempt)
        CreateDirectoryTree(summary + L"." + std::to_wstring(GetCurrentProcessId()) + L"-" +
                            std::to_wstring(attempt) + L".tmp");
    EXPECT_EQ(ExportSucceeded, RunExport()) << "an older summary is no missing file";
    std::string bytes = FileText(summary);
    EXPECT_EQ(0u, bytes.find("\xEF\xBB\xBF"));
    EXPECT_EQ(std::string::npos, bytes.find("ooo")) << "replaced, not appended or overwritten in part";

    // A dump another program holds without sharing reads as no dump, and never blocks.
    std::wstring heldDump = folder + L"\\held.dmp";
    WriteFileBytes(heldDump, DumpHeaderBytes(DumpHeaderFields()));
    HANDLE holder = CreateFileW(heldDump.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    CrashSummaryEntry header;
    TriageDump triage;
    EXPECT_FALSE(ReadCrashDumpFile(heldDump, header, triage));
    CloseHandle(holder);
    EXPECT_TRUE(ReadCrashDumpFile(heldDump, header, triage));
    EXPECT_FALSE(ReadCrashDumpFile(folder + L"\\Minidump", header, triage)) << "a directory";
    RemoveTree(folder);
    RemoveDumpFiles();
}

// Hard links planted where the export writes: each name is replaced, the file behind it untouched.
TEST(Export, HardLinksPlantedAsTargets_Replaced_FilesBehindUntouched_HeldLinkNotCopied)
{
    std::wstring desktop = SetDesktop(L"");
    std::wstring folder = desktop + L"BlueScreen\\";
    DumpSet dumps;
    dumps.Install();
    CreateDirectoryTree(folder + L"Minidump");
    std::wstring theirs = MakeScratchFolder(L"link-targets") + L"\\";
    const wchar_t* names[] = {L"MEMORY.DMP", L"蓝屏摘要.txt", L"Minidump\\120626-01.dmp"};
    for (int i = 0; i < 3; ++i) {
        std::wstring target = theirs + std::to_wstring(i);
        WriteFileBytes(target, "elsewhere");
        ASSERT_TRUE(CreateHardLinkW((folder + names[i]).c_str(), target.c_str(), nullptr));
    }
    EXPECT_EQ(ExportSucceeded, RunExport());
    dumps.ExpectExported(desktop);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(FileText(theirs + std::to_wstring(i)) == "elsewhere") << "link " << i;

    // A link that another program holds open cannot be removed: nothing is copied onto it.
    DeleteFileW((folder + L"MEMORY.DMP").c_str());
    CreateHardLinkW((folder + L"MEMORY.DMP").c_str(), (theirs + L"0").c_str(), nullptr);
    HANDLE held = CreateFileW((theirs + L"0").c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ExportFailed, RunExport());
    CloseHandle(held);
    EXPECT_EQ(Gbk(L"导出目标是无法删除的链接，未复制：MEMORY.DMP"), LastEntry(L"Pandrell.txt"));
    EXPECT_TRUE(FileText(theirs + L"0") == "elsewhere") << "written through";
    RemoveTree(folder);
    RemoveTree(theirs);
    RemoveDumpFiles();
}

// Wine 8 makes no junctions or symbolic links: the decision on the tag that FindFirstFileW reports.
TEST(Export, FolderReparseTags_JunctionsAndSymbolicLinksRefused_CloudPlaceholdersTaken)
{
    const DWORD kReparseFolder = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
    const struct {
        DWORD attributes, tag;
        bool link;
    } cases[] = {
        {kReparseFolder, 0xA0000003, true},             // junction (mount point)
        {kReparseFolder, 0xA000000C, true},             // symbolic link
        {kReparseFolder, 0xA000001D, true},             // WSL symbolic link
        {kReparseFolder, 0x9000001A, false},            // OneDrive placeholder
        {kReparseFolder, 0x9000701A, false},            // cloud placeholder, variant 7
        {kReparseFolder, 0x80000013, false},            // deduplicated
        {FILE_ATTRIBUTE_DIRECTORY, 0xA0000003, false},  // no reparse point: the field means nothing
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.link, IsNameSurrogate(c.attributes, c.tag)) << std::hex << c.tag;
}

TEST(Export, Takeown_RunsFromTheSystemFolderOnTheMinidumpFolder_ExportFoldersHeldMeanwhile)
{
    SetDesktop(L"");
    std::wstring takeown = GetWindowsPath() + L"system32\\takeown.exe";
    ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(), takeown.c_str(), FALSE));
    std::wstring log = MakeScratchFolder(L"takeown") + L"\\runs.log";
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", log.c_str());
    // A program of the user tries to swap the folders while the export holds them.
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_SWAP", (GetDesktopPath() + L"BlueScreen").c_str());
    DumpSet().Install();
    EXPECT_EQ(ExportSucceeded, RunExport());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_SWAP", nullptr);
    EXPECT_EQ(2u, Occurrences(FileText(log), " kept")) << FileText(log);
    DeleteFileW(takeown.c_str());
    std::string minidump = ToCodePage(GetWindowsPath() + L"Minidump", CP_UTF8);
    EXPECT_EQ(1u, Occurrences(FileText(log), "takeown.exe | takeown /f \"" + minidump + "\" /r /d y"))
        << FileText(log);
    RemoveDumpFiles();
}

// Which drives the service-client search lists is seen by the host-client suite; here the bus type
// in the storage descriptor, which Wine never reports.
TEST(Platform, StorageDescriptor_UsbByTheWholeBusTypeField)
{
    BYTE answer[40] = {};
    answer[28] = 7;  // the bus type: USB
    EXPECT_TRUE(DescriptorIsUsb(answer, sizeof(answer)));
    answer[29] = 1;  // 0x107: the whole 32-bit field counts
    EXPECT_FALSE(DescriptorIsUsb(answer, sizeof(answer)));
}
