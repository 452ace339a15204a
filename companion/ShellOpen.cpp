#include "companion/ShellOpen.h"
#include "companion/DataFiles.h"

#include <windows.h>
#include <objbase.h>
#include <shellapi.h>

bool OpenThroughShell(const std::wstring& target, bool logOnly, std::wstring& note)
{
    const wchar_t* targetText = target.c_str();
    if (target.empty()) {
        note = L"nothing to open";
        return false;
    }
    if (logOnly) {
        note = L"open " + QuoteArgument(targetText) + L" logged only";
        return true;
    }
    // The shell may hand the address to components that need COM on this thread.
    HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    HINSTANCE result = ShellExecuteW(nullptr, L"open", targetText, nullptr, nullptr, SW_SHOWNORMAL);
    if (SUCCEEDED(com))
        CoUninitialize();
    INT_PTR code = reinterpret_cast<INT_PTR>(result);
    note = L"open " + QuoteArgument(targetText) +
           (code > 32 ? std::wstring(L" done") : L" failed (" + std::to_wstring(code) + L")");
    return code > 32;
}
