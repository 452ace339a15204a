// The exit clean-up: which folders may be removed, and real runs of the tool from many places.
#include "TestUtil.h"
#include "ToolDriver.h"
#include "ToolRun.h"
#include "XInput.h"
#include "app/RemoveOwnFolder.h"
#include "app/ShippedFiles.h"
#include "sys/ShellFolders.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <memory>

using toolrun::CToolProcess;

namespace {

const std::vector<std::wstring> kSpecial = {
    L"C:\\Users\\Bob\\Desktop", L"C:\\Users\\Bob\\Documents", L"C:\\Users\\Bob",
    L"C:\\Windows",             L"C:\\Windows\\System32",     L"C:\\Program Files",
    L"C:\\Users\\Public",       L"C:\\ProgramData",           L"C:\\Users\\Bob\\AppData\\Local\\Temp",
};
const std::vector<std::wstring> kShipped = {L"Kestrune.exe", L"OrlaviFeedbackInformation.dll",
                                            L"OrlaviFeedbackInformation.ini"};

FolderVerdict Judge(const std::wstring& folder, std::vector<std::wstring> entries = kShipped)
{
    return JudgeFolderForRemoval(folder, kSpecial, entries, L"Kestrune.exe");
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string FakeRuns(const std::wstring& log)
{
    std::string bytes;
    testutil::ReadFileBytes(log, bytes);
    return bytes;
}

int Count(const std::string& text, const std::string& what)
{
    int count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++count;
    return count;
}

}  // namespace

TEST(RemovalDecision, OwnFolderWithTheShippedFiles_IsRemoved)
{
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"C:\\Users\\Bob\\Desktop\\Kestrune"));
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"D:\\T"));
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"D:\\a b&c (1)"));
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"C:\\Users\\Bob2", {L"KESTRUNE.EXE"}))
        << "Bob2 is not inside Bob; names compare without case";
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"C:\\Users\\Bob\\Desktop2\\x", {L"Kestrune.exe"}));
}

TEST(RemovalDecision, RootsShellFoldersForeignFilesAndPercent_AreKept)
{
    EXPECT_EQ(FolderVerdict::DriveRoot, Judge(L"D:"));
    EXPECT_EQ(FolderVerdict::DriveRoot, Judge(L"\\\\server\\share"));
    EXPECT_EQ(FolderVerdict::Remove, Judge(L"\\\\server\\share\\Kestrune"));
    for (const std::wstring& special : kSpecial)
        EXPECT_EQ(FolderVerdict::ShellFolder, Judge(special)) << special.c_str();
    EXPECT_EQ(FolderVerdict::ShellFolder, Judge(L"c:\\users\\bob\\DESKTOP"));
    EXPECT_EQ(FolderVerdict::ShellFolder, Judge(L"C:\\Users")) << "contains the profile";
    EXPECT_EQ(FolderVerdict::ShellFolder, Judge(L"C:\\Users\\Bob\\AppData"))
        << "contains the temporary folder";
    EXPECT_EQ(FolderVerdict::ForeignContent,
              Judge(L"D:\\Tools", {L"Kestrune.exe", L"other.exe"}));
    EXPECT_EQ(FolderVerdict::ForeignContent, Judge(L"D:\\Tools", {L"Kestrune.exe", L"sub\\"}));
    EXPECT_EQ(FolderVerdict::PercentSign, Judge(L"D:\\Tools\\%OS%"));
    EXPECT_EQ(FolderVerdict::NoFolder, Judge(L"D:\\T", {})) << "the listing must show the module";
    EXPECT_EQ(FolderVerdict::NoFolder, Judge(L""));
}

TEST(RemovalDecision, ParametersQuoteTheFolderAsOneArgument)
{
    EXPECT_EQ(L"/D /V:OFF /C timeout /t 3 /nobreak & rmdir /s /q \"D:\\T\"", BuildRemovalParameters(L"D:\\T"));
    EXPECT_TRUE(IsShippedFileName(L"orlavifeedbackinformation.DLL", L"Kestrune.exe"));
    EXPECT_TRUE(IsShippedFileName(L"Renamed.exe", L"Renamed.exe"));
    EXPECT_FALSE(IsShippedFileName(L"Kestrune.exe", L"Renamed.exe"));
}

TEST(RemovalDecision, TheShellFoldersOfThisPrefix_AreAllProtected)
{
    std::vector<std::wstring> folders = GetProtectedFolders();
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_PERSONAL, CSIDL_PROFILE, CSIDL_WINDOWS,
                      CSIDL_SYSTEM, CSIDL_PROGRAM_FILES, CSIDL_COMMON_APPDATA,
                      CSIDL_COMMON_DESKTOPDIRECTORY}) {
        std::wstring path = ToFullLongPath(ShellFolder(csidl));
        bool found = false;
        for (const std::wstring& folder : folders)
            found = found || CompareStringOrdinal(folder.c_str(), -1, path.c_str(), -1, TRUE) ==
                                 CSTR_EQUAL;
        EXPECT_TRUE(found) << csidl;
    }
    EXPECT_EQ(L"C:", ToFullLongPath(L"C:\\"));
    EXPECT_EQ(L"C:\\windows", ToFullLongPath(L"C:\\windows\\system32\\..\\"));
}

class ExitCleanup : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        CopyFileW((testutil::ExeFolder() + L"\\fake_tool.exe").c_str(),
                  L"C:\\windows\\system32\\timeout.exe", FALSE);
        CreateDirectoryW(L"C:\\kestrune-tests", nullptr);
        // Every timeout the removals start is logged here (the tool's children inherit it).
        SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", kFakeLog);
    }

    static constexpr const wchar_t* kFakeLog = L"C:\\kestrune-tests\\exit-cleanup-fake.log";
};

TEST_F(ExitCleanup, OrderlyExit_RemovesOnlyAFolderOfTheToolsOwn)
{
    DeleteFileW(kFakeLog);
    // A drive letter of the prefix mapped onto a folder of the test: its root is a drive root.
    std::wstring driveFolder = testutil::MakeScratchFolder(L"drive-t");
    std::string prefix;
    {
        char buffer[MAX_PATH] = {};
        GetEnvironmentVariableA("WINEPREFIX", buffer, MAX_PATH);
        prefix = buffer;
    }
    ASSERT_FALSE(prefix.empty());
    ASSERT_TRUE(xinput::RunUnix("ln -sfn '" + prefix + "/drive_c/kestrune-tests/drive-t' '" +
                                prefix + "/dosdevices/t:'"));
    testutil::WriteFileBytes(L"T:\\keep.txt", "drive root file");

    std::wstring desktop = ShellFolder(CSIDL_DESKTOPDIRECTORY);
    std::wstring documents = ShellFolder(CSIDL_PERSONAL);
    std::wstring windows = ShellFolder(CSIDL_WINDOWS);
    std::wstring programs = ShellFolder(CSIDL_PROGRAM_FILES);
    std::wstring downloads;
    {
        wchar_t* path = nullptr;
        ASSERT_EQ(S_OK, SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &path));
        downloads = path;
        CoTaskMemFree(path);
        CreateDirectoryW(downloads.c_str(), nullptr);
    }
    testutil::WriteFileBytes(downloads + L"\\keep.txt", "downloads file");
    testutil::WriteFileBytes(desktop + L"\\keep.txt", "desktop file");
    testutil::WriteFileBytes(documents + L"\\keep.txt", "documents file");

    std::wstring base = L"C:\\kestrune-tests\\cleanup";
    testutil::RemoveTree(base);
    CreateDirectoryW(base.c_str(), nullptr);
    std::wstring other = base + L"\\with-other-file";
    std::wstring percent = base + L"\\tools\\%OS%";
    // What %OS% expands to: this folder must survive too.
    std::wstring expansion = base + L"\\tools\\Windows_NT";

    struct Case {
        std::wstring folder;
        bool removed;
    };
    const Case cases[] = {
        {base + L"\\own\\Kestrune", true},
        {base + L"\\own blank\\Kes trune", true},
        {base + L"\\a&b\\K&R (x86)", true},
        {base + L"\\own\\K!OS!x", true},  // with the user's delayed expansion on
        {desktop, false},
        {documents, false},
        {downloads, false},
        {L"T:", false},
        {windows, false},
        {programs, false},
        {other, false},
        {percent, false},
    };
    ASSERT_TRUE(toolrun::InstallTool(other));
    testutil::WriteFileBytes(other + L"\\notes.txt", "not the tool's");
    CreateDirectoryW((base + L"\\tools").c_str(), nullptr);
    CreateDirectoryW(expansion.c_str(), nullptr);
    testutil::WriteFileBytes(expansion + L"\\keep.txt", "expansion target");

    const std::wstring commandProcessor = L"Software\\Microsoft\\Command Processor";
    testutil::SetRegDword(HKEY_CURRENT_USER, commandProcessor, L"DelayedExpansion", 1);
    std::vector<std::unique_ptr<CToolProcess>> tools;
    for (const Case& c : cases) {
        ASSERT_TRUE(toolrun::InstallTool(c.folder)) << c.folder.c_str();
        tools.push_back(std::make_unique<CToolProcess>());
        ASSERT_TRUE(tools.back()->Start(c.folder + L"\\Kestrune.exe")) << c.folder.c_str();
    }
    for (size_t i = 0; i < tools.size(); ++i)
        ASSERT_TRUE(tools[i]->WaitForWindows(60000)) << cases[i].folder.c_str();
    for (auto& tool : tools)
        EXPECT_TRUE(tool->CloseAnsweringFeedback());
    for (size_t i = 0; i < tools.size(); ++i) {
        DWORD exitCode = 1;
        EXPECT_TRUE(tools[i]->WaitForExit(30000, &exitCode)) << cases[i].folder.c_str();
        EXPECT_EQ(0u, exitCode);
    }

    // The removals wait three seconds before they start.
    xinput::PumpUntil(
        [&] {
            for (const Case& c : cases) {
                if (c.removed && testutil::FileExists(c.folder))
                    return false;
            }
            return true;
        },
        30000);
    xinput::PumpFor(2000);
    testutil::DeleteRegValue(HKEY_CURRENT_USER, commandProcessor, L"DelayedExpansion");
    for (const Case& c : cases) {
        if (c.removed) {
            EXPECT_FALSE(testutil::FileExists(c.folder)) << c.folder.c_str();
            EXPECT_TRUE(testutil::FileExists(c.folder.substr(0, c.folder.rfind(L'\\'))))
                << "only the tool's own folder goes";
        } else {
            EXPECT_TRUE(testutil::FileExists(c.folder + L"\\Kestrune.exe")) << c.folder.c_str();
        }
    }
    EXPECT_TRUE(testutil::FileExists(desktop + L"\\keep.txt"));
    EXPECT_TRUE(testutil::FileExists(documents + L"\\keep.txt"));
    EXPECT_TRUE(testutil::FileExists(downloads + L"\\keep.txt"));
    EXPECT_TRUE(testutil::FileExists(L"T:\\keep.txt"));
    EXPECT_TRUE(testutil::FileExists(other + L"\\notes.txt"));
    EXPECT_TRUE(testutil::FileExists(expansion + L"\\keep.txt"));
    EXPECT_EQ(4, Count(FakeRuns(kFakeLog), "timeout.exe | timeout  /t 3 /nobreak") +
                     Count(FakeRuns(kFakeLog), "timeout.exe | timeout /t 3 /nobreak"))
        << FakeRuns(kFakeLog);

    for (const Case& c : cases) {
        if (!c.removed) {
            DeleteFileW((c.folder + L"\\Kestrune.exe").c_str());
            DeleteFileW((c.folder + L"\\OrlaviFeedbackInformation.dll").c_str());
            DeleteFileW((c.folder + L"\\OrlaviFeedbackInformation.ini").c_str());
        }
    }
    DeleteFileW((desktop + L"\\keep.txt").c_str());
    DeleteFileW((documents + L"\\keep.txt").c_str());
    xinput::RunUnix("rm -f '" + prefix + "/dosdevices/t:'");
    testutil::RemoveTree(base);
}

TEST_F(ExitCleanup, EarlyExit_NeverStartsTheRemoval)
{
    DeleteFileW(kFakeLog);
    std::wstring folder = L"C:\\kestrune-tests\\early\\Kestrune";
    testutil::RemoveTree(folder);
    ASSERT_TRUE(toolrun::InstallTool(folder));
    // An unsupported system: the tool tells the user and ends at once.
    const std::wstring key = L"Software\\Wine\\AppDefaults\\Kestrune.exe";
    ASSERT_TRUE(testutil::SetRegString(HKEY_CURRENT_USER, key, L"Version", L"winxp"));
    CToolProcess tool;
    ASSERT_TRUE(tool.Start(folder + L"\\Kestrune.exe"));
    // The prompt's control layer holds its text (1006) and its confirm button (1007).
    HWND prompt = testutil::FindWindowWithControl(tool.m_pid, 1006, 20000);
    testutil::DeleteRegValue(HKEY_CURRENT_USER, key, L"Version");
    ASSERT_NE(nullptr, prompt);
    wchar_t text[128] = {};
    GetWindowTextW(GetDlgItem(prompt, 1006), text, 128);
    EXPECT_STREQ(L"此工具不支持当前系统", text);
    PostMessageW(prompt, WM_COMMAND, MAKEWPARAM(1007, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(prompt, 1007)));
    DWORD exitCode = 1;
    ASSERT_TRUE(tool.WaitForExit(15000, &exitCode));
    EXPECT_EQ(0u, exitCode);
    xinput::PumpFor(5000);
    EXPECT_TRUE(testutil::FileExists(folder + L"\\Kestrune.exe"));
    EXPECT_EQ(0, Count(FakeRuns(kFakeLog), "timeout.exe"));
    testutil::RemoveTree(L"C:\\kestrune-tests\\early");
}
