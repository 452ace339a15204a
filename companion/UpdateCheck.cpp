#include "companion/UpdateCheck.h"
#include "companion/DataFiles.h"
#include "companion/SourceFetch.h"
#include "companion/VersionManifest.h"
#include "feedback/FeedbackExports.h"

#include <shlobj.h>

namespace {

const unsigned long long kManifestLimit = 64 * 1024;
const unsigned long long kPackageLimit = 512ull * 1024 * 1024;

// Tool ids and versions are plain ASCII; anything else cannot match a manifest line.
bool ToAscii(const wchar_t* text, std::string& ascii)
{
    ascii.clear();
    if (text == nullptr)
        return false;
    for (const wchar_t* c = text; *c != 0; ++c) {
        if (*c > 0x7E || *c < 0x20)
            return false;
        ascii += static_cast<char>(*c);
    }
    return true;
}

std::wstring FromUtf8(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
    std::wstring text(size > 0 ? size : 0, L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                            size);
    return text;
}

int Lookup(const CompanionSettings& settings, const wchar_t* toolId, const wchar_t* version,
           ManifestEntry& newest, std::wstring& note)
{
    std::string id;
    std::string running;
    ToolVersion runningVersion;
    if (!ToAscii(toolId, id) || !IsValidToolId(id) || !ToAscii(version, running) ||
        !ParseToolVersion(running, runningVersion)) {
        note = L"invalid tool id or version";
        return FEEDBACK_CHECK_FAILED;
    }
    if (settings.manifest.empty()) {
        note = L"no manifest configured";
        return FEEDBACK_CHECK_FAILED;
    }
    note = L"manifest " + QuoteArgument(settings.manifest.c_str()) + L": ";
    std::string text;
    std::wstring why;
    if (!FetchText(settings.manifest, kManifestLimit, settings.timeoutMs, text, why)) {
        note += why;
        return FEEDBACK_CHECK_FAILED;
    }
    std::vector<ManifestEntry> entries;
    if (!ParseManifest(text, entries)) {
        note += L"malformed";
        return FEEDBACK_CHECK_FAILED;
    }
    if (!FindNewestEntry(entries, id, newest)) {
        note += L"tool not listed";
        return FEEDBACK_TOOL_UNLISTED;
    }
    note += L"newest " + FromUtf8(newest.versionText);
    return CompareToolVersions(newest.version, runningVersion) > 0 ? FEEDBACK_NEWER_VERSION
                                                                   : FEEDBACK_UP_TO_DATE;
}

}  // namespace

int CheckForNewVersion(const CompanionSettings& settings, const wchar_t* toolId,
                       const wchar_t* version, std::wstring& note)
{
    ManifestEntry newest;
    return Lookup(settings, toolId, version, newest, note);
}

std::wstring PackageFileName(const std::wstring& address, const std::wstring& fallback)
{
    std::wstring name = address;
    if (IsWebAddress(name)) {
        size_t end = name.find_first_of(L"?#");
        if (end != std::wstring::npos)
            name.erase(end);
    }
    size_t slash = name.find_last_of(L"/\\");
    if (slash != std::wstring::npos)
        name.erase(0, slash + 1);
    for (wchar_t& c : name) {
        if (c < 0x20 || wcschr(L"<>:\"/\\|?*", c) != nullptr)
            c = L'_';
    }
    if (name.empty() || name == L"." || name == L"..")
        return fallback;
    return name;
}

int DownloadNewVersion(const CompanionSettings& settings, const wchar_t* toolId,
                       const wchar_t* version, const wchar_t* folder, std::wstring& note)
{
    ManifestEntry newest;
    int answer = Lookup(settings, toolId, version, newest, note);
    if (answer != FEEDBACK_NEWER_VERSION)
        return answer;
    if (newest.package.empty()) {
        note += L"; no package listed";
        return FEEDBACK_CHECK_FAILED;
    }
    std::wstring package = ResolveSource(FromUtf8(newest.package));
    std::wstring target = folder != nullptr && *folder != 0 ? folder : DataFolder() + L"\\Downloads";
    while (target.size() > 3 && target.back() == L'\\')
        target.pop_back();
    SHCreateDirectoryExW(nullptr, target.c_str(), nullptr);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        note += L"; folder " + QuoteArgument(target.c_str()) + L" cannot be made";
        return FEEDBACK_CHECK_FAILED;
    }
    std::wstring fallback = std::wstring(toolId) + L"-" + FromUtf8(newest.versionText) + L".pkg";
    if (target.back() != L'\\')
        target += L'\\';
    target += PackageFileName(package, fallback);
    std::wstring why;
    if (!FetchToFile(package, target, kPackageLimit, settings.downloadTimeoutMs, why)) {
        note += L"; package " + QuoteArgument(package.c_str()) + L": " + why;
        return FEEDBACK_CHECK_FAILED;
    }
    note += L"; saved " + QuoteArgument(target.c_str());
    return FEEDBACK_NEWER_VERSION;
}
