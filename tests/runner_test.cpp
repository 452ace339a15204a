// The command runners, for real through the prefix's cmd.exe and reg.exe.
#include "TestUtil.h"
#include "sys/AnsiChunkDecoder.h"
#include "sys/ShellRunner.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

const wchar_t kTestKey[] = L"Software\\KestruneTest";

std::wstring FakeLogPath()
{
    return L"C:\\kestrune-tests\\fake-runs.log";
}

// Every fake tool run is appended to this file.
std::string FakeRuns()
{
    std::string bytes;
    ReadFileBytes(FakeLogPath(), bytes);
    return bytes;
}

}  // namespace

TEST(ChunkDecoder, EverySplitOfCodePage936Text_EqualsWholeConversion)
{
    // Trail bytes overlap lead bytes (0x81-0xFE), so "操" followed by a trail-like ASCII byte
    // checks that the walk starts from a known boundary.
    std::string bytes = ToCodePage(L"a操作成功完成b锟斤拷\r\n错误: 找不到@A", 936);
    std::wstring whole = FromCodePage(bytes, 936);
    for (size_t first = 0; first <= bytes.size(); ++first) {
        for (size_t second = first; second <= bytes.size(); ++second) {
            CAnsiChunkDecoder decoder(936);
            std::wstring out = L"keep:";
            decoder.Append(bytes.data(), first, out);
            decoder.Append(bytes.data() + first, second - first, out);
            decoder.Append(bytes.data() + second, bytes.size() - second, out);
            decoder.Finish(out);
            ASSERT_EQ(L"keep:" + whole, out) << "split at " << first << " and " << second;
        }
    }
}

TEST(ChunkDecoder, LoneLeadByteAtEnd_ConvertedOnFinish)
{
    CAnsiChunkDecoder decoder(936);
    std::wstring out;
    const char bytes[] = {'x', '\xB2'};
    decoder.Append(bytes, 2, out);
    EXPECT_EQ(L"x", out);
    decoder.Finish(out);
    EXPECT_EQ(2u, out.size()) << "the incomplete character is not dropped silently";
}

TEST(Runner, Is64BitSystem_FalseInA64BitProcess)
{
#ifdef _WIN64
    EXPECT_FALSE(Is64BitSystem());
#else
    SUCCEED() << "32-bit build: depends on the system";
#endif
}

// The user's interpreter settings, which any unelevated program of the user can write: an AutoRun
// command and delayed expansion ("!OS!" would become the variable's value). A plain "cmd /C" is
// run first to see whether this interpreter honours them at all.
TEST(Runner, UsersAutoRunAndDelayedExpansion_NeverTakeEffect)
{
    const std::wstring key = L"Software\\Microsoft\\Command Processor";
    const std::wstring marker = L"C:\\kestrune-tests\\autorun-ran.txt";
    CreateDirectoryW(L"C:\\kestrune-tests", nullptr);
    DeleteFileW(marker.c_str());
    SetRegString(HKEY_CURRENT_USER, key, L"AutoRun", L"echo ran> " + marker);
    SetRegDword(HKEY_CURRENT_USER, key, L"DelayedExpansion", 1);
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::string plain;
    DWORD exitCode = 0;
    ASSERT_TRUE(RunProgram(L"\"" + std::wstring(system) + L"\\cmd.exe\" /C echo a!OS!b", plain, exitCode));
    bool autoRunHonoured = FileExists(marker);
    bool expansionHonoured = plain.find("aWindows_NTb") != std::string::npos;
    DeleteFileW(marker.c_str());

    std::wstring output;
    EXPECT_TRUE(RunShellCommandCapture(L"echo a!OS!b", output));
    EXPECT_TRUE(RunShellCommand(L"echo b!OS!a", false));
    DeleteRegValue(HKEY_CURRENT_USER, key, L"AutoRun");
    DeleteRegValue(HKEY_CURRENT_USER, key, L"DelayedExpansion");
    EXPECT_FALSE(FileExists(marker)) << "the AutoRun command ran";
    EXPECT_NE(std::wstring::npos, output.find(L"a!OS!b")) << ToCodePage(output, CP_UTF8);
    // Wine's interpreter ignores both settings: there, the switches are what can be checked.
    EXPECT_EQ(L"cmd /D /V:OFF /C echo a!OS!b", InterpreterCommandLine(L"echo a!OS!b"));
    printf("this cmd.exe honours AutoRun: %s, DelayedExpansion: %s\n", autoRunHonoured ? "yes" : "no",
           expansionHonoured ? "yes" : "no");
}

TEST(Runner, CommandWithoutOutput_TrueAndOutputUntouched)
{
    std::wstring output = L"before";
    EXPECT_TRUE(RunShellCommandCapture(L"rem nothing", output));
    EXPECT_EQ(L"before", output);
}

TEST(Runner, RegAddAndFailingDelete_CaptureTheirTexts)
{
    std::wstring key = std::wstring(L"HKEY_CURRENT_USER\\") + kTestKey;
    std::wstring output;
    ASSERT_TRUE(RunShellCommandCapture(
        L"reg add \"" + key + L"\" /v \"Value\" /d 5 /t REG_DWORD /f", output));
    EXPECT_NE(std::wstring::npos, output.find(L"操作成功完成")) << ToCodePage(output, CP_UTF8);
    DWORD value = 0;
    ASSERT_TRUE(GetRegDword(HKEY_CURRENT_USER, kTestKey, L"Value", value));
    EXPECT_EQ(5u, value);

    output.clear();
    EXPECT_TRUE(RunShellCommandCapture(L"reg delete \"" + key + L"\" /v Missing /f", output))
        << "a command that fails inside the interpreter still counts as run";
    EXPECT_NE(std::wstring::npos, output.find(L"找不到")) << "error text on stderr is captured";
    EXPECT_EQ(std::wstring::npos, output.find(L"操作成功完成"));
}

TEST(Runner, OutputOfSeveralChunks_ArrivesWholeAndInOrder)
{
    std::wstring folder = MakeScratchFolder(L"runner-chunks");
    std::string ascii;
    for (int i = 0; i < 1500; ++i)
        ascii += "line " + std::to_string(i) + "\r\n";  // about 16 KB: four chunks or more
    ASSERT_TRUE(WriteFileBytes(folder + L"\\ascii.txt", ascii));

    // Pure double-byte text: a 4,095-byte chunk always ends in the middle of a character.
    std::wstring chinese;
    for (int i = 0; i < 1200; ++i)
        chinese += L"操作成功完成错误找不到";
    std::string gbk = ToCodePage(chinese, 936);
    ASSERT_TRUE(WriteFileBytes(folder + L"\\chinese.txt", gbk));

    // Wine's "type" re-encodes in 512-byte blocks and breaks double-byte text itself, so a helper
    // writes the file's bytes to the pipe unchanged.
    // cmd strips the outer pair of quotation marks of a line that starts with one.
    auto catCommand = [&folder](const wchar_t* name) {
        return L"\"\"" + ExeFolder() + L"\\cat_file.exe\" \"" + folder + L"\\" + name + L"\"\"";
    };
    std::wstring output;
    ASSERT_TRUE(RunShellCommandCapture(catCommand(L"ascii.txt"), output));
    EXPECT_EQ(ascii.size(), output.size()) << ToCodePage(output.substr(0, 200), CP_UTF8);
    EXPECT_TRUE(FromCodePage(ascii, 936) == output) << "chunks lost or out of order";

    output.clear();
    ASSERT_TRUE(RunShellCommandCapture(catCommand(L"chinese.txt"), output));
    EXPECT_EQ(chinese.size(), output.size());
    EXPECT_TRUE(output == chinese) << "a character split by a chunk boundary was corrupted";
    RemoveTree(folder);
}

TEST(Runner, LongCommandLine_RunsWhole)
{
    std::wstring word(2990, L'k');
    std::wstring output;
    ASSERT_TRUE(RunShellCommandCapture(L"echo " + word + L"END", output));
    EXPECT_NE(std::wstring::npos, output.find(word + L"END")) << "the capture runner cut the line";

    std::wstring folder = MakeScratchFolder(L"runner-long");
    std::wstring target = folder + L"\\" + std::wstring(150, L'n') + L".txt";
    std::wstring padding(2800, L' ');
    ASSERT_TRUE(RunShellCommand(L"echo x >" + padding + L"\"" + target + L"\"", false));
    EXPECT_TRUE(FileExists(target)) << "the plain runner cut the line";
    RemoveTree(folder);
}

TEST(Runner, PlantedInterpreterAndReg_NeverRun)
{
    std::wstring cwd = MakeScratchFolder(L"runner-planted");
    std::wstring exeFolder = ExeFolder();
    std::wstring fake = exeFolder + L"\\fake_tool.exe";
    const wchar_t* names[] = {L"cmd.exe", L"reg.exe"};
    for (const wchar_t* name : names) {
        ASSERT_TRUE(CopyFileW(fake.c_str(), (cwd + L"\\" + name).c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(fake.c_str(), (exeFolder + L"\\" + name).c_str(), FALSE));
    }
    DeleteFileW(FakeLogPath().c_str());
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", FakeLogPath().c_str());
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(cwd.c_str());

    // The double works where a search would find it.
    std::string direct;
    DWORD exitCode = 0;
    ASSERT_TRUE(RunProgram(L"reg.exe query x", direct, exitCode, 30000, cwd.c_str()));
    ASSERT_NE(std::string::npos, FakeRuns().find("reg.exe")) << "the double itself does not run";
    DeleteFileW(FakeLogPath().c_str());

    std::wstring output;
    bool ran = RunShellCommandCapture(
        std::wstring(L"reg add \"HKEY_CURRENT_USER\\") + kTestKey + L"\" /v Planted /d 1 /f", output);
    bool ranPlain = RunShellCommand(L"reg delete \"HKEY_CURRENT_USER\\" + std::wstring(kTestKey) +
                                        L"\" /v Planted /f",
                                    false);

    SetCurrentDirectoryW(previous);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    for (const wchar_t* name : names)
        DeleteFileW((exeFolder + L"\\" + name).c_str());

    EXPECT_TRUE(ran);
    EXPECT_TRUE(ranPlain);
    EXPECT_NE(std::wstring::npos, output.find(L"操作成功完成"));
    EXPECT_EQ("", FakeRuns()) << "a planted program ran";
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kTestKey, L"Planted"))
        << "the system reg.exe did not run the delete";
    RemoveTree(cwd);
}

namespace {

struct Wow64Record {
    int disables = 0;
    int reverts = 0;
    bool disableSucceeds = true;
    PVOID revertedWith = nullptr;
} g_wow64;

bool FakeIsWow64() { return true; }
BOOL WINAPI FakeDisable(PVOID* old)
{
    ++g_wow64.disables;
    *old = reinterpret_cast<PVOID>(0x1234);
    return g_wow64.disableSucceeds;
}
BOOL WINAPI FakeRevert(PVOID old)
{
    ++g_wow64.reverts;
    g_wow64.revertedWith = old;
    return TRUE;
}

}  // namespace

TEST(Runner, Wow64Branch_SwitchesRedirectionOffAndRestoresIt)
{
    const Wow64Api fake = {FakeIsWow64, FakeDisable, FakeRevert};
    SetWow64ApiForTests(&fake);
    std::wstring folder = MakeScratchFolder(L"runner-wow64");

    g_wow64 = Wow64Record();
    std::wstring output = L"x";
    EXPECT_TRUE(Is64BitSystem());
    EXPECT_TRUE(RunShellCommandCapture(L"echo captured", output));
    EXPECT_TRUE(RunShellCommand(L"echo plain > \"" + folder + L"\\plain.txt\"", false));
    EXPECT_EQ(2, g_wow64.disables);
    EXPECT_EQ(2, g_wow64.reverts);
    EXPECT_EQ(reinterpret_cast<PVOID>(0x1234), g_wow64.revertedWith) << "previous state restored";
    EXPECT_NE(std::wstring::npos, output.find(L"captured"));

    // Redirection that cannot be switched off: nothing runs, nothing to restore.
    g_wow64 = Wow64Record();
    g_wow64.disableSucceeds = false;
    output = L"x";
    EXPECT_FALSE(RunShellCommandCapture(L"echo captured", output));
    EXPECT_FALSE(RunShellCommand(L"echo plain > \"" + folder + L"\\refused.txt\"", false));
    EXPECT_EQ(L"x", output);
    EXPECT_FALSE(FileExists(folder + L"\\refused.txt"));
    EXPECT_EQ(0, g_wow64.reverts);

    SetWow64ApiForTests(nullptr);
    RemoveTree(folder);
}
