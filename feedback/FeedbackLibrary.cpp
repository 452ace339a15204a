#include "feedback/FeedbackLibrary.h"
#include "fw/SystemFunction.h"
#include "sys/PlatformQueries.h"

#include <oleauto.h>

namespace {

const char* const kExportNames[CFeedbackLibrary::kExportCount] = {
    "InitFreedbackDll",   "FeedbackQuestion",        "OpenUrl",
    "GetInterNetState",   "CustomerFeedback",        "CustomerFeedbackEx",
    "WriteCustomerFeedbackInfoFile", "GetToolIsNewVersion", "GetToolIsNewVersionDown",
    "OpenToolDownUrl",    "OpenUseAgreementUrl",
};

const wchar_t kLibraryFileName[] = L"OrlaviFeedbackInformation.dll";

}  // namespace

const char* CFeedbackLibrary::ExportName(int index)
{
    return index >= 0 && index < kExportCount ? kExportNames[index] : nullptr;
}

bool CFeedbackLibrary::Load()
{
    return LoadFrom(GetModuleFolder());
}

bool CFeedbackLibrary::LoadFrom(const std::wstring& folder)
{
    Free();
    std::wstring path = folder + L"\\" + kLibraryFileName;
    // A damaged file must come back as an error, never as a system message box.
    using SetThreadErrorModeFn = BOOL(WINAPI*)(DWORD, LPDWORD);
    static const SetThreadErrorModeFn setThreadErrorMode =
        FindSystemFunction<SetThreadErrorModeFn>(L"kernel32.dll", "SetThreadErrorMode");
    const UINT quiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
    DWORD oldMode = 0;
    if (setThreadErrorMode != nullptr)
        setThreadErrorMode(quiet, &oldMode);
    else
        oldMode = SetErrorMode(quiet);  // Windows XP and Vista: the process-wide mode
    m_hModule = LoadLibraryW(path.c_str());
    if (setThreadErrorMode != nullptr)
        setThreadErrorMode(oldMode, nullptr);
    else
        SetErrorMode(oldMode);
    if (m_hModule == nullptr)
        return false;
    for (int i = 0; i < kExportCount; ++i) {
        m_procs[i] = GetProcAddress(m_hModule, kExportNames[i]);
        if (m_procs[i] == nullptr)
            return false;
    }
    return true;
}

void CFeedbackLibrary::Free()
{
    if (m_hModule != nullptr)
        FreeLibrary(m_hModule);
    m_hModule = nullptr;
    for (FARPROC& proc : m_procs)
        proc = nullptr;
}

bool CFeedbackLibrary::HasExport(int index) const
{
    return index >= 0 && index < kExportCount && m_procs[index] != nullptr;
}

int CFeedbackLibrary::InitFreedbackDll(FeedbackInitInfo* info) const
{
    auto proc = Get<InitFreedbackDllProc>(kInitFreedbackDll);
    return proc != nullptr ? proc(info) : 0;
}

int CFeedbackLibrary::FeedbackQuestion(const wchar_t* toolId, const wchar_t* version) const
{
    auto proc = Get<FeedbackQuestionProc>(kFeedbackQuestion);
    return proc != nullptr ? proc(toolId, version) : 0;
}

int CFeedbackLibrary::OpenUrl(const wchar_t* url) const
{
    auto proc = Get<OpenUrlProc>(kOpenUrl);
    if (proc == nullptr)
        return 0;
    BSTR text = SysAllocString(url != nullptr ? url : L"");
    if (text == nullptr)
        return 0;
    int result = proc(text);
    SysFreeString(text);
    return result;
}

int CFeedbackLibrary::GetInterNetState() const
{
    auto proc = Get<GetInterNetStateProc>(kGetInterNetState);
    return proc != nullptr ? proc() : 0;
}

int CFeedbackLibrary::CustomerFeedback(const wchar_t* toolId, const wchar_t* version,
                                       int kind) const
{
    auto proc = Get<CustomerFeedbackProc>(kCustomerFeedback);
    return proc != nullptr ? proc(toolId, version, kind) : 0;
}

int CFeedbackLibrary::CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int kind,
                                         const wchar_t* timeText, const wchar_t* typeText) const
{
    auto proc = Get<CustomerFeedbackExProc>(kCustomerFeedbackEx);
    return proc != nullptr ? proc(toolId, version, kind, timeText, typeText) : 0;
}

int CFeedbackLibrary::WriteCustomerFeedbackInfoFile(const wchar_t* toolId, const wchar_t* version,
                                                    int kind, const wchar_t* text) const
{
    auto proc = Get<WriteCustomerFeedbackInfoFileProc>(kWriteCustomerFeedbackInfoFile);
    return proc != nullptr ? proc(toolId, version, kind, text) : 0;
}

int CFeedbackLibrary::GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version) const
{
    auto proc = Get<GetToolIsNewVersionProc>(kGetToolIsNewVersion);
    return proc != nullptr ? proc(toolId, version) : 0;
}

int CFeedbackLibrary::GetToolIsNewVersionDown(const wchar_t* toolId, const wchar_t* version,
                                              const wchar_t* folder) const
{
    auto proc = Get<GetToolIsNewVersionDownProc>(kGetToolIsNewVersionDown);
    return proc != nullptr ? proc(toolId, version, folder) : 0;
}

int CFeedbackLibrary::OpenToolDownUrl() const
{
    auto proc = Get<OpenToolDownUrlProc>(kOpenToolDownUrl);
    return proc != nullptr ? proc() : 0;
}

int CFeedbackLibrary::OpenUseAgreementUrl() const
{
    auto proc = Get<OpenUseAgreementUrlProc>(kOpenUseAgreementUrl);
    return proc != nullptr ? proc() : 0;
}
