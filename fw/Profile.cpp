#include "fw/Profile.h"
#include "fw/Str.h"

#include <windows.h>

std::wstring ReadIniString(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                           const wchar_t* defaultValue)
{
    wchar_t buffer[100] = {};
    GetPrivateProfileStringW(section, key, defaultValue, buffer, 100, path.c_str());
    return TrimBlanks(buffer);
}
