#include "app/ShippedFiles.h"

#include <windows.h>

namespace {

// The companion library and its configuration, installed beside the executable.
const wchar_t* const kCompanionFiles[] = {
    L"OrlaviFeedbackInformation.dll",
    L"OrlaviFeedbackInformation.ini",
};

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

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
