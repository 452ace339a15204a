// The update check and the package download behind GetToolIsNewVersion and
// GetToolIsNewVersionDown. Answers are the FEEDBACK_* values of the shared exports header.
#pragma once
#include "companion/CompanionSettings.h"

#include <string>

// Compares the running version with the newest one the manifest lists for the tool.
int CheckForNewVersion(const CompanionSettings& settings, const wchar_t* toolId,
                       const wchar_t* version, std::wstring& note);

// The same, and when a newer version exists, downloads its package into folder (empty: the
// data folder's "Downloads"); 3 only when the package arrived.
int DownloadNewVersion(const CompanionSettings& settings, const wchar_t* toolId,
                       const wchar_t* version, const wchar_t* folder, std::wstring& note);

// The file name a package address is saved under.
std::wstring PackageFileName(const std::wstring& address, const std::wstring& fallback);
