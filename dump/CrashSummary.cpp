#include "dump/CrashSummary.h"
#include "fw/FileFind.h"
#include "fw/Handle.h"
#include "fw/Str.h"
#include "log/LogSave.h"

#include <windows.h>

#include <algorithm>
#include <vector>

extern "C" NTSTATUS NTAPI RtlGetVersion(PRTL_OSVERSIONINFOW info);

namespace {

const wchar_t kSummaryName[] = L"蓝屏摘要.txt";

struct DumpEntry {
    std::wstring name;  // relative to the export folder
    unsigned long long size = 0;
    bool readable = false;
    CrashDumpHeader header;
};

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

std::wstring DumpTypeText(uint32_t type)
{
    switch (type) {
    case 1: return L"完全内存转储";
    case 2: return L"核心内存转储";
    case 4: return L"小内存转储";
    default: return FormatW(L"%u", type);  // "automatic" and "active" leave no trace here
    }
}

std::wstring ParameterText(const CrashDumpHeader& header)
{
    std::wstring text;
    for (uint64_t parameter : header.parameters) {
        if (!text.empty())
            text += L" ";
        text += header.is64 ? FormatW(L"0x%016llX", static_cast<unsigned long long>(parameter))
                            : FormatW(L"0x%08X", static_cast<unsigned>(parameter));
    }
    return text;
}

std::wstring BlockText(const DumpEntry& entry)
{
    std::wstring text = L"文件：" + entry.name;
    if (!entry.readable)
        return text + L"　不是可读的蓝屏转储文件\r\n";
    const CrashDumpHeader& header = entry.header;
    std::string name = BugCheckName(header.bugCheckCode);
    text += FormatW(L"\r\n大小：%llu 字节\r\n蓝屏时间：%ls\r\n停止代码：0x%08X", entry.size,
                    CrashTimeText(header.systemTime).c_str(), header.bugCheckCode);
    if (!name.empty())
        text += L" " + std::wstring(name.begin(), name.end());
    text += L"\r\n参数：" + ParameterText(header);
    text += L"\r\n转储类型：" + DumpTypeText(header.dumpType);
    text += FormatW(L"\r\n处理器数：%u\r\n内部版本：%u\r\n", header.processors, header.buildNumber);
    return text;
}

void AddEntry(const std::wstring& folder, const std::wstring& name, unsigned long long size,
              std::vector<DumpEntry>& entries)
{
    DumpEntry entry;
    entry.name = name;
    entry.size = size;
    entry.readable = ReadCrashDumpFile(folder + L"\\" + name, entry.header);
    entries.push_back(entry);
}

std::vector<DumpEntry> ReadExportedDumps(const std::wstring& exportFolder)
{
    std::vector<DumpEntry> entries;
    CFileFind finder;
    if (finder.FindFile(exportFolder + L"\\MEMORY.DMP") && !finder.IsDirectory())
        AddEntry(exportFolder, L"MEMORY.DMP", finder.GetLength(), entries);
    for (bool more = finder.FindFile(exportFolder + L"\\Minidump\\*.*"); more;
         more = finder.FindNextFile()) {
        if (!finder.IsDots() && !finder.IsDirectory())
            AddEntry(exportFolder, L"Minidump\\" + finder.GetFileName(), finder.GetLength(),
                     entries);
    }
    // Newest crash first; files that say nothing follow, by name.
    std::sort(entries.begin(), entries.end(), [](const DumpEntry& a, const DumpEntry& b) {
        if (a.readable != b.readable)
            return a.readable;
        if (a.readable && a.header.systemTime != b.header.systemTime)
            return a.header.systemTime > b.header.systemTime;
        return a.name < b.name;
    });
    return entries;
}

std::string SummaryBytes(const std::wstring& exportFolder)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring text = L"蓝屏摘要　导出时间：" + TimeText(now) + L"　本机系统：" +
                        WindowsVersionText() + L"\r\n";
    for (const DumpEntry& entry : ReadExportedDumps(exportFolder))
        text += L"\r\n" + BlockText(entry);
    int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                    0, nullptr, nullptr);
    std::string utf8 = "\xEF\xBB\xBF";  // Notepad of Windows 7 takes a file without it for ANSI
    std::string body(static_cast<size_t>(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &body[0], bytes,
                        nullptr, nullptr);
    return utf8 + body;
}

}  // namespace

bool ReadCrashDumpFile(const std::wstring& path, CrashDumpHeader& header)
{
    // One open and one read a file: under Wine each call is a round trip, and there may be hundreds.
    CHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    unsigned char bytes[kCrashDumpHeaderMaxBytes];
    DWORD read = 0;
    return file.IsValid() && ReadFile(file.Get(), bytes, sizeof(bytes), &read, nullptr) &&
           ParseCrashDumpHeader(bytes, read, header);
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
        fresh = FormatW(L"%ls.%lu-%u.tmp", path.c_str(), GetCurrentProcessId(), attempt);
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
