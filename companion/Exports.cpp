// The eleven exports. Each one reads the settings anew, does its work, and appends one line with
// its arguments and its answer to the call log. No exception leaves the library.
#include "companion/CompanionSettings.h"
#include "companion/DataFiles.h"
#include "companion/ShellOpen.h"
#include "companion/SourceFetch.h"
#include "companion/UpdateCheck.h"
#include "feedback/FeedbackExports.h"

#include <cwchar>
#include <string>
#include <type_traits>

namespace {

void LogCall(const wchar_t* name, const std::wstring& arguments, int result,
             const std::wstring& note)
{
    std::wstring line = NowStamp() + L" [pid " + std::to_wstring(GetCurrentProcessId()) + L"] " +
                        name + L"(" + arguments + L") = " + std::to_wstring(result);
    if (!note.empty())
        line += L" | " + note;
    AppendCallLogLine(line);
}

std::wstring ToolArguments(const wchar_t* toolId, const wchar_t* version)
{
    return QuoteArgument(toolId) + L", " + QuoteArgument(version);
}

template <typename Body>
int Guarded(Body body)
{
    try {
        return body();
    } catch (...) {
        return 0;
    }
}

void CopyField(wchar_t* field, const std::wstring& value)
{
    size_t count = value.size() < FEEDBACK_INFO_CHARS - 1 ? value.size() : FEEDBACK_INFO_CHARS - 1;
    wmemcpy(field, value.data(), count);
    field[count] = 0;
}

// One line of feedback.txt; false (nothing written) without a tool id.
bool RecordFeedback(const wchar_t* from, const wchar_t* toolId, const wchar_t* version, int kind,
                    const std::wstring& timeText, const wchar_t* typeText, const wchar_t* text,
                    std::wstring& note)
{
    if (toolId == nullptr || *toolId == 0) {
        note = L"no tool id: nothing recorded";
        return false;
    }
    std::wstring record = L"at=" + NowStamp() + L"\tfrom=" + from +
                          L"\tpid=" + std::to_wstring(GetCurrentProcessId()) +
                          L"\ttool=" + RecordValue(toolId) + L"\tversion=" + RecordValue(version) +
                          L"\tkind=" + std::to_wstring(kind) + L"\ttime=" +
                          RecordValue(timeText.c_str()) + L"\ttype=" + RecordValue(typeText) +
                          L"\ttext=" + RecordValue(text);
    if (!AppendFeedbackRecord(record)) {
        note = L"feedback file cannot be written";
        return false;
    }
    note = L"recorded in " + QuoteArgument((DataFolder() + L"\\feedback.txt").c_str());
    return true;
}

// Percent-encodes a value for a query string (UTF-8), keeping the unreserved characters.
std::wstring EncodeQueryValue(const wchar_t* text)
{
    std::wstring encoded;
    if (text == nullptr)
        return encoded;
    int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 1, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, -1, &bytes[0], size, nullptr, nullptr);
    bytes.resize(bytes.size() - 1);
    for (unsigned char c : bytes) {
        if ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
            c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += static_cast<wchar_t>(c);
        } else {
            wchar_t hex[4];
            swprintf(hex, 4, L"%%%02X", c);
            encoded += hex;
        }
    }
    return encoded;
}

void ReplaceAll(std::wstring& text, const std::wstring& from, const std::wstring& to)
{
    for (size_t pos = text.find(from); pos != std::wstring::npos; pos = text.find(from, pos + to.size()))
        text.replace(pos, from.size(), to);
}

int OpenPage(const wchar_t* name, const std::wstring& arguments, const std::wstring& target,
             bool logOnly)
{
    std::wstring note;
    int result = OpenThroughShell(target, logOnly, note) ? 1 : 0;
    LogCall(name, arguments, result, note);
    return result;
}

}  // namespace

extern "C" {

int __cdecl InitFreedbackDll(FeedbackInitInfo* info)
{
    return Guarded([&] {
        wchar_t pointer[32];
        swprintf(pointer, 32, L"0x%p", static_cast<void*>(info));
        if (info == nullptr) {
            LogCall(L"InitFreedbackDll", L"null", 0, L"no block to fill");
            return 0;
        }
        CompanionSettings settings = ReadCompanionSettings();
        CopyField(info->szDownloadUrl, settings.downloadUrl);
        CopyField(info->szAgreementUrl, settings.agreementUrl);
        CopyField(info->szFeedbackUrl, settings.feedbackUrl);
        CopyField(info->szMoreToolsUrl, settings.moreToolsUrl);
        CopyField(info->szDataFolder, DataFolder());
        CopyField(info->szLibraryVersion, LibraryVersionText());
        LogCall(L"InitFreedbackDll", pointer, 1,
                L"more tools " + QuoteArgument(info->szMoreToolsUrl));
        return 1;
    });
}

int __cdecl FeedbackQuestion(const wchar_t* toolId, const wchar_t* version)
{
    return Guarded([&] {
        CompanionSettings settings = ReadCompanionSettings();
        std::wstring target = settings.feedbackUrl;
        ReplaceAll(target, L"{tool}", EncodeQueryValue(toolId));
        ReplaceAll(target, L"{version}", EncodeQueryValue(version));
        return OpenPage(L"FeedbackQuestion", ToolArguments(toolId, version), target,
                        settings.logOnly);
    });
}

int __cdecl OpenUrl(BSTR url)
{
    return Guarded([&] {
        std::wstring address = url != nullptr ? std::wstring(url, SysStringLen(url)) : L"";
        std::wstring arguments = QuoteArgument(url != nullptr ? address.c_str() : nullptr);
        // Only web pages: the address comes from the caller, not from the library's own file.
        if (!IsWebAddress(address)) {
            LogCall(L"OpenUrl", arguments, 0, L"refused: not a web address");
            return 0;
        }
        return OpenPage(L"OpenUrl", arguments, address, ReadCompanionSettings().logOnly);
    });
}

int __cdecl GetInterNetState(void)
{
    return Guarded([&] {
        CompanionSettings settings = ReadCompanionSettings();
        std::wstring why;
        int result = 0;
        if (!IsWebAddress(settings.manifest)) {
            why = L"no web manifest configured";
        } else if (ProbeWebAddress(settings.manifest, settings.timeoutMs, why)) {
            result = 1;
            why = L"host of " + QuoteArgument(settings.manifest.c_str()) + L" answers";
        } else {
            why = L"host of " + QuoteArgument(settings.manifest.c_str()) + L": " + why;
        }
        LogCall(L"GetInterNetState", L"", result, why);
        return result;
    });
}

int __cdecl CustomerFeedback(const wchar_t* toolId, const wchar_t* version, int kind)
{
    return Guarded([&] {
        std::wstring note;
        int result = RecordFeedback(L"CustomerFeedback", toolId, version, kind, NowSecondsText(),
                                    L"", L"", note) ? 1 : 0;
        LogCall(L"CustomerFeedback", ToolArguments(toolId, version) + L", " + std::to_wstring(kind),
                result, note);
        return result;
    });
}

int __cdecl CustomerFeedbackEx(const wchar_t* toolId, const wchar_t* version, int kind,
                               const wchar_t* timeText, const wchar_t* typeText)
{
    return Guarded([&] {
        std::wstring note;
        int result = RecordFeedback(L"CustomerFeedbackEx", toolId, version, kind,
                                    timeText != nullptr ? timeText : L"", typeText, L"", note)
                         ? 1 : 0;
        LogCall(L"CustomerFeedbackEx",
                ToolArguments(toolId, version) + L", " + std::to_wstring(kind) + L", " +
                    QuoteArgument(timeText) + L", " + QuoteArgument(typeText),
                result, note);
        return result;
    });
}

int __cdecl WriteCustomerFeedbackInfoFile(const wchar_t* toolId, const wchar_t* version, int kind,
                                          const wchar_t* text)
{
    return Guarded([&] {
        std::wstring note;
        int result = RecordFeedback(L"WriteCustomerFeedbackInfoFile", toolId, version, kind,
                                    NowSecondsText(), L"", text, note) ? 1 : 0;
        LogCall(L"WriteCustomerFeedbackInfoFile",
                ToolArguments(toolId, version) + L", " + std::to_wstring(kind) + L", " +
                    QuoteArgument(text),
                result, note);
        return result;
    });
}

int __cdecl GetToolIsNewVersion(const wchar_t* toolId, const wchar_t* version)
{
    return Guarded([&] {
        std::wstring note;
        int result = CheckForNewVersion(ReadCompanionSettings(), toolId, version, note);
        LogCall(L"GetToolIsNewVersion", ToolArguments(toolId, version), result, note);
        return result;
    });
}

int __cdecl GetToolIsNewVersionDown(const wchar_t* toolId, const wchar_t* version,
                                    const wchar_t* folder)
{
    return Guarded([&] {
        std::wstring note;
        int result = DownloadNewVersion(ReadCompanionSettings(), toolId, version, folder, note);
        LogCall(L"GetToolIsNewVersionDown",
                ToolArguments(toolId, version) + L", " + QuoteArgument(folder), result, note);
        return result;
    });
}

int __cdecl OpenToolDownUrl(void)
{
    return Guarded([&] {
        CompanionSettings settings = ReadCompanionSettings();
        return OpenPage(L"OpenToolDownUrl", L"", settings.downloadUrl, settings.logOnly);
    });
}

int __cdecl OpenUseAgreementUrl(void)
{
    return Guarded([&] {
        CompanionSettings settings = ReadCompanionSettings();
        return OpenPage(L"OpenUseAgreementUrl", L"", settings.agreementUrl, settings.logOnly);
    });
}

}  // extern "C"

// The definitions have exactly the types the binding calls them through.
static_assert(std::is_same<decltype(&InitFreedbackDll), InitFreedbackDllProc>::value, "");
static_assert(std::is_same<decltype(&FeedbackQuestion), FeedbackQuestionProc>::value, "");
static_assert(std::is_same<decltype(&OpenUrl), OpenUrlProc>::value, "");
static_assert(std::is_same<decltype(&GetInterNetState), GetInterNetStateProc>::value, "");
static_assert(std::is_same<decltype(&CustomerFeedback), CustomerFeedbackProc>::value, "");
static_assert(std::is_same<decltype(&CustomerFeedbackEx), CustomerFeedbackExProc>::value, "");
static_assert(std::is_same<decltype(&WriteCustomerFeedbackInfoFile),
                           WriteCustomerFeedbackInfoFileProc>::value, "");
static_assert(std::is_same<decltype(&GetToolIsNewVersion), GetToolIsNewVersionProc>::value, "");
static_assert(std::is_same<decltype(&GetToolIsNewVersionDown),
                           GetToolIsNewVersionDownProc>::value, "");
static_assert(std::is_same<decltype(&OpenToolDownUrl), OpenToolDownUrlProc>::value, "");
static_assert(std::is_same<decltype(&OpenUseAgreementUrl), OpenUseAgreementUrlProc>::value, "");
