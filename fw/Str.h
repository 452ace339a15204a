// Small string helpers: printf-style formatting, trimming, lenient integer parsing.
#pragma once
#include <string>

std::wstring FormatW(const wchar_t* format, ...);
std::string FormatA(const char* format, ...);
std::wstring TrimBlanks(const std::wstring& text);
// Leading decimal digits after an optional sign, 0 when there are none ("1abc" gives 1).
long long ParseLeadingInt(const std::wstring& text);
long long ParseLeadingInt(const std::string& text);
