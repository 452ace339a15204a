#include "dump/DumpCatalog.h"

namespace {

struct VersionClass {
    unsigned major;
    unsigned minor;
    OsClass osClass;
};

const VersionClass kVersions[] = {
    {5, 0, Win2000}, {5, 1, WinXP}, {5, 2, Win2003}, {6, 0, WinVista},
    {6, 1, Win7},    {6, 2, Win8},  {6, 3, Win81},   {10, 0, Win10},
};

// Index order is the list order, which is not the numeric order of CrashDumpEnabled.
const DumpTypeEntry kWin10Types[] = {
    {L"无", 0, FilterPagesDeleted},
    {L"小内存转储", 3, FilterPagesDeleted},
    {L"完全内存转储", 1, FilterPagesDeleted},
    {L"核心内存转储", 2, FilterPagesDeleted},
    {L"自动内存转储", 7, FilterPagesDeleted},
    {L"活动内存转储", 1, FilterPagesSetToOne},
};

const DumpTypeEntry kWin7Types[] = {
    {L"无", 0, FilterPagesUntouched},
    {L"小内存转储", 3, FilterPagesUntouched},
    {L"完全内存转储", 1, FilterPagesUntouched},
    {L"核心内存转储", 2, FilterPagesUntouched},
};

}  // namespace

OsClass ClassifyVersion(unsigned major, unsigned minor)
{
    for (const VersionClass& v : kVersions) {
        if (v.major == major && v.minor == minor)
            return v.osClass;
    }
    return Unrecognised;
}

bool IsSupportedOsClass(int osClass)
{
    return osClass == Win7 || osClass == Win10;
}

int DumpTypeCount(int osClass)
{
    return osClass == Win10 ? 6 : 4;
}

const DumpTypeEntry* DumpTypeAt(int osClass, int index)
{
    if (index < 0 || index >= DumpTypeCount(osClass))
        return nullptr;
    return osClass == Win10 ? &kWin10Types[index] : &kWin7Types[index];
}
