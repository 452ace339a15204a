// The files the tool ships in its folder: the running module itself and the companion library
// with its own files. The exit clean-up removes a folder only when it holds nothing else.
#pragma once
#include <string>

// True when fileName (a bare name) is one of the shipped files; moduleFileName is the bare name
// of the running executable. Compared case-insensitively.
bool IsShippedFileName(const std::wstring& fileName, const std::wstring& moduleFileName);

// File names compared as the file system does: ordinal, ignoring case, never linguistically
// (which would equate different names).
bool SameFileName(const wchar_t* a, size_t aLength, const wchar_t* b, size_t bLength);
