// Helpers the test executables share: child processes, files, registry, the prefix's folders.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

namespace testutil {

// Folder of the running test executable, without trailing backslash.
std::wstring ExeFolder();
// A fresh, empty folder on C: of the prefix (the tool never runs from Z:, the Linux root).
std::wstring MakeScratchFolder(const std::wstring& name);
bool RemoveTree(const std::wstring& path);

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
bool ReadFileBytes(const std::wstring& path, std::string& bytes);
bool FileExists(const std::wstring& path);
long long FileSize(const std::wstring& path);

// Runs a program (full command line) and captures its stdout; false when it could not start or
// did not end within the timeout.
bool RunProgram(const std::wstring& commandLine, std::string& output, DWORD& exitCode,
                DWORD timeoutMs = 60000, const wchar_t* currentDirectory = nullptr);

bool SetRegString(HKEY root, const std::wstring& key, const std::wstring& name,
                  const std::wstring& value);
bool SetRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value);
bool GetRegDword(HKEY root, const std::wstring& key, const std::wstring& name, DWORD& value);
bool RegValueExists(HKEY root, const std::wstring& key, const std::wstring& name);
bool DeleteRegValue(HKEY root, const std::wstring& key, const std::wstring& name);

std::string ToCodePage(const std::wstring& text, UINT codePage);
std::wstring FromCodePage(const std::string& bytes, UINT codePage);

// Splits on "\r\r\n", the line ending of log entries; the text after the last ending is dropped.
std::vector<std::string> SplitLogLines(const std::string& bytes);
// True when the line starts with a well-formed "[yyyy-mm-dd hh:mm:ss mmmms]   " prefix.
bool HasLogPrefix(const std::string& line);

}  // namespace testutil
