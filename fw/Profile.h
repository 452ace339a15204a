// INI reading through the system's private-profile reader.
#pragma once
#include <string>

// The value with blanks around it removed; at most 99 characters, as the reader's buffer holds 100.
std::wstring ReadIniString(const std::wstring& path, const wchar_t* section, const wchar_t* key,
                           const wchar_t* defaultValue);
