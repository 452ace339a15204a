// Functions of newer Windows versions, looked up at run time: imported, they would keep the
// program from loading at all on Windows XP and Vista, where it must still show its refusal.
#pragma once
#include <windows.h>

// The function's address in an already loaded system module ("kernel32.dll"), or null where this
// Windows does not have it.
template <typename Function>
Function FindSystemFunction(const wchar_t* module, const char* name)
{
    HMODULE handle = GetModuleHandleW(module);
    if (handle == nullptr)
        return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}
