// The update answer through the real library: manifests from files and from the loopback server.
#include "CompanionTestUtil.h"
#include "TestUtil.h"

#include <gtest/gtest.h>

using namespace companion_test;

namespace {

const wchar_t kManifestFolder[] = L"C:\\kestrune-tests\\companion-manifest";
std::wstring ManifestPath() { return std::wstring(kManifestFolder) + L"\\manifest.txt"; }
std::string Server(int port, const std::string& path)
{
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

void UseManifest(const std::string& source, const std::string& more = "")
{
    WriteIni("[Update]\r\nManifest=" + source + "\r\n" + more + "[Shell]\r\nMode=log\r\n");
}

int Check(const wchar_t* version = kToolVersion) { return Library().GetToolIsNewVersion(kToolId, version); }

std::string Padded(const std::string& head, size_t size)
{
    std::string text = head;
    while (text.size() < size)
        text += text.size() + 65 <= size ? "#" + std::string(62, 'p') + "\r\n" : "#";
    return text.substr(0, size);
}

class UpdateCheck : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, Library().Module()) << "the library copy did not load";
        testutil::MakeScratchFolder(L"companion-manifest");
    }
};

// The cases that need the loopback server of the ctest fixture.
class UpdateCheckOverHttp : public UpdateCheck {
protected:
    void SetUp() override
    {
        UpdateCheck::SetUp();
        if (!ReadServerPorts(m_ports))
            GTEST_SKIP() << "runs under ctest, with the loopback server fixture";
    }
    ServerPorts m_ports;
};

}  // namespace

TEST_F(UpdateCheck, FileManifest_AnswersThreeOnlyForANewerVersion)
{
    struct Case {
        const char* name;
        std::string manifest;
        int expected;
    } cases[] = {
        {"older", "10107=1.3.21.9999\r\n", 1}, {"equal", "10107=1.3.22.1026\r\n", 1},
        {"newer build", "10107=1.3.22.1027\r\n", 3},
        {"1.3.100.0 vs 1.3.22.1026: numbers, not text", "10107=1.3.100.0\r\n", 3},
        {"one more part", "10107=1.3.22.1026.1\r\n", 3}, {"zeros added", "10107=1.3.22.1026.0\r\n", 1},
        {"newest in the middle", "10107=1.3.0.0\r\n10107=1.3.100.0\r\n10107=1.3.5.0\r\n", 3},
        {"only other tools newer", "20001=9.9.9.9\r\n10108=9.9\r\n", 2}, {"empty file", "", 2},
        {"comments, BOM, LF", "\xEF\xBB\xBF# list\n\n10107 = 2.0 \n", 3},
        {"malformed version", "10107=1.3.x\r\n", 0}, {"empty part", "10107=1..2\r\n", 0},
        {"past 32 bits", "10107=4294967296\r\n", 0}, {"nine parts", "10107=1.2.3.4.5.6.7.8.9\r\n", 0},
        {"no version", "10107=\r\n", 0}, {"control byte", "10107=9.9\x01\r\n", 0},
        {"newer line then garbage", "10107=9.9.9.9\r\nnot a manifest line\r\n", 0},
        {"binary", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16), 0},
        {"exactly 64 KiB", Padded("10107=9.9.9.9\r\n", 65536), 3},
        {"one byte over 64 KiB", Padded("10107=9.9.9.9\r\n", 65537), 0},
    };
    UseManifest(testutil::ToCodePage(ManifestPath(), CP_ACP));
    for (const Case& c : cases) {
        ASSERT_TRUE(testutil::WriteFileBytes(ManifestPath(), c.manifest));
        EXPECT_EQ(c.expected, Check()) << c.name;
    }
    DeleteFileW(ManifestPath().c_str());
    EXPECT_EQ(0, Check()) << "missing manifest";

    testutil::WriteFileBytes(ManifestPath(), "10107=1.3.22.1026\r\n");
    EXPECT_EQ(1, Check(L"1.3.100.0")) << "numeric, not textual";
    EXPECT_EQ(0, Check(L"1.3.x")) << "a running version that does not parse";
    EXPECT_EQ(0, Library().GetToolIsNewVersion(nullptr, kToolVersion));
    EXPECT_EQ(0, Library().GetToolIsNewVersion(kToolId, nullptr));
    EXPECT_EQ(0, Library().GetToolIsNewVersion(L"101 07", kToolVersion));
}

TEST_F(UpdateCheck, ManifestSetting_ExpandsVariablesAndTakesRelativePathsFromTheLibrary)
{
    testutil::WriteFileBytes(ManifestPath(), "10107=1.3.100.0\r\n");
    SetEnvironmentVariableW(L"KESTRUNE_MANIFEST_DIR", kManifestFolder);
    UseManifest("%KESTRUNE_MANIFEST_DIR%\\manifest.txt");
    EXPECT_EQ(3, Check());
    SetEnvironmentVariableW(L"KESTRUNE_MANIFEST_DIR", nullptr);

    std::wstring relative = LibraryCopyFolder() + L"\\updates";
    CreateDirectoryW(relative.c_str(), nullptr);
    testutil::WriteFileBytes(relative + L"\\list.txt", "10107=1.3.22.1026\r\n");
    UseManifest("updates\\list.txt");
    EXPECT_EQ(1, Check());
    testutil::RemoveTree(relative);
    EXPECT_EQ(0, Check());

    UseManifest("");
    EXPECT_EQ(0, Check()) << "no manifest configured";
    RemoveIni();
    EXPECT_EQ(0, Check()) << "no settings file: no update check, the tool works on";
}

// The answers themselves are read as from a file; here what the transport adds.
TEST_F(UpdateCheckOverHttp, HttpManifest_AnswersFromTheLoopbackServer_AnyAnswerIsInternet)
{
    const struct {
        const char* name;
        std::string path;
        int expected;
    } cases[] = {
        {"newer", "/text?body=10107%3D1.3.100.0%0A", 3},
        {"status 404", "/status?code=404", 0},
        {"exactly 64 KiB", "/big?size=65536&length=1", 3},
        {"64 KiB + 1, announced", "/big?size=65537&length=1", 0},
        {"64 KiB + 1, unannounced", "/big?size=65537&length=0", 0},
    };
    for (const auto& c : cases) {
        UseManifest(Server(m_ports.http, c.path));
        EXPECT_EQ(c.expected, Check()) << c.name;
    }
    EXPECT_EQ(1, Library().GetInterNetState()) << "a 404 answer counts";
    UseManifest(Server(m_ports.dead, "/"));
    EXPECT_EQ(0, Library().GetInterNetState());
    UseManifest(Server(m_ports.silent, "/"));
    EXPECT_EQ(0, Library().GetInterNetState());
    UseManifest(testutil::ToCodePage(ManifestPath(), CP_ACP));
    EXPECT_EQ(0, Library().GetInterNetState()) << "a file manifest names no host";
}

// WinHTTP's own timeouts are 30 s and more: a request left to them, or never given up, takes far
// longer than the deadline here.
TEST_F(UpdateCheckOverHttp, UnansweredRequests_GiveUpAtTheOneTimeLimit)
{
    const struct {
        const char* name;
        std::string address;
        std::string settings;
        DWORD atLeastMs;
    } cases[] = {
        {"nothing listens", Server(m_ports.dead, "/m.txt"), "", 0},
        {"accepts, never answers (default 3 s)", Server(m_ports.silent, "/m.txt"), "", 2500},
        {"answers, then stalls", Server(m_ports.http, "/stall"), "TimeoutMs=1000\r\n", 900},
        // A byte every quarter second for hours never trips a per-step timeout: only the one limit
        // stops it, and without that limit the suite hangs until ctest stops it.
        {"answers a byte at a time", Server(m_ports.http, "/trickle?every=0.25&count=100000"),
         "TimeoutMs=1000\r\n", 900},
    };
    for (const auto& c : cases) {
        UseManifest(c.address, c.settings);
        DWORD start = GetTickCount();
        EXPECT_EQ(0, Check()) << c.name;
        DWORD elapsed = GetTickCount() - start;
        EXPECT_GE(elapsed, c.atLeastMs) << c.name;
    }
    // The library stays usable after a request it gave up on.
    UseManifest(Server(m_ports.http, "/text?body=10107%3D2.0"));
    EXPECT_EQ(3, Check());
}

TEST_F(UpdateCheckOverHttp, Download_FetchesTheNewerPackageIntoTheFolder)
{
    std::string expected;
    for (int i = 0; i < 200000; ++i)
        expected += static_cast<char>((i * 7 + 3) % 256);
    std::wstring folder = testutil::MakeScratchFolder(L"companion-down") + L"\\new 文件夹";

    // From the web, into a folder that does not exist yet.
    std::string package = Server(m_ports.http, "/package/Kestrune-1.3.100.0.zip?size=200000");
    testutil::WriteFileBytes(ManifestPath(), "10107=1.3.100.0 " + package + "\r\n");
    UseManifest(testutil::ToCodePage(ManifestPath(), CP_ACP));
    EXPECT_EQ(3, Library().GetToolIsNewVersionDown(kToolId, kToolVersion, folder.c_str()));
    std::string bytes;
    EXPECT_TRUE(testutil::ReadFileBytes(folder + L"\\Kestrune-1.3.100.0.zip", bytes));
    EXPECT_TRUE(bytes == expected) << "downloaded " << bytes.size() << " bytes";
    EXPECT_FALSE(testutil::FileExists(folder + L"\\Kestrune-1.3.100.0.zip.part"));

    // A package that is not there: nothing arrives.
    std::wstring empty = testutil::MakeScratchFolder(L"companion-down-none");
    testutil::WriteFileBytes(ManifestPath(), "10107=2.0 " + Server(m_ports.http, "/status/missing.zip"));
    EXPECT_EQ(0, Library().GetToolIsNewVersionDown(kToolId, kToolVersion, empty.c_str()));
    EXPECT_TRUE(testutil::FolderEntries(empty).empty()) << "no package and no partial file left";

    // Without a folder, the package goes to the data folder's Downloads.
    testutil::WriteFileBytes(ManifestPath(), "10107=1.3.100.0 " + package + "\r\n");
    std::wstring defaultTarget = DataFolder() + L"\\Downloads\\Kestrune-1.3.100.0.zip";
    DeleteFileW(defaultTarget.c_str());
    EXPECT_EQ(3, Library().GetToolIsNewVersionDown(kToolId, kToolVersion, nullptr));
    EXPECT_EQ(200000, testutil::FileSize(defaultTarget));
    DeleteFileW(defaultTarget.c_str());
}
