// What the companion library reads from "OrlaviFeedbackInformation.ini" beside itself, read anew
// at every call so that an edited file counts at once.
#pragma once
#include <windows.h>
#include <string>

struct CompanionSettings {
    std::wstring manifest;       // resolved source: a web address, a full path, or empty
    DWORD timeoutMs = 3000;      // the one limit for a whole manifest request
    DWORD downloadTimeoutMs = 120000;
    std::wstring downloadUrl;
    std::wstring agreementUrl;
    std::wstring feedbackUrl;    // may hold {tool} and {version}
    std::wstring moreToolsUrl;
    bool logOnly = false;        // [Shell] Mode=log: pages are only written to the call log
};

CompanionSettings ReadCompanionSettings();

// Folder of this library, without trailing backslash.
std::wstring LibraryFolder();
// The library's own version text.
const wchar_t* LibraryVersionText();

// A web address (http:// or https://) stays; anything else is a file path: environment variables
// are expanded and a relative path is taken from the library's folder.
std::wstring ResolveSource(const std::wstring& value);
bool IsWebAddress(const std::wstring& text);
