// Kestrune entry point.
#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"
#include "fw/Str.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    CCrashDumpJobs jobs;
    bool supported = jobs.DetectOsClass();
    unsigned major = 0;
    unsigned minor = 0;
    ReadSystemVersion(major, minor);

    std::wstring text = FormatW(L"系统版本 %u.%u，类别 %d\n", major, minor, jobs.m_osClass);
    if (!supported) {
        MessageBoxW(nullptr, (text + L"此工具不支持当前系统").c_str(), L"Kestrune", MB_OK);
        return 0;
    }
    text += L"可设置的转储类型：\n";
    for (int i = 0; i < DumpTypeCount(jobs.m_osClass); ++i)
        text += FormatW(L"%d  %ls\n", i, DumpTypeAt(jobs.m_osClass, i)->text);
    MessageBoxW(nullptr, text.c_str(), L"Kestrune", MB_OK);
    return 0;
}
