// Platform queries the jobs need: special folders, level-by-level directory creation, USB drive
// roots, and text conversion. No state, no exceptions: failures are empty strings or false.
#pragma once
#include <windows.h>
#include <list>
#include <string>

std::wstring GetDesktopPath();        // with trailing backslash, or empty
std::wstring GetWindowsPath();        // with trailing backslash, or empty
std::wstring GetCommonAppDataPath();  // with trailing backslash, or empty
std::wstring GetTempFolderPath();     // with trailing backslash, or empty
// Full path of the running module's folder, without trailing backslash.
std::wstring GetModuleFolder();

// Creates each missing level from the left; false when a level cannot be made. A path without a
// backslash, or with a leading or doubled one, ends the walk early with true.
bool CreateDirectoryTree(std::wstring path);

// A REG_DWORD under HKEY_LOCAL_MACHINE, read-only in the 64-bit view (a 32-bit process on 64-bit
// Windows would otherwise see the WOW64 copy of redirected keys).
enum class RegValueState { Present, Absent, Unreadable };
RegValueState ReadMachineDword(const wchar_t* key, const wchar_t* name, DWORD& value);

bool IsUsbVolume(wchar_t driveLetter);
// Appends the roots ("E:\") of drives on a USB bus; true when the list is not empty afterwards.
bool ListUsbDriveRoots(std::list<std::wstring>& roots);

std::string WideToNarrow(const std::wstring& text);  // ANSI code page
// Newly allocated with malloc, owned by the caller; converted with the C library under its locale.
wchar_t* NarrowToWide(std::string text);

// Conversions with an explicit code page, for the log writer.
std::wstring AnsiToWide(const std::string& text);
std::string WideToCodePage(const std::wstring& text, UINT codePage);

// The pieces of the USB query that tests drive directly, and the seam that replaces the volume
// probe (Wine reports no USB bus).
void ParseDriveStrings(const wchar_t* buffer, DWORD count, std::list<std::wstring>& roots);
bool DescriptorIsUsb(const BYTE* answer, DWORD size);
using UsbVolumeProbe = bool (*)(wchar_t driveLetter);
void SetUsbVolumeProbeForTests(UsbVolumeProbe probe);  // nullptr restores IsUsbVolume

// Seam for folder lookups that Wine always answers: a hook returning true supplies the answer
// (an empty path stands for a failed lookup).
using SpecialFolderHook = bool (*)(int csidl, std::wstring& path);
void SetSpecialFolderHookForTests(SpecialFolderHook hook);  // nullptr restores the shell
