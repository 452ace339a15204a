// The probe: do MEMORY.DMP or minidumps exist? It only looks.
#include "dump/CrashDumpJobs.h"
#include "fw/FileFind.h"
#include "fw/Thread.h"
#include "log/LogSave.h"
#include "sys/PlatformQueries.h"

namespace {

DWORD WINAPI DumpProbeThread(LPVOID context)
{
    static_cast<CCrashDumpJobs*>(context)->RunDumpProbeJob();
    return 1;
}

bool AnyMinidump(const std::wstring& windowsPath)
{
    CFileFind finder;
    // Entries are not checked for their type: a folder named x.dmp counts too.
    bool more = finder.FindFile(windowsPath + L"Minidump\\*.dmp");
    while (more) {
        if (!finder.IsDots())
            return true;
        more = finder.FindNextFile();
    }
    return false;
}

}  // namespace

bool CCrashDumpJobs::StartDumpProbeJob()
{
    if (!StartDetachedThread(DumpProbeThread, this)) {
        CLogSave::GetInstance()->WriteLog(LogText(L"创建获取系统蓝屏文件是否存在线程失败"),
                                          "Kestrune.txt", true);
        return false;
    }
    return true;
}

bool CCrashDumpJobs::RunDumpProbeJob()
{
    std::wstring windowsPath = GetWindowsPath();
    bool found = false;
    // Without the Windows folder there is nothing to look at: never look relative to the
    // current directory, which is usually the tool's own folder.
    if (!windowsPath.empty()) {
        if (PathExists(windowsPath + L"MEMORY.DMP"))
            found = true;
        if (AnyMinidump(windowsPath))
            found = true;
    }
    SendMessageW(m_hTargetWnd, WM_CLOSE_BUSY_PROMPT, 0, 0);
    if (found) {
        SendMessageW(m_hTargetWnd, WM_JOB_RESULT, DumpFilesPresent, 0);
        return true;
    }
    SendMessageW(m_hTargetWnd, WM_JOB_RESULT, DumpFilesAbsent, 0);
    CLogSave::GetInstance()->WriteLog(LogText(L"系统蓝屏文件不存在"), "Kestrune.txt", true);
    return true;
}
