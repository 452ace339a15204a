// Run-time binding to the companion library "OrlaviFeedbackInformation.dll" in the program's
// folder: loads it, resolves its eleven exports and wraps each call with its types.
#pragma once
#include "feedback/FeedbackExports.h"

#include <windows.h>
#include <string>

class CFeedbackLibrary {
public:
    // The exports, in the order they are resolved.
    enum Export {
        kInitFreedbackDll,
        kFeedbackQuestion,
        kOpenUrl,
        kGetInterNetState,
        kCustomerFeedback,
        kCustomerFeedbackEx,
        kWriteCustomerFeedbackInfoFile,
        kGetToolIsNewVersion,
        kGetToolIsNewVersionDown,
        kOpenToolDownUrl,
        kOpenUseAgreementUrl,
        kExportCount
    };
    static const char* ExportName(int index);

    CFeedbackLibrary() = default;
    ~CFeedbackLibrary() { Free(); }
    CFeedbackLibrary(const CFeedbackLibrary&) = delete;
    CFeedbackLibrary& operator=(const CFeedbackLibrary&) = delete;

    // Loads the library from the executable's folder; false when the file does not load or at
    // the first export not found. The handle and the exports found so far stay.
    bool Load();
    // The same from another folder (no trailing backslash).
    bool LoadFrom(const std::wstring& folder);
    // Unloads the library (when loaded) and forgets every export.
    void Free();

    HMODULE Module() const { return m_hModule; }
    bool HasExport(int index) const;

    // Calls; an export that is not resolved answers 0.
    int InitFreedbackDll(FeedbackInitInfo* info) const;
    int FeedbackQuestion(const wchar_t* toolId, const wchar_t* version) const;
    // The address is handed over as a newly allocated system string, freed after the call.
    int OpenUrl(const wchar_t* url) const;
    int GetInterNetState() const;
    int CustomerFeedback(const wchar_t* toolId, const wchar_t* version, int kind) const;
    int CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int kind,
                           const wchar_t* timeText, const wchar_t* typeText) const;
    int WriteCustomerFeedbackInfoFile(const wchar_t* toolId, const wchar_t* version, int kind,
                                      const wchar_t* text) const;
    int GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version) const;
    int GetToolIsNewVersionDown(const wchar_t* toolId, const wchar_t* version,
                                const wchar_t* folder) const;
    int OpenToolDownUrl() const;
    int OpenUseAgreementUrl() const;

private:
    template <typename Proc>
    Proc Get(Export index) const
    {
        return reinterpret_cast<Proc>(reinterpret_cast<void*>(m_procs[index]));
    }

    HMODULE m_hModule = nullptr;
    FARPROC m_procs[kExportCount] = {};
};
