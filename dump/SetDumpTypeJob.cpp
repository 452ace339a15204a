// The set job: writes the crash-control values of the picked dump type through reg command lines.
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "fw/Str.h"
#include "fw/Thread.h"
#include "log/LogSave.h"
#include "sys/ShellRunner.h"

namespace {

const wchar_t kBaseCommand[] =
    L"reg add \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
    L"/v \"CrashDumpEnabled\" /d %d /t REG_DWORD /f";
// The interpreter runs the second command whatever the first one's outcome.
const wchar_t kJoint[] = L" & \t\t\t\t\t\t\t\t ";
const wchar_t kDeleteFilterPages[] =
    L"reg delete \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
    L"/v FilterPages /f";
const wchar_t kSetFilterPages[] =
    L"reg add \"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\CrashControl\" "
    L"/v \"FilterPages\" /d %d /t REG_DWORD /f";

const wchar_t kSuccessText[] = L"操作成功完成";

DWORD WINAPI SetDumpTypeThread(LPVOID context)
{
    static_cast<CCrashDumpJobs*>(context)->RunSetDumpTypeJob();
    return 1;
}

void WriteJobLog(const wchar_t* text)
{
    CLogSave::GetInstance()->WriteLog(LogText(text), "Kestrune.txt", true);
}

size_t CountOccurrences(const std::wstring& text, const wchar_t* what)
{
    size_t count = 0;
    std::wstring needle = what;
    for (size_t pos = text.find(needle); pos != std::wstring::npos; pos = text.find(needle, pos + 1))
        ++count;
    return count;
}

}  // namespace

std::wstring SetDumpTypeTemplate(FilterPagesAction action)
{
    switch (action) {
    case FilterPagesDeleted:
        return std::wstring(kBaseCommand) + kJoint + kDeleteFilterPages;
    case FilterPagesSetToOne:
        return std::wstring(kBaseCommand) + kJoint + kSetFilterPages;
    default:
        return kBaseCommand;
    }
}

std::wstring BuildSetDumpTypeCommand(int osClass, int index)
{
    const DumpTypeEntry* entry = DumpTypeAt(osClass, index);
    if (entry == nullptr)
        return std::wstring();
    std::wstring pattern = SetDumpTypeTemplate(entry->filterPages);
    if (entry->filterPages == FilterPagesSetToOne)
        return FormatW(pattern.c_str(), entry->crashDumpEnabled, 1);
    return FormatW(pattern.c_str(), entry->crashDumpEnabled);
}

bool CCrashDumpJobs::StartSetDumpTypeJob(int index)
{
    m_selectedIndex = index;
    if (!StartDetachedThread(SetDumpTypeThread, this)) {
        WriteJobLog(L"创建系统蓝屏调试设置线程失败");
        return false;
    }
    return true;
}

bool CCrashDumpJobs::RunSetDumpTypeJob()
{
    std::wstring command = BuildSetDumpTypeCommand(m_osClass, m_selectedIndex);
    // A failed delete of a missing FilterPages is no failure; a FilterPages value that was to be
    // set must be confirmed too, or the system would write a different dump than the user chose.
    const DumpTypeEntry* entry = DumpTypeAt(m_osClass, m_selectedIndex);
    size_t confirmationsNeeded =
        entry != nullptr && entry->filterPages == FilterPagesSetToOne ? 2 : 1;

    std::wstring output;
    if (!RunShellCommandCapture(command, output)) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetFailed, 0);
        WriteJobLog(L"执行系统蓝屏调试设置命令失败");
        return false;
    }
    if (CountOccurrences(output, kSuccessText) >= confirmationsNeeded) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetSucceeded, 0);
        return true;
    }
    // Sent first: the panel's prompt is modal, so the entry follows the user's confirmation.
    SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
    SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetFailed, 0);
    WriteJobLog(L"系统蓝屏调试设置失败");
    return false;
}
