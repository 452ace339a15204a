// Version classes and the set job: the class table, then real runs of job_runner under Wine's
// per-program version switch, the set job going through reg.exe and the values read back. The
// detection of the real version is seen through the tool in the acceptance run.
#include "TestUtil.h"
#include "dump/DumpCatalog.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

// Runs job_runner with arguments under the given Windows version; its output, line ends as LF.
std::string RunJobRunnerAs(const wchar_t* wineVersion, const std::wstring& arguments)
{
    // A per-program version, so that tests running at the same time are not affected.
    std::wstring folder = MakeScratchFolder(std::wstring(L"jobrunner-") + wineVersion);
    std::wstring name = std::wstring(L"jobrunner_") + wineVersion + L".exe";
    CopyFileW((ExeFolder() + L"\\job_runner.exe").c_str(), (folder + L"\\" + name).c_str(), FALSE);
    SetRegString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name, L"Version", wineVersion);
    std::string output;
    DWORD exitCode = 1;
    bool ran = RunProgram(L"\"" + folder + L"\\" + name + L"\" " + arguments, output, exitCode, 180000);
    EXPECT_TRUE(ran && exitCode == 0) << output;
    RemoveTree(folder);
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return output;
}

}  // namespace

TEST(Catalogue, VersionPairs_ClassifiedByTable)
{
    const struct {
        unsigned major, minor;
        OsClass osClass;
    } cases[] = {{5, 0, Win2000}, {5, 1, WinXP}, {5, 2, Win2003}, {6, 0, WinVista}, {6, 1, Win7},
                 {6, 2, Win8}, {6, 3, Win81}, {10, 0, Win10}, {6, 4, Unrecognised},
                 {5, 3, Unrecognised}, {10, 1, Unrecognised}, {11, 0, Unrecognised},
                 {0, 0, Unrecognised}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.osClass, ClassifyVersion(c.major, c.minor)) << c.major << "." << c.minor;
        EXPECT_EQ(c.osClass == Win7 || c.osClass == Win10, IsSupportedOsClass(c.osClass));
    }
}

TEST(SetDumpTypeJob, EveryIndexOfBothLists_RegistryHoldsTheCatalogueValues)
{
    EXPECT_EQ("class=10 supported=1\n"
              "index=0 messages=1525,1526 result=6 cde=0 fp=absent entries=\n"
              "index=1 messages=1525,1526 result=6 cde=3 fp=absent entries=\n"
              "index=2 messages=1525,1526 result=6 cde=1 fp=absent entries=\n"
              "index=3 messages=1525,1526 result=6 cde=2 fp=absent entries=\n"
              "index=4 messages=1525,1526 result=6 cde=7 fp=absent entries=\n"
              "index=5 messages=1525,1526 result=6 cde=1 fp=1 entries=\n",
              RunJobRunnerAs(L"win10", L"set 0 1 2 3 4 5"));
    // Windows 7 leaves FilterPages alone; out of range, an empty command confirms nothing.
    EXPECT_EQ("class=7 supported=1\n"
              "index=0 messages=1525,1526 result=6 cde=0 fp=5 entries=\n"
              "index=1 messages=1525,1526 result=6 cde=3 fp=5 entries=\n"
              "index=2 messages=1525,1526 result=6 cde=1 fp=5 entries=\n"
              "index=3 messages=1525,1526 result=6 cde=2 fp=5 entries=\n"
              "index=4 messages=1525,1526 result=7 cde=99 fp=5 entries=系统蓝屏调试设置失败\n",
              RunJobRunnerAs(L"win7", L"set 0 1 2 3 4"));
}
