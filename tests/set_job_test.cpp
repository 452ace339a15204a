// The set job: real runs through reg.exe under switched versions, values read back.
#include "JobWindow.h"
#include "TestUtil.h"
#include "dump/CrashDumpJobs.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace testutil;

namespace {

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

}  // namespace

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
