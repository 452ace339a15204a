// Helpers the test executables share: child processes, files, registry, the prefix's folders.
#pragma once
#include <windows.h>
#include <algorithm>
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

// Shared by every suite: one copy of each.
// The whole file; empty when it cannot be read.
std::string FileText(const std::wstring& path);
// How often what occurs in text.
size_t Occurrences(const std::string& text, const std::string& what);
// The names in a folder, sorted, without "." and "..".
std::vector<std::wstring> FolderEntries(const std::wstring& folder);
// A file of ToolLog, and the texts of its entries without their time prefix.
std::wstring ToolLogPath(const std::wstring& name);
std::vector<std::string> LogEntries(const std::wstring& name);
// The prefix's path of a Linux path ("Z:\..."), and the Linux path of a prefix path.
std::wstring FromUnixPath(const std::string& unixPath);
std::string ToUnixPath(const std::wstring& path);
// HKCU\Control Panel\Desktop LogPixels, read by a process when it starts.
bool SetLogPixels(DWORD dpi);
// Wine has no timeout.exe: fake_tool.exe, which really waits, stands in the system folder.
bool InstallTimeoutDouble();
// MEMORY.DMP of memorySize bytes (none for 0) and minidumps "mini-<n>.dmp" in the Windows folder.
void InstallDumpFiles(long long memorySize, int minidumps);
void RemoveDumpFiles();

}  // namespace testutil
