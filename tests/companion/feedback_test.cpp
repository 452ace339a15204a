// The companion library's initialisation block, feedback records, call log and page opening,
// through the real library and the binding the tool uses.
#include "CompanionTestUtil.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ctime>
#include <regex>

using namespace companion_test;

namespace {

const char kPageUrls[] =
    "[Urls]\r\n"
    "Download=http://127.0.0.1:9/download\r\n"
    "Agreement=http://127.0.0.1:9/agreement\r\n"
    "Feedback=http://127.0.0.1:9/fb?t={tool}&v={version}\r\n"
    "MoreTools=http://127.0.0.1:9/more-tools\r\n";

std::string Pid() { return std::to_string(GetCurrentProcessId()); }

// The rest of line after a start that matches the pattern; empty when it does not.
std::string After(const std::string& line, const std::string& pattern)
{
    std::smatch match;
    return std::regex_search(line, match, std::regex("^" + pattern)) ? match.suffix().str() : "";
}
// A call-log line without its "yyyy-mm-dd hh:mm:ss.mmm [pid N] " start; a record without its
// "at=<stamp>\t" start.
std::string AfterCallPrefix(const std::string& line)
{
    return After(line, "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} \\[pid " + Pid() + "\\] ");
}
std::string AfterRecordStamp(const std::string& line)
{
    return After(line, "at=\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3}\t");
}

class Companion : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, Library().Module()) << "the library did not load"; }
};

}  // namespace

TEST_F(Companion, Init_FillsTheSixStrings_TheFourthIsTheMoreToolsAddressOfTheIni)
{
    struct {
        FeedbackInitInfo info;
        unsigned char guard[64];
    } block = {};
    memset(block.guard, 0xA5, sizeof(block.guard));
    WriteIni(kPageUrls);
    EXPECT_NE(0, Library().InitFreedbackDll(&block.info));
    EXPECT_STREQ(L"http://127.0.0.1:9/download", block.info.szDownloadUrl);
    EXPECT_STREQ(L"http://127.0.0.1:9/agreement", block.info.szAgreementUrl);
    EXPECT_STREQ(L"http://127.0.0.1:9/fb?t={tool}&v={version}", block.info.szFeedbackUrl);
    EXPECT_STREQ(L"http://127.0.0.1:9/more-tools", block.info.szMoreToolsUrl);
    EXPECT_EQ(DataFolder(), block.info.szDataFolder);
    EXPECT_NE(0u, wcslen(block.info.szLibraryVersion));

    // A value longer than a field is cut, and nothing beyond the block is touched.
    WriteIni("[Urls]\r\nMoreTools=http://127.0.0.1:9/" + std::string(400, 'm') + "\r\n");
    memset(&block.info, 0xFF, sizeof(block.info));
    EXPECT_NE(0, Library().InitFreedbackDll(&block.info));
    EXPECT_EQ(static_cast<size_t>(FEEDBACK_INFO_CHARS - 1), wcslen(block.info.szMoreToolsUrl));
    EXPECT_EQ(0, wcsncmp(block.info.szMoreToolsUrl, L"http://127.0.0.1:9/mmm", 22));
    EXPECT_EQ(std::string(64, '\xA5'), std::string(block.guard, block.guard + 64));

    // Without a settings file the library still starts, with the maker's addresses.
    RemoveIni();
    memset(&block.info, 0, sizeof(block.info));
    EXPECT_NE(0, Library().InitFreedbackDll(&block.info));
    EXPECT_STREQ(L"https://tools.orlavi.com/", block.info.szMoreToolsUrl);
    EXPECT_STREQ(L"https://tools.orlavi.com/download/", block.info.szDownloadUrl);

    EXPECT_EQ(0, Library().InitFreedbackDll(nullptr));
}

TEST_F(Companion, FeedbackReports_EachAppendsOneRecordToTheSharedFeedbackFile)
{
    WriteIni(kPageUrls);
    long long mark = FileEnd(FeedbackPath());
    EXPECT_EQ(1, Library().CustomerFeedbackEx(kToolId, kToolVersion, 2, L"1700000000", L"3"));
    long long before = static_cast<long long>(_time64(nullptr));
    EXPECT_EQ(1, Library().CustomerFeedback(kToolId, kToolVersion, 1));
    long long after = static_cast<long long>(_time64(nullptr));
    EXPECT_EQ(1, Library().WriteCustomerFeedbackInfoFile(kToolId, kToolVersion, 3, L"蓝屏\t两次\r\n重启"));
    EXPECT_EQ(0, Library().CustomerFeedbackEx(L"", kToolVersion, 1, L"1", L"1"));
    EXPECT_EQ(0, Library().CustomerFeedback(nullptr, kToolVersion, 1));

    std::vector<std::string> records = OwnLinesSince(FeedbackPath(), mark);
    ASSERT_EQ(3u, records.size()) << "one record per report, none without a tool id";
    std::string head = "\tpid=" + Pid() + "\ttool=10107\tversion=1.3.22.1026\tkind=";
    EXPECT_EQ("from=CustomerFeedbackEx" + head + "2\ttime=1700000000\ttype=3\ttext=",
              AfterRecordStamp(records[0]));
    std::smatch time;
    std::string second = AfterRecordStamp(records[1]);
    std::regex shape("from=CustomerFeedback" + head + "1\ttime=(\\d+)\ttype=\ttext=");
    ASSERT_TRUE(std::regex_match(second, time, shape)) << second;
    EXPECT_TRUE(atoll(time[1].str().c_str()) >= before && atoll(time[1].str().c_str()) <= after);
    EXPECT_NE(std::string::npos, AfterRecordStamp(records[2]).find("\ttext=" + Utf8(L"蓝屏 两次  重启")))
        << "control characters become blanks; the text is UTF-8: " << records[2];
}

// Pages open only for web addresses; an empty address switches its page off.
TEST_F(Companion, CallLog_OneLinePerCallWithArgumentsAndAnswer_OpenUrlTakesWebAddressesOnly)
{
    std::wstring folder = testutil::MakeScratchFolder(L"companion-calls");
    testutil::WriteFileBytes(folder + L"\\manifest.txt", "10107=1.3.100.0\r\n");
    WriteIni("[Update]\r\nManifest=" + Utf8(folder) + "\\manifest.txt\r\n" + kPageUrls +
             "[Shell]\r\nMode=log\r\n");
    long long mark = FileEnd(CallLogPath());
    FeedbackInitInfo info = {};
    EXPECT_EQ(1, Library().InitFreedbackDll(&info));
    EXPECT_EQ(1, Library().FeedbackQuestion(kToolId, kToolVersion));
    EXPECT_EQ(0, Library().GetInterNetState());
    EXPECT_EQ(1, Library().WriteCustomerFeedbackInfoFile(kToolId, kToolVersion, 3, L"说 \"hi\""));
    EXPECT_EQ(0, Library().GetToolIsNewVersionDown(kToolId, kToolVersion, folder.c_str()));
    EXPECT_EQ(1, Library().OpenUseAgreementUrl());
    EXPECT_EQ(0, Library().OpenUrl(L"C:\\windows\\system32\\notepad.exe"));
    EXPECT_EQ(0, Library().OpenUrl(L""));
    EXPECT_EQ(0, Library().OpenUrl(L"file:///C:/windows/win.ini"));
    EXPECT_EQ(1, Library().OpenUrl(L"HTTPS://127.0.0.1:9/x"));
    WriteIni("[Urls]\r\nDownload=\r\n[Shell]\r\nMode=log\r\n");
    EXPECT_EQ(0, Library().OpenToolDownUrl());

    std::vector<std::string> lines = OwnLinesSince(CallLogPath(), mark);
    ASSERT_EQ(11u, lines.size());
    EXPECT_EQ(0u, AfterCallPrefix(lines[0]).find("InitFreedbackDll(")) << lines[0];
    EXPECT_NE(std::string::npos, lines[0].find(") = 1 | more tools \"http://127.0.0.1:9/more-tools\""));
    std::string quoted = "\"C:\\\\kestrune-tests\\\\companion-calls";
    const std::string expected[] = {
        "FeedbackQuestion(\"10107\", \"1.3.22.1026\") = 1 | open "
        "\"http://127.0.0.1:9/fb?t=10107&v=1.3.22.1026\" logged only",
        "GetInterNetState() = 0 | no web manifest configured",
        "WriteCustomerFeedbackInfoFile(\"10107\", \"1.3.22.1026\", 3, \"" + Utf8(L"说") +
            " \\\"hi\\\"\") = 1 | recorded in \"",
        "GetToolIsNewVersionDown(\"10107\", \"1.3.22.1026\", " + quoted + "\") = 0 | manifest " +
            quoted + "\\\\manifest.txt\": newest 1.3.100.0; no package listed",
        "OpenUseAgreementUrl() = 1 | open \"http://127.0.0.1:9/agreement\" logged only",
        "OpenUrl(\"C:\\\\windows\\\\system32\\\\notepad.exe\") = 0 | refused: not a web address",
        "OpenUrl(\"\") = 0 | refused: not a web address",
        "OpenUrl(\"file:///C:/windows/win.ini\") = 0 | refused: not a web address",
        "OpenUrl(\"HTTPS://127.0.0.1:9/x\") = 1 | open",
        "OpenToolDownUrl() = 0 | nothing to open",
    };
    for (size_t i = 0; i < 10; ++i)
        EXPECT_EQ(0u, AfterCallPrefix(lines[i + 1]).find(expected[i])) << lines[i + 1];
    // The data files lie in the all-users folder, never beside the library.
    EXPECT_EQ((std::vector<std::wstring>{L"OrlaviFeedbackInformation.dll",
                                         L"OrlaviFeedbackInformation.ini"}),
              testutil::FolderEntries(LibraryCopyFolder()));
}

TEST_F(Companion, OpenMode_HandsTheTargetToTheShell)
{
    // A program stands in for the page, so that no browser is involved.
    std::wstring folder = testutil::MakeScratchFolder(L"companion-shell");
    std::wstring page = folder + L"\\download page.exe";
    ASSERT_TRUE(CopyFileW((testutil::ExeFolder() + L"\\fake_tool.exe").c_str(), page.c_str(), FALSE));
    std::wstring fakeLog = folder + L"\\fake.log";
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", fakeLog.c_str());
    WriteIni("[Urls]\r\nDownload=" + Utf8(page) + "\r\nAgreement=" + Utf8(folder) +
             "\\missing.exe\r\n[Shell]\r\nMode=open\r\n");

    EXPECT_EQ(1, Library().OpenToolDownUrl());
    std::string runs;
    for (int i = 0; i < 300 && runs.empty(); ++i) {  // the shell starts it in its own time
        Sleep(100);
        runs = testutil::FileText(fakeLog);
    }
    EXPECT_EQ(0u, runs.find("download page.exe | ")) << runs;
    EXPECT_EQ(0, Library().OpenUseAgreementUrl()) << "the shell cannot open a missing file";
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
}
