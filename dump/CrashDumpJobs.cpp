#include "dump/CrashDumpJobs.h"
#include "dump/DumpCatalog.h"

#include <winternl.h>
#include <cstring>

bool CCrashDumpJobs::SetTargetWindow(HWND hWnd)
{
    if (hWnd == nullptr)
        return false;
    m_hTargetWnd = hWnd;
    return true;
}

bool CCrashDumpJobs::DetectOsClass()
{
    unsigned major = 0;
    unsigned minor = 0;
    ReadSystemVersion(major, minor);
    m_osClass = ClassifyVersion(major, minor);
    return IsSupportedOsClass(m_osClass);
}

void ReadSystemVersion(unsigned& major, unsigned& minor)
{
    // The version functions lie to a program whose manifest names no supported systems; the
    // process environment block holds the true numbers (OSMajorVersion, OSMinorVersion).
#ifdef _WIN64
    const size_t majorOffset = 0x118;
    const size_t minorOffset = 0x11C;
#else
    const size_t majorOffset = 0xA4;
    const size_t minorOffset = 0xA8;
#endif
    major = 0;
    minor = 0;
    PROCESS_BASIC_INFORMATION info = {};
    if (NtQueryInformationProcess(GetCurrentProcess(), ProcessBasicInformation, &info, sizeof(info),
                                  nullptr) != 0 ||
        info.PebBaseAddress == nullptr)
        return;
    const BYTE* peb = reinterpret_cast<const BYTE*>(info.PebBaseAddress);
    memcpy(&major, peb + majorOffset, sizeof(ULONG));
    memcpy(&minor, peb + minorOffset, sizeof(ULONG));
}
