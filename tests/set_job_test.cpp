// The set job: command templates, and real runs through reg.exe under switched versions.
#include "JobWindow.h"
#include "TestUtil.h"
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "log/LogSave.h"
#include "sys/ShellRunner.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;

namespace {

std::string LastLogText(const std::wstring& file)
{
    std::string bytes;
    ReadFileBytes(LogBaseFolder() + L"ToolLog\\" + file, bytes);
    std::vector<std::string> lines = SplitLogLines(bytes);
    return lines.empty() ? std::string() : lines.back().substr(30);
}

size_t LogLineCount(const std::wstring& file)
{
    std::string bytes;
    ReadFileBytes(LogBaseFolder() + L"ToolLog\\" + file, bytes);
    return SplitLogLines(bytes).size();
}

// Runs job_runner under the given Windows version (and locale) and returns its lines.
std::vector<std::string> RunSetJobs(const wchar_t* wineVersion, const wchar_t* indices)
{
    std::wstring folder = MakeScratchFolder(std::wstring(L"setjob-") + wineVersion);
    std::wstring name = std::wstring(L"jobrunner_") + wineVersion + L".exe";
    std::wstring exe = folder + L"\\" + name;
    CopyFileW((ExeFolder() + L"\\job_runner.exe").c_str(), exe.c_str(), FALSE);
    SetRegString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name, L"Version",
                 wineVersion);
    std::string output;
    DWORD exitCode = 1;
    bool ran = RunProgram(L"\"" + exe + L"\" set " + indices, output, exitCode, 180000);
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    EXPECT_TRUE(ran && exitCode == 0) << output;
    RemoveTree(folder);
    return lines;
}

struct CannedOutput {
    static std::wstring text;
    static std::wstring command;
    static bool Hook(const std::wstring& cmd, std::wstring& output)
    {
        command = cmd;
        output += text;
        return true;
    }
};
std::wstring CannedOutput::text;
std::wstring CannedOutput::command;

int RunSetJobInProcess(int osClass, int index)
{
    CCrashDumpJobs jobs;
    CJobWindow window;
    jobs.SetTargetWindow(window.Handle());
    jobs.m_osClass = osClass;
    EXPECT_TRUE(jobs.StartSetDumpTypeJob(index));
    EXPECT_EQ(index, jobs.m_selectedIndex);
    EXPECT_TRUE(window.WaitForResult());
    EXPECT_EQ((std::vector<UINT>{WM_CLOSE_BUSY_PROMPT, WM_JOB_RESULT}), window.m_messages);
    Sleep(300);  // the failure entry follows the messages
    return window.m_result;
}

}  // namespace

TEST(SetDumpTypeJob, Templates_ExactTextsAndLengths)
{
    std::wstring t1 = SetDumpTypeTemplate(FilterPagesUntouched);
    std::wstring t2 = SetDumpTypeTemplate(FilterPagesDeleted);
    std::wstring t3 = SetDumpTypeTemplate(FilterPagesSetToOne);
    EXPECT_EQ(118u, t1.size());
    EXPECT_EQ(225u, t2.size());
    EXPECT_EQ(243u, t3.size());
    const std::wstring joint = L" & \t\t\t\t\t\t\t\t ";
    EXPECT_EQ(t1 + joint, t2.substr(0, t1.size() + joint.size()));
    EXPECT_NE(std::wstring::npos, t2.find(L"reg delete \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet"
                                         L"\\Control\\CrashControl\" /v FilterPages /f"));
    EXPECT_NE(std::wstring::npos, t3.find(L"/v \"FilterPages\" /d %d /t REG_DWORD /f"));

    EXPECT_EQ(L"reg add \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
              L"/v \"CrashDumpEnabled\" /d 7 /t REG_DWORD /f" + joint +
                  L"reg delete \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
                  L"/v FilterPages /f",
              BuildSetDumpTypeCommand(Win10, 4));
    EXPECT_NE(std::wstring::npos, BuildSetDumpTypeCommand(Win10, 5).find(L"/d 1 /t REG_DWORD /f" + joint));
    EXPECT_NE(std::wstring::npos, BuildSetDumpTypeCommand(Win10, 5).find(L"\"FilterPages\" /d 1 "));
    EXPECT_EQ(L"reg add \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
              L"/v \"CrashDumpEnabled\" /d 3 /t REG_DWORD /f",
              BuildSetDumpTypeCommand(Win7, 1));
    EXPECT_EQ(L"", BuildSetDumpTypeCommand(Win10, 6));
    EXPECT_EQ(L"", BuildSetDumpTypeCommand(Win7, 4));
    EXPECT_EQ(L"", BuildSetDumpTypeCommand(Win10, -1));
}

TEST(SetDumpTypeJob, Win10_EveryIndex_WritesCatalogueValues)
{
    std::vector<std::string> lines = RunSetJobs(L"win10", L"0 1 2 3 4 5");
    ASSERT_EQ(7u, lines.size());
    EXPECT_EQ("class=10 supported=1", lines[0]);
    const char* expected[] = {
        "index=0 messages=1525,1526 result=6 cde=0 fp=absent log=-",
        "index=1 messages=1525,1526 result=6 cde=3 fp=absent log=-",
        "index=2 messages=1525,1526 result=6 cde=1 fp=absent log=-",
        "index=3 messages=1525,1526 result=6 cde=2 fp=absent log=-",
        "index=4 messages=1525,1526 result=6 cde=7 fp=absent log=-",
        "index=5 messages=1525,1526 result=6 cde=1 fp=1 log=-",
    };
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(expected[i], lines[i + 1]);
}

TEST(SetDumpTypeJob, Win7_EveryIndex_WritesOnlyCrashDumpEnabled)
{
    std::vector<std::string> lines = RunSetJobs(L"win7", L"0 1 2 3 4");
    ASSERT_EQ(6u, lines.size());
    EXPECT_EQ("class=7 supported=1", lines[0]);
    const char* expected[] = {
        "index=0 messages=1525,1526 result=6 cde=0 fp=5 log=-",
        "index=1 messages=1525,1526 result=6 cde=3 fp=5 log=-",
        "index=2 messages=1525,1526 result=6 cde=1 fp=5 log=-",
        "index=3 messages=1525,1526 result=6 cde=2 fp=5 log=-",
        // Out of range: an empty command confirms nothing.
        "index=4 messages=1525,1526 result=7 cde=99 fp=5 log=CFB5CDB3C0B6C6C1B5F7CAD4C9E8D6C3CAA7B0DC",
    };
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(expected[i], lines[i + 1]);
}

TEST(SetDumpTypeJob, ConfirmationsCounted_PerTemplate)
{
    SetCaptureHookForTests(CannedOutput::Hook);
    const std::wstring ok = L"操作成功完成\r\n";
    const std::wstring denied = L"错误: 拒绝访问。\r\n";
    struct Case {
        int osClass;
        int index;
        std::wstring output;
        int result;
    };
    const Case cases[] = {
        {Win10, 5, ok + denied, SetFailed},  // FilterPages refused: not the active dump
        {Win10, 5, denied + ok, SetFailed},
        {Win10, 5, ok + ok, SetSucceeded},
        {Win10, 0, ok + L"错误: 系统找不到指定的注册表项或值。\r\n", SetSucceeded},
        {Win10, 2, denied, SetFailed},
        {Win7, 3, ok, SetSucceeded},
        {Win7, 3, L"", SetFailed},
        {Win10, 9, ok, SetFailed},  // out of range: the canned text is not what ran
    };
    for (const Case& c : cases) {
        CannedOutput::text = c.index == 9 ? L"" : c.output;
        size_t before = LogLineCount(L"Kestrune.txt");
        EXPECT_EQ(c.result, RunSetJobInProcess(c.osClass, c.index)) << c.index;
        EXPECT_EQ(BuildSetDumpTypeCommand(c.osClass, c.index), CannedOutput::command);
        if (c.result == SetFailed) {
            EXPECT_EQ(before + 1, LogLineCount(L"Kestrune.txt"));
            EXPECT_EQ(ToCodePage(L"系统蓝屏调试设置失败", 936), LastLogText(L"Kestrune.txt"));
        } else {
            EXPECT_EQ(before, LogLineCount(L"Kestrune.txt"));
        }
    }
    SetCaptureHookForTests(nullptr);
}
