// The command runners, for real through the prefix's cmd.exe and reg.exe.
#include "TestUtil.h"
#include "sys/AnsiChunkDecoder.h"
#include "sys/ShellRunner.h"

#include <gtest/gtest.h>

using namespace testutil;

namespace {

const wchar_t kTestKey[] = L"Software\\KestruneTest";
// Every fake tool run is appended to this file.
const wchar_t kFakeLog[] = L"C:\\kestrune-tests\\fake-runs.log";

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
    decoder.Append("x\xB2", 2, out);
    EXPECT_EQ(L"x", out);
    decoder.Finish(out);
    EXPECT_EQ(2u, out.size()) << "the incomplete character is not dropped silently";
}

// The user's interpreter settings, which any unelevated program of the user can write: an AutoRun
// command and delayed expansion ("!OS!" would become the variable's value). Wine's interpreter
// ignores both, so the switches that turn them off are what can be checked.
TEST(Runner, UsersAutoRunAndDelayedExpansion_SwitchedOff)
{
    EXPECT_EQ(L"cmd /D /V:OFF /C echo a!OS!b", InterpreterCommandLine(L"echo a!OS!b"));
}

TEST(Runner, RegAddAndFailingDelete_CaptureTheirTexts)
{
    std::wstring key = std::wstring(L"\"HKEY_CURRENT_USER\\") + kTestKey + L"\" /v ";
    std::wstring added, failed, none = L"before";
    ASSERT_TRUE(RunShellCommandCapture(L"reg add " + key + L"Value /d 5 /t REG_DWORD /f", added));
    EXPECT_NE(std::wstring::npos, added.find(L"操作成功完成")) << ToCodePage(added, CP_UTF8);
    DWORD value = 0;
    EXPECT_TRUE(GetRegDword(HKEY_CURRENT_USER, kTestKey, L"Value", value) && value == 5);
    EXPECT_TRUE(RunShellCommandCapture(L"reg delete " + key + L"Missing /f", failed))
        << "a command that fails inside the interpreter still counts as run";
    EXPECT_NE(std::wstring::npos, failed.find(L"找不到")) << "error text on stderr is captured";
    EXPECT_EQ(std::wstring::npos, failed.find(L"操作成功完成"));
    EXPECT_TRUE(RunShellCommandCapture(L"rem nothing", none));
    EXPECT_EQ(L"before", none) << "a command without output leaves the text alone";
}

TEST(Runner, OutputOfSeveralChunks_ArrivesWholeAndInOrder)
{
    // Pure double-byte text: a 4,095-byte chunk always ends in the middle of a character.
    std::wstring file = MakeScratchFolder(L"runner-chunks") + L"\\chinese.txt", chinese, output;
    for (int i = 0; i < 1200; ++i)
        chinese += L"操作成功完成错误找不到" + std::to_wstring(i);
    ASSERT_TRUE(WriteFileBytes(file, ToCodePage(chinese, 936)));
    // Wine's "type" re-encodes in 512-byte blocks and breaks double-byte text itself, so a helper
    // writes the file's bytes to the pipe unchanged. cmd strips the outer pair of quotation marks
    // of a line that starts with one.
    ASSERT_TRUE(RunShellCommandCapture(
        L"\"\"" + ExeFolder() + L"\\fake_tool.exe\" --cat \"" + file + L"\"\"", output));
    EXPECT_TRUE(output == chinese) << "chunks lost, out of order, or a character split and corrupted";
}

TEST(Runner, LongCommandLine_RunsWhole)
{
    std::wstring word(2990, L'k');
    std::wstring output;
    ASSERT_TRUE(RunShellCommandCapture(L"echo " + word + L"END", output));
    EXPECT_NE(std::wstring::npos, output.find(word + L"END")) << "the capture runner cut the line";

    std::wstring target = MakeScratchFolder(L"runner-long") + L"\\" + std::wstring(150, L'n') + L".txt";
    ASSERT_TRUE(RunShellCommand(L"echo x >" + std::wstring(2800, L' ') + L"\"" + target + L"\"", false));
    EXPECT_TRUE(FileExists(target)) << "the plain runner cut the line";
}

TEST(Runner, PlantedInterpreterAndReg_NeverRun)
{
    std::wstring cwd = MakeScratchFolder(L"runner-planted");
    std::wstring fake = ExeFolder() + L"\\fake_tool.exe";
    for (const wchar_t* name : {L"cmd.exe", L"reg.exe"}) {
        ASSERT_TRUE(CopyFileW(fake.c_str(), (cwd + L"\\" + name).c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(fake.c_str(), (ExeFolder() + L"\\" + name).c_str(), FALSE));
    }
    DeleteFileW(kFakeLog);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", kFakeLog);
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(cwd.c_str());
    // The double works where a search would find it.
    std::string direct;
    DWORD exitCode = 0;
    ASSERT_TRUE(RunProgram(L"reg.exe query x", direct, exitCode, 30000, cwd.c_str()));
    ASSERT_EQ(1u, Occurrences(FileText(kFakeLog), "reg.exe | ")) << "the double itself does not run";
    DeleteFileW(kFakeLog);

    std::wstring key = std::wstring(L"\"HKEY_CURRENT_USER\\") + kTestKey + L"\" /v Planted";
    std::wstring output;
    EXPECT_TRUE(RunShellCommandCapture(L"reg add " + key + L" /d 1 /f", output));
    EXPECT_TRUE(RunShellCommand(L"reg delete " + key + L" /f", false));
    SetCurrentDirectoryW(previous);
    SetEnvironmentVariableW(L"KESTRUNE_FAKE_LOG", nullptr);
    for (const wchar_t* name : {L"cmd.exe", L"reg.exe"})
        DeleteFileW((ExeFolder() + L"\\" + name).c_str());
    EXPECT_NE(std::wstring::npos, output.find(L"操作成功完成"));
    EXPECT_EQ("", FileText(kFakeLog)) << "a planted program ran";
    EXPECT_FALSE(RegValueExists(HKEY_CURRENT_USER, kTestKey, L"Planted"))
        << "the system reg.exe did not run the delete";
    RemoveTree(cwd);
}

namespace {

int g_disables, g_reverts;
bool g_disableSucceeds;
PVOID g_revertedWith;
bool FakeIsWow64() { return true; }
BOOL WINAPI FakeDisable(PVOID* old)
{
    ++g_disables;
    *old = reinterpret_cast<PVOID>(0x1234);
    return g_disableSucceeds;
}
BOOL WINAPI FakeRevert(PVOID old)
{
    ++g_reverts;
    g_revertedWith = old;
    return TRUE;
}

}  // namespace

TEST(Runner, Wow64Branch_SwitchesRedirectionOffAndRestoresIt)
{
    EXPECT_FALSE(Is64BitSystem()) << "this 64-bit process runs without WOW64";
    const Wow64Api fake = {FakeIsWow64, FakeDisable, FakeRevert};
    SetWow64ApiForTests(&fake);
    std::wstring file = MakeScratchFolder(L"runner-wow64") + L"\\plain.txt";
    // Redirection switched off for each run, and its previous state restored; when it cannot be
    // switched off, nothing runs and nothing is restored.
    for (bool succeeds : {true, false}) {
        g_disables = g_reverts = 0;
        g_disableSucceeds = succeeds;
        std::wstring output = L"x";
        EXPECT_TRUE(Is64BitSystem());
        EXPECT_EQ(succeeds, RunShellCommandCapture(L"echo captured", output));
        EXPECT_EQ(succeeds, RunShellCommand(L"echo plain > \"" + file + L"\"", false));
        EXPECT_EQ(2, g_disables);
        EXPECT_EQ(succeeds ? 2 : 0, g_reverts);
        EXPECT_TRUE(succeeds ? output.find(L"captured") != std::wstring::npos : output == L"x");
        EXPECT_EQ(succeeds, FileExists(file));
        DeleteFileW(file.c_str());
    }
    EXPECT_EQ(reinterpret_cast<PVOID>(0x1234), g_revertedWith) << "previous state restored";
    SetWow64ApiForTests(nullptr);
}
