// Reads a manifest or a package from a file path or a web address within one time limit for the
// whole request. The work runs on a thread of its own that keeps the library loaded, so the
// caller (the tool's user-interface thread) can give up at the limit and go on.
#pragma once
#include <windows.h>
#include <string>

// The text of the source, when it is at most maxBytes long and was read within timeoutMs.
// A web address must answer 200. why tells what went wrong.
bool FetchText(const std::wstring& source, unsigned long long maxBytes, DWORD timeoutMs,
               std::string& text, std::wstring& why);

// Copies the source into target (through "<target>.part", replaced at the end).
bool FetchToFile(const std::wstring& source, const std::wstring& target,
                 unsigned long long maxBytes, DWORD timeoutMs, std::wstring& why);

// True when the web address answers with any HTTP status within timeoutMs.
bool ProbeWebAddress(const std::wstring& address, DWORD timeoutMs, std::wstring& why);
