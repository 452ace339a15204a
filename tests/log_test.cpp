// The logging library on the real prefix: ToolLog in the all-users application-data folder.
#include "TestUtil.h"
#include "log/LogSave.h"
#include "log/LogSaveCloseFile.h"

#include <gtest/gtest.h>

#include <functional>
#include <thread>

using namespace testutil;

namespace {

std::wstring LogDir() { return ToolLogPath(L""); }

void RemoveLog(const std::wstring& name)
{
    DeleteFileW(ToolLogPath(name).c_str());
    DeleteFileW(ToolLogPath(name + L"bak").c_str());
}

// Runs body while a second process holds ToolLog\kt_held.txt: "share" as a sibling tool does
// (read and write, shared for reading and writing only), opening it again and again meanwhile;
// "lock" as a reader holding the byte of the log's lock. Returns its "opens=<n> refused=<n>".
std::string WhileHeld(const wchar_t* mode, const std::function<void()>& body)
{
    HANDLE held = CreateEventW(nullptr, TRUE, FALSE, L"kt_held");
    HANDLE release = CreateEventW(nullptr, TRUE, FALSE, L"kt_release");
    std::string report;
    DWORD exitCode = 1;
    std::thread other([&] {
        RunProgram(L"\"" + ExeFolder() + L"\\job_runner.exe\" hold kt_held.txt " + mode, report,
                   exitCode, 120000);
        SetEvent(held);  // also when it never held the file
    });
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(held, 60000));
    body();
    SetEvent(release);
    other.join();
    CloseHandle(held);
    CloseHandle(release);
    EXPECT_EQ(0u, exitCode) << report;
    return report;
}

}  // namespace

TEST(Log, FirstUse_CreatesToolLogInCommonAppData_KeepsAnExistingOne)
{
    RemoveTree(LogDir().substr(0, LogDir().size() - 1));
    EXPECT_NE(std::wstring::npos, CLogSave().m_strLogDir.find(L"ProgramData\\ToolLog\\"));
    ASSERT_TRUE(WriteFileBytes(LogDir() + L"keep.txt", "x")) << "no folder made";
    CLogSave again;
    EXPECT_TRUE(FileExists(LogDir() + L"keep.txt"));
    DeleteFileW((LogDir() + L"keep.txt").c_str());
}

TEST(Log, Entries_PrefixTextAndCrCrLf_InCodePage936_HexWithBlanks)
{
    SYSTEMTIME t = {987, 12, 0, 6, 9, 5, 3, 7};
    EXPECT_EQ("[0987-12-06 09:05:03 007ms]   abc\r\r\n", FormatLogLine(t, "abc"));

    ASSERT_EQ(936u, GetACP()) << "the suite runs under the Chinese locale";
    std::string gbk = ToCodePage(L"系统蓝屏调试设置失败", 936);
    std::wstring name = L"日志.txt";  // a Chinese file name lands in the same folder
    RemoveLog(name);
    CLogSave::GetInstance()->WriteLog(gbk, ToCodePage(name, 936), true);
    CLogSave::GetInstance()->WriteLog("", ToCodePage(name, 936), true);
    const unsigned char bytes[] = {0x00, 0x7F, 0x80, 0xAB, 0xFF};
    CLogSaveCloseFile(LogDir()).WriteHex(bytes, 5, ToCodePage(name, 936));
    EXPECT_EQ("", FormatHexText(bytes, -3));

    std::string all = FileText(ToolLogPath(name));
    for (const std::string& line : SplitLogLines(all))
        EXPECT_TRUE(HasLogPrefix(line)) << line;
    EXPECT_EQ(all.size(), 3 * 33 + gbk.size() + 15) << "entries of prefix, text and CR CR LF only";
    EXPECT_EQ(std::vector<std::string>({gbk, "", "00 7F 80 AB FF "}), LogEntries(name));
    RemoveLog(name);
}

TEST(Log, PrintSetting_GatesUnforcedEntriesOnly)
{
    const struct {
        const char* ini;  // nullptr: no file at all
        bool print;
    } cases[] = {{nullptr, false},
                 {"[Log]\r\nprint=1\r\n", true},     {"[Log]\r\nprint =  01  \r\n", true},
                 {"[Log]\r\nprint=2\r\n", false},    {"[Log]\r\nprint=yes\r\n", false},
                 {"[Other]\r\nprint=1\r\n", false},  {"\x01\xff\xfe garbage \x00\x13", false}};
    std::wstring config = LogBaseFolder() + L"logCfg.ini";
    for (const auto& c : cases) {
        DeleteFileW(config.c_str());
        if (c.ini != nullptr) {
            ASSERT_TRUE(WriteFileBytes(config, c.ini));
        }
        RemoveLog(L"kt_print.txt");
        CLogSave log;
        log.WriteLog("unforced", "kt_print.txt", false);
        log.WriteLog("forced", "kt_print.txt", true);
        EXPECT_EQ(c.print ? std::vector<std::string>({"unforced", "forced"})
                          : std::vector<std::string>({"forced"}),
                  LogEntries(L"kt_print.txt"))
            << (c.ini ? c.ini : "(no file)");
    }
    DeleteFileW(config.c_str());
    RemoveLog(L"kt_print.txt");
}

TEST(Log, FilePastThreshold_MovesToBakAndStartsAnew)
{
    std::wstring path = ToolLogPath(L"kt_rotate.txt");
    ASSERT_TRUE(WriteFileBytes(path + L"bak", "old backup"));
    ASSERT_TRUE(WriteFileBytes(path, std::string(6019990, 'x')));
    CLogSaveCloseFile writer(LogDir());
    writer.WriteText("1234567", "kt_rotate.txt");  // 40 bytes with prefix and ending
    EXPECT_FALSE(FileExists(path)) << "the crossing entry moves the file aside";
    EXPECT_EQ(6020030, FileSize(path + L"bak")) << "the backup is replaced by the newer one";
    writer.WriteText("next", "kt_rotate.txt");
    EXPECT_EQ(std::vector<std::string>({"next"}), LogEntries(L"kt_rotate.txt"));

    // Exactly at the threshold nothing moves.
    ASSERT_TRUE(WriteFileBytes(path, std::string(6020000 - 40, 'y')));
    writer.WriteText("1234567", "kt_rotate.txt");
    EXPECT_EQ(6020000, FileSize(path));
    RemoveLog(L"kt_rotate.txt");
}

// Two processes append 20,000 entries each, this one from eight threads that make the log object
// at once; the file starts 5 MB full, so the rotation happens once while both write.
TEST(Log, TwoProcessesEightThreads_NoEntryLostNoLineTorn_AcrossRotation)
{
    const int kThreads = 8, kEntries = 2500;
    RemoveLog(L"kt_threads.txt");
    std::wstring path = ToolLogPath(L"kt_threads.txt");
    std::string filler;
    while (filler.size() < 5000000)
        filler += "filler\r\r\n";
    ASSERT_TRUE(WriteFileBytes(path, filler));

    std::string otherOutput;
    DWORD otherExit = 1;
    std::thread other([&] {
        RunProgram(L"\"" + ExeFolder() + L"\\job_runner.exe\" log kt_threads.txt 20000", otherOutput,
                   otherExit, 600000);
    });
    // This process starts once the other one writes.
    for (int i = 0; i < 6000 && FileSize(path) == static_cast<long long>(filler.size()); ++i)
        Sleep(10);
    CLogSave* seen[kThreads] = {};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            seen[t] = CLogSave::GetInstance();
            char text[64];
            for (int i = 0; i < kEntries; ++i) {
                snprintf(text, sizeof(text), "thread=%d seq=%06d padding-padding", t, i);
                seen[t]->WriteLog(text, "kt_threads.txt", true);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    other.join();
    ASSERT_EQ(0u, otherExit);
    for (CLogSave* p : seen)
        EXPECT_EQ(seen[0], p) << "two log objects";

    std::string backup = FileText(path + L"bak"), current = FileText(path);
    EXPECT_GT(backup.size(), 6020000u) << "no rotation happened";
    EXPECT_LE(current.size(), 6020000u);
    std::string all = backup + current;
    EXPECT_EQ(all.size() - 3, all.rfind("\r\r\n")) << "bytes after the last whole line";
    std::vector<std::string> lines = SplitLogLines(all);
    lines.erase(std::remove(lines.begin(), lines.end(), "filler"), lines.end());
    ASSERT_EQ(static_cast<size_t>(kThreads * kEntries + 20000), lines.size());
    int next[kThreads + 1] = {};
    for (const std::string& line : lines) {
        int t = -1, seq = -1;
        char tail[32] = {};
        ASSERT_TRUE(HasLogPrefix(line)) << line;
        ASSERT_EQ(3, sscanf(line.c_str() + 30, "thread=%d seq=%d %31s", &t, &seq, tail)) << line;
        ASSERT_TRUE(t >= 0 && t <= kThreads && next[t] == seq) << "lost or reordered: " << line;
        EXPECT_STREQ("padding-padding", tail);
        ++next[t];
    }
    RemoveLog(L"kt_threads.txt");
}

// Another process holding the file open blocks no entry of ours, and our entries block no open of
// the sibling tools (an entry's handle asks for no delete access, which they do not share).
TEST(Log, SiblingHoldsTheFile_OurEntriesArriveInOrder_ItsOpensSucceedWhileWeWrite)
{
    RemoveLog(L"kt_held.txt");
    std::vector<std::string> texts;
    std::string report = WhileHeld(L"share", [&texts] {
        for (int i = 0; i < 2000; ++i) {
            texts.push_back("entry " + std::to_string(i));
            CLogSave::GetInstance()->WriteLog(texts.back(), "kt_held.txt", true);
        }
    });
    EXPECT_EQ(texts, LogEntries(L"kt_held.txt"));
    int opens = 0, refused = -1;
    EXPECT_EQ(2, sscanf(report.c_str(), "opens=%d refused=%d", &opens, &refused)) << report;
    EXPECT_GT(opens, 100) << "too few opens to meet our writer's handle";
    EXPECT_EQ(0, refused) << "a sibling's open refused beside our writer";
    RemoveLog(L"kt_held.txt");
}

// A reader holding the byte of the log's lock: the entry is still appended, at once, and the full
// file moves aside only when the byte is free again.
TEST(Log, ReaderHoldsTheLockByte_EntryAppendedAtOnce_RotationWaits)
{
    RemoveLog(L"kt_held.txt");
    std::wstring path = ToolLogPath(L"kt_held.txt");
    ASSERT_TRUE(WriteFileBytes(path, std::string(6020000, 'x') + "\r\r\n"));
    WhileHeld(L"lock", [&path] {
        ULONGLONG start = GetTickCount64();
        CLogSave::GetInstance()->WriteLog("while held", "kt_held.txt", true);
        EXPECT_LT(GetTickCount64() - start, 1000u) << "the entry waited for the lock";
        EXPECT_EQ(6020003 + 30 + 10 + 3, FileSize(path)) << "not appended, or rotated";
    });
    CLogSave::GetInstance()->WriteLog("released", "kt_held.txt", true);
    EXPECT_EQ(3u, LogEntries(L"kt_held.txtbak").size());
    EXPECT_FALSE(FileExists(path));
    RemoveLog(L"kt_held.txt");
}

// A hard link planted as the log file: the entry is dropped, nothing written through the link.
TEST(Log, HardLinkPlantedAsLogFile_TargetUnchanged)
{
    std::wstring folder = MakeScratchFolder(L"kt-link");
    ASSERT_TRUE(WriteFileBytes(folder + L"\\target.txt", "the link's target\r\n"));
    RemoveLog(L"Kestrune.txt");
    ASSERT_TRUE(CreateHardLinkW(ToolLogPath(L"Kestrune.txt").c_str(),
                                (folder + L"\\target.txt").c_str(), nullptr));
    CLogSave::GetInstance()->WriteLog("through a link", "Kestrune.txt", true);
    EXPECT_EQ("the link's target\r\n", FileText(folder + L"\\target.txt"));
    RemoveLog(L"Kestrune.txt");
    RemoveTree(folder);
}

// The appending turn's section made first by another account (an unelevated program, its word
// kept set) is not used; one of our own account is, and a word left set in it is taken over.
TEST(Log, TurnSectionOfAnotherAccount_Unused_OursTakenOver)
{
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0,
                                         &everyone));
    SECURITY_DESCRIPTOR theirs;
    InitializeSecurityDescriptor(&theirs, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&theirs, everyone, FALSE);
    SetSecurityDescriptorDacl(&theirs, TRUE, nullptr, FALSE);
    SECURITY_ATTRIBUTES foreign = {sizeof(foreign), &theirs, FALSE};
    const struct {
        SECURITY_ATTRIBUTES* made;
        LONG wordAfter;
    } cases[] = {{&foreign, 0x7777}, {nullptr, 0}};
    for (const auto& c : cases) {
        std::wstring name = c.made != nullptr ? L"Local\\kt_turn_theirs" : L"Local\\kt_turn_ours";
        HANDLE section = CreateFileMappingW(INVALID_HANDLE_VALUE, c.made, PAGE_READWRITE, 0,
                                            sizeof(LONG), name.c_str());
        ASSERT_NE(nullptr, section);
        auto* word = static_cast<volatile LONG*>(
            MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, sizeof(LONG)));
        ASSERT_NE(nullptr, word);
        *word = 0x7777;
        RemoveLog(L"kt_turn.txt");
        SetEnvironmentVariableW(L"KESTRUNE_LOG_TURN", name.c_str());
        CLogSaveCloseFile(LogDir()).WriteText("entry", "kt_turn.txt");
        SetEnvironmentVariableW(L"KESTRUNE_LOG_TURN", nullptr);
        EXPECT_EQ(c.wordAfter, *word) << ToCodePage(name, CP_UTF8);
        EXPECT_NE(std::string::npos, FileText(ToolLogPath(L"kt_turn.txt")).find("entry"));
        UnmapViewOfFile(const_cast<LONG*>(word));
        CloseHandle(section);
    }
    RemoveLog(L"kt_turn.txt");
    FreeSid(everyone);
}
