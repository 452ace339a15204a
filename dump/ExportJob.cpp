// The export: copies MEMORY.DMP and the Minidump folder into "BlueScreen" on the desktop, then
// checks that every file arrived, since the interpreter's copy reports nothing back.
#include "dump/CrashDumpJobs.h"
#include "dump/CrashSummary.h"
#include "fw/FileFind.h"
#include "fw/Str.h"
#include "fw/Thread.h"
#include "log/LogSave.h"
#include "sys/LinkGuard.h"
#include "sys/PlatformQueries.h"
#include "sys/ShellRunner.h"

#include <vector>

namespace {

const char kExportLog[] = "Pandrell.txt";
const size_t kMaxListedNames = 400;  // characters of missing names kept in the entry

DWORD WINAPI ExportThread(LPVOID context)
{
    static_cast<CCrashDumpJobs*>(context)->RunExportJob();
    return 1;
}

void WriteExportLog(const std::wstring& text)
{
    CLogSave::GetInstance()->WriteLog(LogText(text.c_str()), kExportLog, true);
}

// Size and last-write time of a file; false for a directory or nothing at all.
bool ReadFileFacts(const std::wstring& path, WIN32_FILE_ATTRIBUTE_DATA& facts)
{
    return GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &facts) &&
           !(facts.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

unsigned long long AsNumber(DWORD high, DWORD low)
{
    return (static_cast<unsigned long long>(high) << 32) | low;
}

// Copy keeps the source's last-write time, so an earlier export of the same size that was not
// overwritten shows its older time. Two seconds is the time resolution of a FAT desktop.
bool ArrivedAs(const std::wstring& target, const WIN32_FILE_ATTRIBUTE_DATA& source)
{
    const unsigned long long kTolerance = 2 * 10000000ULL;  // in 100 ns
    WIN32_FILE_ATTRIBUTE_DATA copy;
    if (!ReadFileFacts(target, copy) ||
        AsNumber(copy.nFileSizeHigh, copy.nFileSizeLow) !=
            AsNumber(source.nFileSizeHigh, source.nFileSizeLow))
        return false;
    unsigned long long a =
        AsNumber(copy.ftLastWriteTime.dwHighDateTime, copy.ftLastWriteTime.dwLowDateTime);
    unsigned long long b =
        AsNumber(source.ftLastWriteTime.dwHighDateTime, source.ftLastWriteTime.dwLowDateTime);
    return (a > b ? a - b : b - a) <= kTolerance;
}

// A folder that "exists" may be a file of that name, or a relative path: neither is the desktop.
bool MakeExportFolder(const std::wstring& folder)
{
    return folder.find(L'\\') != std::wstring::npos && CreateDirectoryTree(folder) &&
           DirectoryExists(folder);
}

// The files the copy of the Minidump folder carries, relative to the Windows folder as to the
// export folder: copy passes over folders and hidden or system files.
std::vector<std::wstring> MinidumpNames(const std::wstring& windowsPath)
{
    std::vector<std::wstring> names;
    const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    CFileFind finder;
    for (bool more = finder.FindFile(windowsPath + L"Minidump\\*.*"); more;
         more = finder.FindNextFile()) {
        if (!finder.IsDots() && !(finder.GetAttributes() & skipped))
            names.push_back(L"Minidump\\" + finder.GetFileName());
    }
    return names;
}

// Names of the files the copies were to carry that are missing or differ in size at the target.
std::vector<std::wstring> FilesNotArrived(const std::wstring& windowsPath,
                                          const std::wstring& exportFolder)
{
    std::vector<std::wstring> missing;
    WIN32_FILE_ATTRIBUTE_DATA facts;
    if (ReadFileFacts(windowsPath + L"MEMORY.DMP", facts) &&
        !ArrivedAs(exportFolder + L"\\MEMORY.DMP", facts))
        missing.push_back(L"MEMORY.DMP");
    for (const std::wstring& name : MinidumpNames(windowsPath)) {
        if (!ReadFileFacts(windowsPath + name, facts) ||
            !ArrivedAs(exportFolder + L"\\" + name, facts))
            missing.push_back(name);
    }
    return missing;
}

// The first of the copies' target names that still is a link after clearing, or empty.
std::wstring LinkLeftAmong(const std::wstring& exportFolder, const std::vector<std::wstring>& names)
{
    for (const std::wstring& name : names) {
        if (!ClearLinkAt(exportFolder + L"\\" + name))
            return name;
    }
    return std::wstring();
}

// Why a folder of the export cannot take the files, for the log; empty once it is held.
std::wstring HoldExportFolder(const std::wstring& folder, CHandle& hold)
{
    switch (HoldFolder(folder, hold)) {
    case FolderHold::Held:
        return std::wstring();
    case FolderHold::Link:
        return L"导出目录是联接或符号链接，未导出蓝屏文件：" + folder;
    default:
        return L"无法打开导出目录，未导出蓝屏文件：" + folder;
    }
}

std::wstring DescribeMissing(const std::vector<std::wstring>& names)
{
    std::wstring text = L"导出蓝屏文件不完整：";
    size_t listed = 0;
    for (; listed < names.size(); ++listed) {
        if (listed > 0 && text.size() + names[listed].size() > kMaxListedNames)
            break;
        if (listed > 0)
            text += L"，";
        text += names[listed];
    }
    if (listed < names.size())
        text += FormatW(L" 等%u个文件", static_cast<unsigned>(names.size()));
    return text;
}

}  // namespace

bool CCrashDumpJobs::StartExportJob()
{
    if (!StartDetachedThread(ExportThread, this)) {
        CLogSave::GetInstance()->WriteLog(LogText(L"创建导出系统蓝屏文件线程失败"), "Kestrune.txt",
                                          true);
        return false;
    }
    return true;
}

bool CCrashDumpJobs::RunExportJob()
{
    bool succeeded = true;
    std::wstring windowsPath = GetWindowsPath();
    if (windowsPath.empty()) {
        WriteExportLog(L"无法获取Windows目录，未导出蓝屏文件");
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, ExportFailed, 0);
        return true;
    }

    // Without a desktop path the folder would be made relative to the current directory, while
    // the user is told the files are on the desktop.
    std::wstring desktop = GetDesktopPath();
    // The interpreter expands a % even inside quotation marks: the copies could land in the folder
    // a variable names instead of the desktop.
    if (desktop.find(L'%') != std::wstring::npos) {
        WriteExportLog(L"桌面路径含有%，无法安全复制，未导出蓝屏文件：" + desktop);
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, ExportFailed, 0);
        return true;
    }
    std::wstring exportFolder = desktop + L"BlueScreen";
    if (desktop.empty() || !MakeExportFolder(exportFolder)) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, ExportFolderFailed, 0);
        WriteExportLog(L"创建导出系统蓝屏文件目录失败");
        return false;
    }

    // Both folders stay open until the copies and the summary are written, so that neither can be
    // swapped for a link meanwhile; the Minidump folder is made only inside a held export folder.
    std::wstring exportMinidump = exportFolder + L"\\Minidump";
    CHandle exportHold, minidumpHold;
    std::wstring refusal = HoldExportFolder(exportFolder, exportHold);
    if (refusal.empty() && !MakeExportFolder(exportMinidump)) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, ExportFolderFailed, 0);
        WriteExportLog(L"创建导出系统蓝屏文件目录失败2");
        return false;
    }
    if (refusal.empty())
        refusal = HoldExportFolder(exportMinidump, minidumpHold);
    if (!refusal.empty()) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, ExportFolderFailed, 0);
        WriteExportLog(refusal);
        return false;
    }

    // Every path is quoted: a desktop path with a blank must not split the copy's arguments.
    std::wstring link = LinkLeftAmong(exportFolder, {L"MEMORY.DMP"});
    if (!link.empty()) {
        succeeded = false;
        WriteExportLog(L"导出目标是无法删除的链接，未复制：" + link);
    } else if (!RunShellCommand(
                   FormatW(L"copy /Y \"%%SystemRoot%%\\MEMORY.DMP\" \"%ls\\MEMORY.DMP\"",
                           exportFolder.c_str()),
                   false)) {
        succeeded = false;
        WriteExportLog(L"执行拷贝MEMORY.DMP系统日志命令失败");
    }

    std::wstring systemMinidump = windowsPath + L"Minidump";
    std::wstring ignored;
    RunShellCommandCapture(
        FormatW(L"takeown /f \"%ls\" /r /d y && icacls \"%ls\" /grant administrators:F /t",
                systemMinidump.c_str(), systemMinidump.c_str()),
        ignored);

    // Listed once the folder is open to administrators.
    link = LinkLeftAmong(exportFolder, MinidumpNames(windowsPath));
    std::wstring copyOutput;
    if (!link.empty()) {
        succeeded = false;
        WriteExportLog(L"导出目标是无法删除的链接，未复制：" + link);
    } else if (!RunShellCommandCapture(FormatW(L"copy /Y \"%ls\\*.*\" \"%ls\\Minidump\\\"",
                                               systemMinidump.c_str(), exportFolder.c_str()),
                                       copyOutput)) {
        succeeded = false;
        WriteExportLog(L"执行拷贝MEMORY.DMP系统日志命令失败");
    }

    // The interpreter reports nothing back: only the files themselves tell whether the export is
    // complete.
    if (succeeded) {
        std::vector<std::wstring> missing = FilesNotArrived(windowsPath, exportFolder);
        if (!missing.empty()) {
            succeeded = false;
            WriteExportLog(DescribeMissing(missing));
        }
    }

    // Before the result: its prompt is modal. A summary that fails is logged, the export stands.
    if (succeeded)
        WriteCrashSummary(exportFolder);
    // Not kept while the result's prompt waits for the user.
    minidumpHold.Close();
    exportHold.Close();

    SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
    SendMessageW(m_hTargetWnd, WM_JOB_RESULT, succeeded ? ExportSucceeded : ExportFailed, 0);
    return true;
}
