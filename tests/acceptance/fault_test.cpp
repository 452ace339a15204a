// Faults and bad input around the real tool: a broken companion or manifest, odd log settings, a
// log folder that takes nothing, programs planted beside the exe. Each case checks that the tool
// neither crashed nor hung, that nothing was lost, and that what it told the user was true.
#include <winsock2.h>

#include "PanelFixture.h"
#include "resource.h"
#include "TestUtil.h"
#include "XInput.h"
#include "sys/PlatformQueries.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testutil;

namespace {

std::string Gbk(const wchar_t* text)
{
    return ToCodePage(text, 936);
}

std::wstring ToolLogFolder()
{
    return GetCommonAppDataPath() + L"ToolLog";
}

std::wstring ToolLogFile()
{
    return ToolLogFolder() + L"\\Kestrune.txt";
}

std::wstring LogConfig()
{
    return GetCommonAppDataPath() + L"logCfg.ini";
}

std::string ReadAll(const std::wstring& path)
{
    std::string bytes;
    ReadFileBytes(path, bytes);
    return bytes;
}

size_t CountOf(const std::string& text, const std::string& what)
{
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

const std::string& ProbeEntry()
{
    static const std::string entry = Gbk(L"系统蓝屏文件不存在") + "\r\r\n";
    return entry;
}

// The Linux path of a Windows path of the prefix.
std::string UnixPath(const std::wstring& path)
{
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (convert == nullptr)
        return std::string();
    char* unix = convert(path.c_str());
    std::string result = unix != nullptr ? unix : "";
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

// Starts the tool, expects the panel without any prompt, closes it orderly: no crash, no hang.
void ExpectOrdinaryRun(CPanelFixture& tool, const std::string& what)
{
    ASSERT_TRUE(tool.Start()) << what;
    ASSERT_NE(nullptr, tool.WaitReady()) << what << ": the panel never became ready";
    EXPECT_EQ(nullptr, FindWindowWithControl(tool.m_tool.m_pid, IDC_PROMPT_TEXT, 0))
        << what << ": a prompt told the user something";
    ASSERT_TRUE(tool.m_tool.WaitForWindows()) << what;
    EXPECT_TRUE(tool.m_tool.CloseAnsweringFeedback()) << what;
    DWORD exitCode = 1;
    EXPECT_TRUE(tool.m_tool.WaitForExit(30000, &exitCode)) << what << ": the tool hung";
    EXPECT_EQ(0u, exitCode) << what;
}

// A loopback listener that accepts connections into its backlog and never answers.
class CSilentServer {
public:
    CSilentServer()
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(address);
        if (bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
            listen(m_socket, 8) == 0 &&
            getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            m_port = ntohs(address.sin_port);
    }
    ~CSilentServer()
    {
        closesocket(m_socket);
        WSACleanup();
    }
    int m_port = 0;

private:
    SOCKET m_socket = INVALID_SOCKET;
};

// Moves the log folder aside for a case and puts it back afterwards.
class CToolLogAside {
public:
    CToolLogAside() : m_aside(ToolLogFolder() + L".aside")
    {
        RemoveTree(m_aside);
        MoveFileW(ToolLogFolder().c_str(), m_aside.c_str());
    }
    ~CToolLogAside()
    {
        RemoveTree(ToolLogFolder());
        MoveFileW(m_aside.c_str(), ToolLogFolder().c_str());
    }

private:
    std::wstring m_aside;
};

}  // namespace

TEST(Faults, CompanionUnusable_InitFailurePrompt_ExitZero_FolderKept)
{
    std::string dll;
    ASSERT_TRUE(ReadFileBytes(ExeFolder() + L"\\OrlaviFeedbackInformation.dll", dll));
    auto testBuild = [](const wchar_t* folder) {
        std::string bytes;
        ReadFileBytes(ExeFolder() + L"\\" + folder + L"\\OrlaviFeedbackInformation.dll", bytes);
        return bytes;
    };
    struct Case {
        const char* name;
        std::string bytes;
    };
    const Case cases[] = {
        {"truncated", dll.substr(0, 4096)},
        {"not-a-dll", "[Update]\r\nThis is a text file named like a library.\r\n"},
        {"empty", ""},
        {"lacking-export", testBuild(L"lacking-export")},
        {"init-fails", testBuild(L"init-fails")},
    };
    RemoveDumps();
    for (const Case& c : cases) {
        ToolSetup setup;
        setup.withDll = false;
        CPanelFixture tool(L"fault-dll-" + FromCodePage(c.name, CP_UTF8), setup);
        WriteFileBytes(tool.m_folder + L"\\OrlaviFeedbackInformation.dll", c.bytes);
        ASSERT_TRUE(tool.Start());
        EXPECT_EQ(L"工具初始化失败", tool.WaitPrompt()) << c.name;
        tool.ConfirmPrompt();
        DWORD exitCode = 1;
        ASSERT_TRUE(tool.m_tool.WaitForExit(20000, &exitCode)) << c.name << ": hung";
        EXPECT_EQ(0u, exitCode) << c.name;
        xinput::PumpFor(4500);  // a removal would have run by now
        EXPECT_EQ(c.bytes, ReadAll(tool.m_folder + L"\\OrlaviFeedbackInformation.dll")) << c.name;
        EXPECT_TRUE(FileExists(tool.m_exe)) << c.name;
    }
}

TEST(Faults, ManifestMissingMalformedHugeOrSilent_PanelStartsWithoutUpdatePrompt)
{
    CSilentServer silent;
    ASSERT_NE(0, silent.m_port);
    struct Case {
        const char* name;
        std::string bytes;  // the manifest file; unused with an address
        std::wstring address;
        bool present;
    };
    std::string huge(10 * 1024 * 1024, '9');
    huge.replace(0, 16, "10107=1.3.100.0\n");  // a newer version, but within a file too large
    const Case cases[] = {
        {"missing", "", L"", false},
        {"malformed", std::string("10107\0=\xff\xfe" "1..3\r\n=====\r\n", 22), L"", true},
        {"huge", huge, L"", true},
        {"silent", "", L"http://127.0.0.1:" + std::to_wstring(silent.m_port) + L"/manifest", true},
    };
    RemoveDumps();
    for (const Case& c : cases) {
        ToolSetup setup;
        setup.manifestLine = L"";
        setup.manifestAddress = c.address;
        CPanelFixture tool(L"fault-manifest-" + FromCodePage(c.name, CP_UTF8), setup);
        if (c.present && c.address.empty())
            WriteFileBytes(tool.m_manifest, c.bytes);
        DWORD started = GetTickCount();
        ExpectOrdinaryRun(tool, c.name);
        std::string calls = tool.NewCalls();
        EXPECT_EQ(1u, CountOf(calls, "GetToolIsNewVersion(\"10107\", \"1.3.22.1026\") = "))
            << calls;
        EXPECT_EQ(0u, CountOf(calls, "GetToolIsNewVersion(\"10107\", \"1.3.22.1026\") = 3"))
            << c.name << ": a failed check reported a newer version";
        EXPECT_EQ(0u, CountOf(calls, "OpenToolDownUrl")) << calls;
        printf("manifest %s: start to close %lu ms\n", c.name,
               static_cast<unsigned long>(GetTickCount() - started));
    }
}

TEST(Faults, LogConfigAnyContent_ToolRunsAndItsEntriesAreWritten)
{
    static const char garbage[] = "\x00\xff\x9c[Log\x00print=\x01\x02\xfe\r\n\x80\x80";
    struct Case {
        const char* name;
        bool present;
        std::string bytes;
    };
    const Case cases[] = {
        {"missing", false, ""},
        {"empty", true, ""},
        {"garbage", true, std::string(garbage, sizeof(garbage) - 1)},
        {"not a number", true, "[Log]\r\nprint=yes please\r\n"},
        {"print on", true, "[Log]\r\nprint=1\r\n"},
    };
    RemoveDumps();
    std::string kept;
    bool hadConfig = ReadFileBytes(LogConfig(), kept);
    for (const Case& c : cases) {
        DeleteFileW(LogConfig().c_str());
        if (c.present)
            WriteFileBytes(LogConfig(), c.bytes);
        std::string before = ReadAll(ToolLogFile());
        CPanelFixture tool(L"fault-logcfg");
        ExpectOrdinaryRun(tool, c.name);
        std::string after = ReadAll(ToolLogFile());
        ASSERT_GE(after.size(), before.size()) << c.name;
        EXPECT_EQ(before, after.substr(0, before.size())) << c.name << ": earlier entries changed";
        EXPECT_EQ(1u, CountOf(after.substr(before.size()), ProbeEntry()))
            << c.name << ": the probe's entry is always written";
    }
    DeleteFileW(LogConfig().c_str());
    if (hadConfig)
        WriteFileBytes(LogConfig(), kept);
}

TEST(Faults, ToolLogTakesNothing_EntriesDroppedSilently_ToolRuns)
{
    RemoveDumps();
    {
        // A file where the folder belongs.
        CToolLogAside aside;
        const std::string blocker = "not a folder";
        WriteFileBytes(ToolLogFolder(), blocker);
        CPanelFixture tool(L"fault-toollog-file");
        ExpectOrdinaryRun(tool, "file in place of ToolLog");
        EXPECT_EQ(blocker, ReadAll(ToolLogFolder())) << "the file in the way was changed";
        DeleteFileW(ToolLogFolder().c_str());
    }
    {
        // The log file held open without sharing by another program.
        CToolLogAside aside;
        CreateDirectoryW(ToolLogFolder().c_str(), nullptr);
        const std::string earlier = "[2026-12-01 10:00:00 0000s]   earlier\r\r\n";
        WriteFileBytes(ToolLogFile(), earlier);
        HANDLE held = CreateFileW(ToolLogFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        CPanelFixture tool(L"fault-toollog-held");
        ExpectOrdinaryRun(tool, "log file held open");
        CloseHandle(held);
        EXPECT_EQ(earlier, ReadAll(ToolLogFile())) << "the held file was changed";
    }
    {
        // A read-only file system under the folder: real only where bind mounts are allowed.
        CToolLogAside aside;
        CreateDirectoryW(ToolLogFolder().c_str(), nullptr);
        const std::string earlier = "[2026-12-01 10:00:00 0000s]   earlier\r\r\n";
        WriteFileBytes(ToolLogFile(), earlier);
        std::string folder = UnixPath(ToolLogFolder());
        ASSERT_FALSE(folder.empty());
        xinput::RunUnix("mount --bind '" + folder + "' '" + folder + "' && mount -o remount,bind,ro '" +
                        folder + "' '" + folder + "' && touch '" + folder + ".ro'");
        std::wstring marker = ToolLogFolder() + L".ro";
        if (!FileExists(marker)) {
            xinput::RunUnix("umount '" + folder + "' 2>/dev/null");
            GTEST_SKIP() << "read-only ToolLog: this machine allows no read-only bind mount";
        } else {
            DeleteFileW(marker.c_str());
            EXPECT_FALSE(WriteFileBytes(ToolLogFolder() + L"\\probe.txt", "x")) << "not read-only";
            CPanelFixture tool(L"fault-toollog-readonly");
            ExpectOrdinaryRun(tool, "read-only ToolLog");
            EXPECT_EQ(earlier, ReadAll(ToolLogFile()));
            xinput::RunUnix("umount '" + folder + "'");
        }
    }
}

TEST(Faults, LogAboveRotationSizeAtStart_EverythingKeptInTheBackup)
{
    RemoveDumps();
    CToolLogAside aside;
    CreateDirectoryW(ToolLogFolder().c_str(), nullptr);
    std::string line = "[2026-12-01 10:00:00 0000s]   earlier entry, padded to a round size..\r\r\n";
    std::string big;
    while (big.size() < 6100000)
        big += line;
    WriteFileBytes(ToolLogFile(), big);
    CPanelFixture tool(L"fault-rotation");
    ExpectOrdinaryRun(tool, "log above rotation size");
    std::string backup = ReadAll(ToolLogFile() + L"bak");
    ASSERT_EQ(big.size() + 30 + ProbeEntry().size(), backup.size())
        << "the old entries and the new one belong in the backup";
    EXPECT_EQ(big, backup.substr(0, big.size()));
    EXPECT_EQ(ProbeEntry(), backup.substr(big.size() + 30));
    EXPECT_FALSE(FileExists(ToolLogFile())) << "after the rotation a new file starts empty";
}

TEST(Faults, SystemProgramsPlantedBesideTheExe_NeverRun)
{
    InstallDumps(50000, 2);
    std::wstring desktop = GetDesktopPath();
    RemoveTree(desktop + L"BlueScreen");
    CPanelFixture tool(L"fault-planted");
    std::wstring fakeLog = L"C:\\kestrune-tests\\fault-planted.log";
    DeleteFileW(fakeLog.c_str());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", fakeLog.c_str());
    // The exe's folder is also its current directory, as after a double-click.
    for (const wchar_t* name : {L"cmd.exe", L"reg.exe", L"takeown.exe", L"icacls.exe"})
        ASSERT_TRUE(CopyFileW((ExeFolder() + L"\\fake_tool.exe").c_str(),
                              (tool.m_folder + L"\\" + name).c_str(), FALSE));
    ASSERT_TRUE(tool.Start());
    ASSERT_NE(nullptr, tool.WaitReady());
    ASSERT_TRUE(tool.PickDumpType(1));
    tool.ClickControl(IDC_BTN_SET);
    EXPECT_EQ(L"设置成功，重启电脑后生效", tool.WaitPrompt());
    tool.ConfirmPrompt();
    DWORD cde = 0;
    EXPECT_TRUE(ReadCrashControl(L"CrashDumpEnabled", cde));
    EXPECT_EQ(3u, cde) << "the system's reg did the work";
    tool.ClickControl(IDC_BTN_EXPORT);
    EXPECT_EQ(L"导出成功，文件已导出至桌面BlueScreen文件夹下", tool.WaitPrompt());
    tool.ConfirmPrompt();
    EXPECT_EQ(50000, FileSize(desktop + L"BlueScreen\\MEMORY.DMP"));
    ASSERT_TRUE(tool.m_tool.WaitForWindows());
    EXPECT_TRUE(tool.m_tool.CloseAnsweringFeedback());
    DWORD exitCode = 1;
    EXPECT_TRUE(tool.m_tool.WaitForExit(30000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    xinput::PumpFor(4500);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    EXPECT_FALSE(FileExists(fakeLog)) << "a planted program ran: " << ReadAll(fakeLog);
    EXPECT_TRUE(FileExists(tool.m_folder + L"\\cmd.exe"))
        << "a folder holding other programs is not the tool's own: it stays";
    RemoveTree(desktop + L"BlueScreen");
    RemoveDumps();
}
