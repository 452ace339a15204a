// The update manifest: one "toolId=version[ package]" line per published version, compared
// numerically component by component. Plain C++, no Windows headers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using ToolVersion = std::vector<uint32_t>;

// 1 to 8 dot-separated decimal components, each 1 to 10 digits and at most 4294967295.
bool ParseToolVersion(const std::string& text, ToolVersion& version);
// Negative, 0 or positive like strcmp; missing components count as 0 (1.3 equals 1.3.0.0).
int CompareToolVersions(const ToolVersion& a, const ToolVersion& b);

struct ManifestEntry {
    std::string toolId;
    std::string versionText;
    ToolVersion version;
    std::string package;  // UTF-8 address of the package, empty when the line names none
};

// Parses a whole manifest (UTF-8, optional byte-order mark, LF or CRLF). Blank lines and lines
// starting with '#' or ';' are skipped. False when any other line is malformed: a damaged file
// must never announce a newer version.
bool ParseManifest(const std::string& bytes, std::vector<ManifestEntry>& entries);

// The newest entry for the tool id (case-sensitive); false when the manifest does not list it.
bool FindNewestEntry(const std::vector<ManifestEntry>& entries, const std::string& toolId,
                     ManifestEntry& newest);

// Tool ids: 1 to 64 characters out of letters, digits, '.', '_' and '-'.
bool IsValidToolId(const std::string& toolId);
