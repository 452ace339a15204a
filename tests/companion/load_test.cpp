// Loading the companion library from the program's own folder, as the tool does at start-up:
// a helper program is copied into folders holding good, missing and damaged libraries.
#include "CompanionTestUtil.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Lays out a folder with the probe and, unless dll is null, a library file with these bytes; the
// probe's output, or why it did not run to its end.
std::string RunProbeIn(const std::wstring& name, const std::string* dll, const std::string& ini = "",
                       const wchar_t* argument = L"")
{
    std::wstring folder = testutil::MakeScratchFolder(L"feedback-load-" + name);
    CopyFileW((testutil::ExeFolder() + L"\\feedback_load_probe.exe").c_str(),
              (folder + L"\\feedback_load_probe.exe").c_str(), FALSE);
    if (dll != nullptr)
        testutil::WriteFileBytes(folder + L"\\OrlaviFeedbackInformation.dll", *dll);
    if (!ini.empty())
        testutil::WriteFileBytes(folder + L"\\OrlaviFeedbackInformation.ini", ini);
    std::string output;
    DWORD exitCode = 1;
    if (!testutil::RunProgram(L"\"" + folder + L"\\feedback_load_probe.exe\" " + argument, output,
                              exitCode, 60000, folder.c_str()) ||
        exitCode != 0)
        return "the probe did not run to its end: " + output;
    output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
    return output;
}

// The bytes of a library build beside the test (subfolder: "" or "\\<variant>").
std::string LibraryBytes(const wchar_t* subfolder)
{
    return testutil::FileText(testutil::ExeFolder() + subfolder + L"\\OrlaviFeedbackInformation.dll");
}

}  // namespace

TEST(FeedbackLoad, LibraryBesideTheProgram_LoadsWhole_FailsWithoutCrashingWhenMissingOrDamaged)
{
    std::string dll = LibraryBytes(L""), failing = LibraryBytes(L"\\init-fails");
    std::string lacking = LibraryBytes(L"\\lacking-export");
    ASSERT_TRUE(!dll.empty() && !failing.empty() && !lacking.empty());
    std::string text = "This is a text file, not a library.\r\n";
    std::string headersOnly = dll.substr(0, 1024);
    std::string half = dll.substr(0, dll.size() / 2);
    std::string empty;
    const char kNotLoaded[] = "load=0 module=0 resolved=00000000000 freed=1 unloaded=1\n";
    struct Case {
        const wchar_t* name;
        const std::string* dll;
        std::string ini;
        const char* expected;
    } cases[] = {
        // A folder name with a blank and Chinese characters, as on a user's USB drive.
        {L"good 中文", &dll, "[Urls]\r\nMoreTools=http://127.0.0.1:9/from-probe\r\n",
         "load=1 module=1 resolved=11111111111 init=1 more=http://127.0.0.1:9/from-probe "
         "freed=1 unloaded=1\n"},
        // The test build whose initialisation fails loads completely and answers 0.
        {L"init-fails", &failing, "",
         "load=1 module=1 resolved=11111111111 init=0 more= freed=1 unloaded=1\n"},
        {L"none", nullptr, "", kNotLoaded},
        // The sixth export is missing: the five before it stay resolved, the handle stays.
        {L"lacking", &lacking, "", "load=0 module=1 resolved=11111000000 freed=1 unloaded=1\n"},
        {L"text", &text, "", kNotLoaded},
        {L"empty", &empty, "", kNotLoaded},
        {L"headers-only", &headersOnly, "", kNotLoaded},
        {L"half", &half, "", kNotLoaded},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testutil::ToCodePage(c.name, CP_UTF8));
        EXPECT_EQ(c.expected, RunProbeIn(c.name, c.dll, c.ini));
    }
}

TEST(FeedbackLoad, UnloadWhileAGivenUpRequestRuns_ProcessLivesOn)
{
    companion_test::ServerPorts ports;
    if (!companion_test::ReadServerPorts(ports))
        GTEST_SKIP() << "runs under ctest, with the loopback server fixture";
    std::string dll = LibraryBytes(L"");
    // The answer trickles in for 10 s; the library gives up after 1 s and is unloaded at once,
    // while its worker still waits inside WinHTTP for the next byte.
    std::string ini = "[Update]\r\nManifest=http://127.0.0.1:" + std::to_string(ports.http) +
                      "/trickle?every=0.25&count=40\r\nTimeoutMs=1000\r\n";
    EXPECT_EQ("load=1 module=1 resolved=11111111111 init=1 more=https://tools.orlavi.com/ check=0 "
              "freed=1 survived=1\n",
              RunProbeIn(L"abandon", &dll, ini, L"check"));
}
