#include "fw/Str.h"

#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <vector>

std::wstring FormatW(const wchar_t* format, ...)
{
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int written = vswprintf(buffer.data(), buffer.size(), format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < buffer.size())
            return std::wstring(buffer.data(), written);
        if (buffer.size() > (1u << 24))
            return std::wstring();
        buffer.resize(buffer.size() * 2);
    }
}

std::string FormatA(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int needed = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string result;
    if (needed > 0) {
        std::vector<char> buffer(needed + 1);
        vsnprintf(buffer.data(), buffer.size(), format, args);
        result.assign(buffer.data(), needed);
    }
    va_end(args);
    return result;
}

std::wstring TrimBlanks(const std::wstring& text)
{
    const wchar_t* blanks = L" \t\r\n";
    size_t first = text.find_first_not_of(blanks);
    if (first == std::wstring::npos)
        return std::wstring();
    size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

template <typename String>
static long long ParseLeadingIntOf(const String& text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        if (value > 100000000000000000LL)
            break;  // far beyond any 32-bit value; stop before overflow
        value = value * 10 + (text[i] - '0');
    }
    return negative ? -value : value;
}

long long ParseLeadingInt(const std::wstring& text) { return ParseLeadingIntOf(text); }
long long ParseLeadingInt(const std::string& text) { return ParseLeadingIntOf(text); }
