// The job context that the tool panel embeds: the window that receives the jobs' messages, the
// dump type to set and the version class. The worker threads read it while they run.
#pragma once
#include "ui/popups/BusyMessages.h"

#include <windows.h>
#include <string>

#define WM_JOB_RESULT (WM_USER + 502)

enum JobResult {
    DumpFilesPresent = 1,
    DumpFilesAbsent = 2,
    ExportFolderFailed = 3,
    ExportFailed = 4,
    ExportSucceeded = 5,
    SetSucceeded = 6,
    SetFailed = 7,
};

class CCrashDumpJobs {
public:
    CCrashDumpJobs() = default;

    bool SetTargetWindow(HWND hWnd);
    // Classifies the running system from the version numbers in the process environment block;
    // true only for Win7 and Win10.
    bool DetectOsClass();

    // Each job runs on a detached worker thread and reports through WM_CLOSE_BUSY_PROMPT, then
    // WM_JOB_RESULT, both sent to m_hTargetWnd. Start returns false (and logs) when the thread
    // cannot be created; nothing is sent then.
    bool StartSetDumpTypeJob(int index);
    bool RunSetDumpTypeJob();
    bool StartDumpProbeJob();
    bool RunDumpProbeJob();
    bool StartExportJob();
    bool RunExportJob();

    HWND m_hTargetWnd = nullptr;
    int m_selectedIndex = 0;
    int m_osClass = 0;
};

enum FilterPagesAction : int;
// The command template of a FilterPages action, with its "%d" places.
std::wstring SetDumpTypeTemplate(FilterPagesAction action);
// The reg command line that sets the catalogue entry; empty for an index out of range.
std::wstring BuildSetDumpTypeCommand(int osClass, int index);

// The true (major, minor) version pair, read from the process environment block.
void ReadSystemVersion(unsigned& major, unsigned& minor);
