// The set job: writes the crash-control values of the picked dump type through reg command lines.
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "fw/Str.h"
#include "fw/Thread.h"
#include "log/LogSave.h"
#include "sys/PlatformQueries.h"
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

const wchar_t kCrashControlKey[] = L"SYSTEM\\CurrentControlSet\\Control\\CrashControl";
const size_t kMaxLoggedOutput = 400;  // characters of reg's output kept in the entry

DWORD WINAPI SetDumpTypeThread(LPVOID context)
{
    static_cast<CCrashDumpJobs*>(context)->RunSetDumpTypeJob();
    return 1;
}

void WriteJobLog(const wchar_t* text)
{
    CLogSave::GetInstance()->WriteLog(LogText(text), "Kestrune.txt", true);
}

std::wstring DescribeValue(const wchar_t* name, RegValueState state, DWORD value)
{
    if (state == RegValueState::Present)
        return FormatW(L"%ls=%lu", name, static_cast<unsigned long>(value));
    return std::wstring(name) + (state == RegValueState::Absent ? L"=不存在" : L"=无法读取");
}

// Whether the registry now holds what the entry asks for; held names what it holds.
bool CrashControlHolds(const DumpTypeEntry& entry, std::wstring& held)
{
    DWORD enabled = 0;
    RegValueState enabledState = ReadMachineDword(kCrashControlKey, L"CrashDumpEnabled", enabled);
    held = DescribeValue(L"CrashDumpEnabled", enabledState, enabled);
    bool holds = enabledState == RegValueState::Present &&
                 enabled == static_cast<DWORD>(entry.crashDumpEnabled);
    if (entry.filterPages == FilterPagesUntouched)
        return holds;
    DWORD pages = 0;
    RegValueState pagesState = ReadMachineDword(kCrashControlKey, L"FilterPages", pages);
    held += L"，" + DescribeValue(L"FilterPages", pagesState, pages);
    if (entry.filterPages == FilterPagesDeleted)
        return holds && pagesState == RegValueState::Absent;
    return holds && pagesState == RegValueState::Present && pages == 1;
}

// One log line: line ends become blanks, and the text is cut.
std::wstring OneLine(const std::wstring& text, size_t maxLength)
{
    std::wstring line;
    for (wchar_t c : text) {
        if (line.size() >= maxLength)
            break;
        bool blank = c == L'\r' || c == L'\n' || c == L'\t';
        if (!(blank && (line.empty() || line.back() == L' ')))
            line += blank ? L' ' : c;
    }
    if (!line.empty() && line.back() == L' ')
        line.pop_back();
    return line;
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
    const DumpTypeEntry* entry = DumpTypeAt(m_osClass, m_selectedIndex);

    std::wstring output;
    if (!RunShellCommandCapture(command, output)) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetFailed, 0);
        WriteJobLog(L"执行系统蓝屏调试设置命令失败");
        return false;
    }
    // What reg printed says nothing reliable: its text depends on the system's language, and of
    // two joined commands either may have failed. The registry itself tells what the system will do.
    std::wstring held;
    if (entry != nullptr && CrashControlHolds(*entry, held)) {
        SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetSucceeded, 0);
        return true;
    }
    // Sent first: the panel's prompt is modal, so the entries follow the user's confirmation.
    SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
    SendMessageW(m_hTargetWnd, WM_JOB_RESULT, SetFailed, 0);
    WriteJobLog(L"系统蓝屏调试设置失败");
    if (entry != nullptr)
        WriteJobLog((L"系统蓝屏调试设置未生效：" + held + L"；reg：" +
                     OneLine(output, kMaxLoggedOutput)).c_str());
    return false;
}
