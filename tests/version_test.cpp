// Version classes: the table itself, and the real detection under Wine's version switch.
#include "TestUtil.h"
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"

#include <gtest/gtest.h>

using namespace testutil;

TEST(Catalogue, VersionPairs_ClassifiedByTable)
{
    struct Case {
        unsigned major, minor;
        OsClass osClass;
    };
    const Case cases[] = {{5, 0, Win2000}, {5, 1, WinXP},  {5, 2, Win2003}, {6, 0, WinVista},
                          {6, 1, Win7},    {6, 2, Win8},   {6, 3, Win81},   {10, 0, Win10},
                          {6, 4, Unrecognised}, {5, 3, Unrecognised}, {10, 1, Unrecognised},
                          {11, 0, Unrecognised}, {0, 0, Unrecognised}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.osClass, ClassifyVersion(c.major, c.minor)) << c.major << "." << c.minor;
        EXPECT_EQ(c.osClass == Win7 || c.osClass == Win10, IsSupportedOsClass(c.osClass));
    }
}

TEST(Catalogue, Lists_TextsAndValuesPerClass)
{
    const wchar_t* texts[] = {L"无", L"小内存转储", L"完全内存转储", L"核心内存转储",
                              L"自动内存转储", L"活动内存转储"};
    const int values[] = {0, 3, 1, 2, 7, 1};
    ASSERT_EQ(6, DumpTypeCount(Win10));
    ASSERT_EQ(4, DumpTypeCount(Win7));
    for (int i = 0; i < 6; ++i) {
        const DumpTypeEntry* entry = DumpTypeAt(Win10, i);
        ASSERT_NE(nullptr, entry);
        EXPECT_STREQ(texts[i], entry->text);
        EXPECT_EQ(values[i], entry->crashDumpEnabled);
        EXPECT_EQ(i == 5 ? FilterPagesSetToOne : FilterPagesDeleted, entry->filterPages);
    }
    for (int i = 0; i < 4; ++i) {
        const DumpTypeEntry* entry = DumpTypeAt(Win7, i);
        ASSERT_NE(nullptr, entry);
        EXPECT_STREQ(texts[i], entry->text);
        EXPECT_EQ(values[i], entry->crashDumpEnabled);
        EXPECT_EQ(FilterPagesUntouched, entry->filterPages);
    }
    EXPECT_EQ(nullptr, DumpTypeAt(Win10, 6));
    EXPECT_EQ(nullptr, DumpTypeAt(Win10, -1));
    EXPECT_EQ(nullptr, DumpTypeAt(Win7, 4));
}

TEST(Catalogue, SetTargetWindow_RejectsNull)
{
    CCrashDumpJobs jobs;
    EXPECT_EQ(nullptr, jobs.m_hTargetWnd);
    EXPECT_EQ(0, jobs.m_osClass);
    EXPECT_EQ(0, jobs.m_selectedIndex);
    HWND desktop = GetDesktopWindow();
    EXPECT_TRUE(jobs.SetTargetWindow(desktop));
    EXPECT_FALSE(jobs.SetTargetWindow(nullptr));
    EXPECT_EQ(desktop, jobs.m_hTargetWnd) << "a null handle keeps the old one";
}

TEST(Version, WineVersionSwitch_GivesClassAndSupport)
{
    struct Case {
        const wchar_t* wineVersion;
        const char* expected;
    };
    const Case cases[] = {
        {L"win7", "version=6.1 class=7 supported=1"},
        {L"win10", "version=10.0 class=10 supported=1"},
        {L"win2008r2", "version=6.1 class=7 supported=1"},  // a server edition: the pair decides
        {L"winxp", "version=5.1 class=4 supported=0"},
        {L"vista", "version=6.0 class=6 supported=0"},
        {L"win8", "version=6.2 class=8 supported=0"},
        {L"win81", "version=6.3 class=9 supported=0"},
        {L"win2k", "version=5.0 class=3 supported=0"},
    };
    std::wstring folder = MakeScratchFolder(L"version-probes");
    std::wstring probe = ExeFolder() + L"\\os_probe.exe";
    for (const Case& c : cases) {
        // A per-program version, so that tests running at the same time are not affected.
        std::wstring name = std::wstring(L"osprobe_") + c.wineVersion + L".exe";
        ASSERT_TRUE(CopyFileW(probe.c_str(), (folder + L"\\" + name).c_str(), FALSE));
        ASSERT_TRUE(SetRegString(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\" + name,
                                 L"Version", c.wineVersion));
        std::string output;
        DWORD exitCode = 1;
        ASSERT_TRUE(RunProgram(L"\"" + folder + L"\\" + name + L"\"", output, exitCode));
        EXPECT_EQ(0u, exitCode);
        EXPECT_EQ(0u, output.find(c.expected)) << "wine " << ToCodePage(c.wineVersion, CP_UTF8)
                                               << ": " << output;
    }
    RemoveTree(folder);
}
