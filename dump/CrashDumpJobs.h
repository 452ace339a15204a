// The job context that the tool panel embeds: the window that receives the jobs' messages, the
// dump type to set and the version class. The worker threads read it while they run.
#pragma once
#include <windows.h>

#define WM_CLOSE_BUSY_PROMPT (WM_USER + 501)
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

    HWND m_hTargetWnd = nullptr;
    int m_selectedIndex = 0;
    int m_osClass = 0;
};

// The true (major, minor) version pair, read from the process environment block.
void ReadSystemVersion(unsigned& major, unsigned& minor);
