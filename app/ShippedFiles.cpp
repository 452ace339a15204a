#include "app/ShippedFiles.h"

#include "fw/SystemFunction.h"

#include <windows.h>

namespace {

// The companion library and its configuration, installed beside the executable.
const wchar_t* const kCompanionFiles[] = {
    L"OrlaviFeedbackInformation.dll",
    L"OrlaviFeedbackInformation.ini",
};

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return SameFileName(a.c_str(), a.size(), b.c_str(), b.size());
}

wchar_t UpperCase(wchar_t c)
{
    CharUpperBuffW(&c, 1);
    return c;
}

}  // namespace

bool SameFileName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength)
{
    using CompareOrdinal = int(WINAPI*)(LPCWSTR, int, LPCWSTR, int, BOOL);
    static const CompareOrdinal compare =
        FindSystemFunction<CompareOrdinal>(L"kernel32.dll", "CompareStringOrdinal");
    if (compare != nullptr)
        return compare(a, static_cast<int>(aLength), b, static_cast<int>(bLength), TRUE) == CSTR_EQUAL;
    // Windows XP: character by character through the system's upper-case table.
    if (aLength != bLength)
        return false;
    for (size_t i = 0; i < aLength; ++i) {
        if (a[i] != b[i] && UpperCase(a[i]) != UpperCase(b[i]))
            return false;
    }
    return true;
}

bool IsShippedFileName(const std::wstring& fileName, const std::wstring& moduleFileName)
{
    if (!moduleFileName.empty() && SameName(fileName, moduleFileName))
        return true;
    for (const wchar_t* name : kCompanionFiles) {
        if (SameName(fileName, name))
            return true;
    }
    return false;
}
