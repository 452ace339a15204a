#include "dump/CrashSummary.h"
#include "fw/FileFind.h"
#include "fw/Handle.h"
#include "fw/Str.h"
#include "fw/SystemFunction.h"
#include "log/LogSave.h"
#include "sys/PlatformQueries.h"

#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

extern "C" NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW info);

namespace {

const wchar_t kSummaryName[] = L"蓝屏摘要.txt";

std::wstring TimeText(const SYSTEMTIME& time)
{
    return FormatW(L"%04u-%02u-%02u %02u:%02u:%02u", time.wYear, time.wMonth, time.wDay, time.wHour,
                   time.wMinute, time.wSecond);
}

// The crash time in the PC's local time, with the daylight rule of that date.
std::wstring CrashTimeText(uint64_t systemTime)
{
    FILETIME utc = {static_cast<DWORD>(systemTime), static_cast<DWORD>(systemTime >> 32)};
    SYSTEMTIME universal, local;
    if (!FileTimeToSystemTime(&utc, &universal) ||
        !SystemTimeToTzSpecificLocalTime(nullptr, &universal, &local))
        return L"未知";
    return TimeText(local);
}

// The version functions answer a program without a compatibility manifest with 6.2; this one
// tells the truth.
std::wstring WindowsVersionText()
{
    RTL_OSVERSIONINFOW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (RtlGetVersion(&info) != 0)
        return L"未知";
    std::wstring name = info.dwMajorVersion == 10 ? L"Windows 10"
                        : (info.dwMajorVersion == 6 && info.dwMinorVersion == 1)
                            ? L"Windows 7"
                            : FormatW(L"Windows %lu.%lu", info.dwMajorVersion, info.dwMinorVersion);
    if (info.szCSDVersion[0] != L'\0')
        name += std::wstring(L" ") + info.szCSDVersion;
    return name + FormatW(L"（%lu.%lu.%lu）", info.dwMajorVersion, info.dwMinorVersion,
                          info.dwBuildNumber);
}

void AddEntry(const std::wstring& folder, const std::wstring& name, unsigned long long size,
              TriageDump& triage, std::vector<CrashSummaryEntry>& entries)
{
    CrashSummaryEntry entry;
    entry.name = WideToCodePage(name, CP_UTF8);
    entry.size = size;
    if (ReadCrashDumpFile(folder + L"\\" + name, entry, triage))
        entry.crashTime = WideToCodePage(CrashTimeText(entry.header.systemTime), CP_UTF8);
    entries.push_back(std::move(entry));
}

std::vector<CrashSummaryEntry> ReadExportedDumps(const std::wstring& exportFolder)
{
    std::vector<CrashSummaryEntry> entries;
    TriageDump triage;  // its buffers go from file to file
    CFileFind finder;
    if (finder.FindFile(exportFolder + L"\\MEMORY.DMP") && !finder.IsDirectory())
        AddEntry(exportFolder, L"MEMORY.DMP", finder.GetLength(), triage, entries);
    for (bool more = finder.FindFile(exportFolder + L"\\Minidump\\*.*"); more;
         more = finder.FindNextFile()) {
        if (!finder.IsDots() && !finder.IsDirectory())
            AddEntry(exportFolder, L"Minidump\\" + finder.GetFileName(), finder.GetLength(),
                     triage, entries);
    }
    return entries;
}

std::string SummaryBytes(const std::wstring& exportFolder)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring heading = L"蓝屏摘要　导出时间：" + TimeText(now) + L"　本机系统：" +
                           WindowsVersionText() + L"\r\n";
    // Notepad of Windows 7 takes a file without the byte-order mark for ANSI.
    return "\xEF\xBB\xBF" + WideToCodePage(heading, CP_UTF8) +
           CrashSummaryBlocks(ReadExportedDumps(exportFolder));
}

// A name for the summary's new file that no other program can tell in advance: names made of the
// process id alone could all be taken beforehand by a program of the user's, and the summary would
// never be written.
std::wstring FreshName(const std::wstring& path)
{
    DWORD random[2] = {};
    auto generate = FindSystemFunction<BOOLEAN(WINAPI*)(PVOID, ULONG)>(L"advapi32.dll",
                                                                       "SystemFunction036");
    if (generate == nullptr || !generate(random, sizeof(random))) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        random[0] = now.LowPart ^ GetCurrentProcessId();
        random[1] = now.HighPart ^ GetTickCount();
    }
    return FormatW(L"%ls.%08lx%08lx.tmp", path.c_str(), random[0], random[1]);
}

}  // namespace

bool CDumpHandleFile::Read(uint64_t offset, void* buffer, size_t bytes)
{
    OVERLAPPED at = {};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD read = 0;
    return bytes == 0 ||
           (ReadFile(m_file, buffer, static_cast<DWORD>(bytes), &read, &at) && read == bytes);
}

bool ReadCrashDumpFile(const std::wstring& path, CrashSummaryEntry& entry, TriageDump& triage)
{
    // Never through a link, and never from a pipe or device that a link could lead to: a read
    // there may wait for ever.
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    LARGE_INTEGER size = {};
    if (!file.IsValid() || GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !GetFileSizeEx(file.Get(), &size))
        return false;
    CDumpHandleFile dump(file.Get(), static_cast<uint64_t>(size.QuadPart));
    DescribeCrashDump(dump, entry, triage);
    return entry.readable;
}

bool WriteCrashSummary(const std::wstring& exportFolder)
{
    std::string bytes = SummaryBytes(exportFolder);
    std::wstring path = exportFolder + L"\\" + kSummaryName;
    // Written under a new name of its own and moved over whatever the name held: a link planted
    // as the summary is replaced, never written through.
    std::wstring fresh;
    CHandle file;
    for (unsigned attempt = 0; attempt < 8 && !file.IsValid(); ++attempt) {
        fresh = FreshName(path);
        file.Attach(CreateFileW(fresh.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.IsValid() && GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    DWORD written = 0;
    bool complete =
        file.IsValid() &&
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size();
    DWORD error = GetLastError();
    bool created = file.IsValid();
    file.Close();
    if (complete) {
        if (MoveFileExW(fresh.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING))
            return true;
        error = GetLastError();
    }
    if (created)
        DeleteFileW(fresh.c_str());
    CLogSave::GetInstance()->WriteLog(LogText(FormatW(L"写入蓝屏摘要失败（%lu）", error).c_str()),
                                      "Pandrell.txt", true);
    return false;
}
