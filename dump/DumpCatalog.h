// Windows version classes and the crash-dump types offered for each, with their registry values.
#pragma once

enum OsClass {
    Unrecognised = 0,
    Win2000 = 3,
    WinXP = 4,
    Win2003 = 5,
    WinVista = 6,
    Win7 = 7,
    Win8 = 8,
    Win81 = 9,
    Win10 = 10,
};

enum FilterPagesAction : int {
    FilterPagesUntouched,
    FilterPagesDeleted,
    FilterPagesSetToOne,
};

struct DumpTypeEntry {
    const wchar_t* text;            // the list entry the user sees
    int crashDumpEnabled;           // REG_DWORD CrashDumpEnabled
    FilterPagesAction filterPages;  // what happens to FilterPages
};

// The class of a (major, minor) version pair; Unrecognised when the pair is not listed.
OsClass ClassifyVersion(unsigned major, unsigned minor);
bool IsSupportedOsClass(int osClass);

// Number of catalogue entries of the class: six for Win10, four for every other class.
int DumpTypeCount(int osClass);
// Entry at index for the class, or nullptr when the index is out of range.
const DumpTypeEntry* DumpTypeAt(int osClass, int index);
