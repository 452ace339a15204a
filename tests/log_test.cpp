// The logging library on the real prefix: ToolLog in the all-users application-data folder.
#include "TestUtil.h"
#include "log/LogSave.h"
#include "log/LogSaveCloseFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <thread>

using namespace testutil;

namespace {

std::wstring LogDir()
{
    return LogBaseFolder() + L"ToolLog\\";
}

std::wstring ConfigPath()
{
    return LogBaseFolder() + L"logCfg.ini";
}

std::string ReadLog(const std::string& name)
{
    std::string bytes;
    ReadFileBytes(LogDir() + FromCodePage(name, CP_ACP), bytes);
    return bytes;
}

void RemoveLog(const std::string& name)
{
    std::wstring path = LogDir() + FromCodePage(name, CP_ACP);
    DeleteFileW(path.c_str());
    DeleteFileW((path + L"bak").c_str());
}

}  // namespace

TEST(Log, FirstUse_CreatesToolLogInCommonAppData)
{
    RemoveTree(LogDir().substr(0, LogDir().size() - 1));
    CLogSave log;
    EXPECT_EQ(LogDir(), log.m_strLogDir);
    EXPECT_NE(std::wstring::npos, log.m_strLogDir.find(L"ProgramData\\ToolLog\\"))
        << "not the all-users application-data folder";
    DWORD attributes = GetFileAttributesW(LogDir().c_str());
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);

    // An existing folder is left as it is, files and all.
    ASSERT_TRUE(WriteFileBytes(LogDir() + L"keep.txt", "x"));
    CLogSave again;
    EXPECT_TRUE(FileExists(LogDir() + L"keep.txt"));
    DeleteFileW((LogDir() + L"keep.txt").c_str());
}

TEST(Log, Entry_HasPrefixTextAndCrCrLf)
{
    RemoveLog("kt_format.txt");
    SYSTEMTIME before;
    GetLocalTime(&before);
    CLogSave::GetInstance()->WriteLog("abc", "kt_format.txt", true);
    CLogSave::GetInstance()->WriteLog("", "kt_format.txt", true);
    CLogSave::GetInstance()->WriteLog("second", "kt_format.txt", true);

    std::string bytes = ReadLog("kt_format.txt");
    std::vector<std::string> lines = SplitLogLines(bytes);
    ASSERT_EQ(3u, lines.size()) << bytes;
    EXPECT_EQ(bytes.size(), lines[0].size() + lines[1].size() + lines[2].size() + 9)
        << "every entry ends in CR CR LF and nothing else follows";
    for (const std::string& line : lines)
        EXPECT_TRUE(HasLogPrefix(line)) << line;
    EXPECT_EQ("abc", lines[0].substr(30));
    EXPECT_EQ(30u, lines[1].size()) << "an empty entry is the prefix with its three blanks";
    EXPECT_EQ("second", lines[2].substr(30));
    char year[8];
    snprintf(year, sizeof(year), "[%04d-", before.wYear);
    EXPECT_EQ(0u, lines[0].find(year));
}

TEST(Log, FormatLogLine_PadsEveryField)
{
    SYSTEMTIME t = {};
    t.wYear = 2026;
    t.wMonth = 12;
    t.wDay = 6;
    t.wHour = 9;
    t.wMinute = 5;
    t.wSecond = 3;
    t.wMilliseconds = 7;
    EXPECT_EQ("[2026-12-06 09:05:03 007ms]   abc\r\r\n", FormatLogLine(t, "abc"));
    t.wYear = 987;
    EXPECT_EQ(0u, FormatLogLine(t, "").find("[0987-"));
}

TEST(Log, ChineseText_StoredAsCodePage936Bytes)
{
    RemoveLog("kt_chinese.txt");
    std::string gbk = ToCodePage(L"系统蓝屏调试设置失败", 936);
    ASSERT_EQ(20u, gbk.size());
    ASSERT_EQ(936u, GetACP()) << "the suite runs under the Chinese locale";
    CLogSave::GetInstance()->WriteLog(gbk, "kt_chinese.txt", true);
    std::vector<std::string> lines = SplitLogLines(ReadLog("kt_chinese.txt"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ(gbk, lines[0].substr(30));

    // A Chinese file name lands in the same folder.
    std::string name = ToCodePage(L"日志.txt", 936);
    RemoveLog(name);
    CLogSave::GetInstance()->WriteLog("x", name, true);
    EXPECT_TRUE(FileExists(LogDir() + L"日志.txt"));
    RemoveLog(name);
}

TEST(Log, WriteHex_UpperCaseBytesEachWithBlank)
{
    const unsigned char bytes[] = {0x00, 0x7F, 0x80, 0xAB, 0xFF};
    EXPECT_EQ("00 7F 80 AB FF ", FormatHexText(bytes, 5));
    EXPECT_EQ("", FormatHexText(bytes, 0));
    EXPECT_EQ("", FormatHexText(bytes, -3));

    RemoveLog("kt_hex.txt");
    CLogSaveCloseFile writer(LogDir());
    writer.WriteHex(bytes, 3, "kt_hex.txt");
    std::vector<std::string> lines = SplitLogLines(ReadLog("kt_hex.txt"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("00 7F 80 ", lines[0].substr(30));
}

TEST(Log, PrintSetting_GatesUnforcedEntriesOnly)
{
    struct Case {
        const char* ini;  // nullptr: no file at all
        bool print;
    };
    const Case cases[] = {
        {nullptr, false},
        {"[Log]\r\nprint=1\r\n", true},
        {"[Log]\r\nprint =  01  \r\n", true},
        {"[Log]\r\nprint=1abc\r\n", true},
        {"[Log]\r\nprint=2\r\n", false},
        {"[Log]\r\nprint=yes\r\n", false},
        {"[Log]\r\nprint=-1\r\n", false},
        {"[Log]\r\nprint=\r\n", false},
        {"[Other]\r\nprint=1\r\n", false},
        {"", false},
        {"\x01\xff\xfe garbage \x00\x13", false},
    };
    std::wstring config = ConfigPath();
    for (const Case& c : cases) {
        DeleteFileW(config.c_str());
        if (c.ini != nullptr) {
            ASSERT_TRUE(WriteFileBytes(config, c.ini));
        }
        RemoveLog("kt_print.txt");
        CLogSave log;
        EXPECT_EQ(c.print, log.m_bPrint) << (c.ini ? c.ini : "(no file)");
        log.WriteLog("unforced", "kt_print.txt", false);
        log.WriteLog("forced", "kt_print.txt", true);
        std::vector<std::string> lines = SplitLogLines(ReadLog("kt_print.txt"));
        ASSERT_EQ(c.print ? 2u : 1u, lines.size()) << (c.ini ? c.ini : "(no file)");
        EXPECT_EQ("forced", lines.back().substr(30));
    }
    DeleteFileW(config.c_str());
    RemoveLog("kt_print.txt");
}

TEST(Log, FilePastThreshold_MovesToBakAndStartsAnew)
{
    RemoveLog("kt_rotate.txt");
    std::wstring path = LogDir() + L"kt_rotate.txt";
    ASSERT_TRUE(WriteFileBytes(path + L"bak", "old backup"));
    ASSERT_TRUE(WriteFileBytes(path, std::string(6019990, 'x')));

    CLogSaveCloseFile writer(LogDir());
    writer.WriteText("1234567", "kt_rotate.txt");  // 40 bytes with prefix and ending
    EXPECT_FALSE(FileExists(path)) << "the crossing entry moves the file aside";
    EXPECT_EQ(6020030, FileSize(path + L"bak")) << "the backup is replaced by the newer one";

    writer.WriteText("next", "kt_rotate.txt");
    std::vector<std::string> lines = SplitLogLines(ReadLog("kt_rotate.txt"));
    ASSERT_EQ(1u, lines.size());
    EXPECT_EQ("next", lines[0].substr(30));

    // Exactly at the threshold nothing moves.
    ASSERT_TRUE(WriteFileBytes(path, std::string(6020000 - 40, 'y')));
    writer.WriteText("1234567", "kt_rotate.txt");
    EXPECT_EQ(6020000, FileSize(path));
    RemoveLog("kt_rotate.txt");
}

TEST(Log, GetInstance_SameObjectFromRacingThreads)
{
    CLogSave* seen[8] = {};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&seen, i] { seen[i] = CLogSave::GetInstance(); });
    for (std::thread& t : threads)
        t.join();
    for (CLogSave* p : seen)
        EXPECT_EQ(seen[0], p);
}

// Two processes append 20,000 entries each, this one from eight threads; the file starts 5 MB
// full, so the rotation happens once while both write.
TEST(Log, TwoProcessesEightThreads_NoEntryLostNoLineTorn_AcrossRotation)
{
    const int kThreads = 8;
    const int kEntries = 2500;
    const int kOtherEntries = 20000;
    RemoveLog("kt_threads.txt");
    std::wstring path = LogDir() + L"kt_threads.txt";
    std::string filler;
    while (filler.size() < 5000000)
        filler += "filler\r\r\n";
    ASSERT_TRUE(WriteFileBytes(path, filler));

    std::string otherOutput;
    DWORD otherExit = 1;
    std::thread other([&] {
        RunProgram(L"\"" + ExeFolder() + L"\\job_runner.exe\" log kt_threads.txt " +
                       std::to_wstring(kOtherEntries),
                   otherOutput, otherExit, 600000);
    });
    // This process starts once the other one writes.
    for (int i = 0; i < 6000 && FileSize(path) == static_cast<long long>(filler.size()); ++i)
        Sleep(10);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            char text[64];
            for (int i = 0; i < kEntries; ++i) {
                snprintf(text, sizeof(text), "thread=%d seq=%06d padding-padding", t, i);
                CLogSave::GetInstance()->WriteLog(text, "kt_threads.txt", true);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();
    other.join();
    ASSERT_EQ(0u, otherExit);

    std::string backup;
    std::string current;
    ASSERT_TRUE(ReadFileBytes(LogDir() + L"kt_threads.txtbak", backup)) << "no rotation happened";
    ASSERT_TRUE(ReadFileBytes(LogDir() + L"kt_threads.txt", current));
    EXPECT_GT(backup.size(), 6020000u);
    EXPECT_LE(current.size(), 6020000u);

    std::string all = backup + current;
    std::vector<std::string> lines = SplitLogLines(all);
    size_t total = 0;
    for (const std::string& line : lines)
        total += line.size() + 3;
    EXPECT_EQ(all.size(), total) << "bytes outside whole lines";
    lines.erase(std::remove(lines.begin(), lines.end(), "filler"), lines.end());
    ASSERT_EQ(static_cast<size_t>(kThreads * kEntries + kOtherEntries), lines.size());
    int next[kThreads + 1] = {};
    for (const std::string& line : lines) {
        ASSERT_TRUE(HasLogPrefix(line)) << line;
        int t = -1;
        int seq = -1;
        char tail[32] = {};
        ASSERT_EQ(3, sscanf(line.c_str() + 30, "thread=%d seq=%d %31s", &t, &seq, tail)) << line;
        ASSERT_TRUE(t >= 0 && t <= kThreads) << line;
        ASSERT_EQ(next[t], seq) << "lost or reordered entry: " << line;
        EXPECT_STREQ("padding-padding", tail);
        ++next[t];
    }
    RemoveLog("kt_threads.txt");
}
