#include "companion/VersionManifest.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text)
{
    size_t first = 0;
    while (first < text.size() && IsBlank(text[first]))
        ++first;
    size_t last = text.size();
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool ParseLine(const std::string& line, ManifestEntry& entry)
{
    size_t equals = line.find('=');
    if (equals == std::string::npos)
        return false;
    entry.toolId = Trim(line.substr(0, equals));
    if (!IsValidToolId(entry.toolId))
        return false;
    std::string rest = Trim(line.substr(equals + 1));
    size_t blank = 0;
    while (blank < rest.size() && !IsBlank(rest[blank]))
        ++blank;
    entry.versionText = rest.substr(0, blank);
    entry.package = Trim(rest.substr(blank));
    return ParseToolVersion(entry.versionText, entry.version);
}

}  // namespace

bool ParseToolVersion(const std::string& text, ToolVersion& version)
{
    version.clear();
    size_t pos = 0;
    for (;;) {
        size_t start = pos;
        uint64_t value = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && pos - start < 11) {
            value = value * 10 + static_cast<uint64_t>(text[pos] - '0');
            ++pos;
        }
        size_t digits = pos - start;
        if (digits == 0 || digits > 10 || value > 0xFFFFFFFFull || version.size() == 8)
            return false;
        version.push_back(static_cast<uint32_t>(value));
        if (pos == text.size())
            return true;
        if (text[pos] != '.')
            return false;
        ++pos;
    }
}

int CompareToolVersions(const ToolVersion& a, const ToolVersion& b)
{
    size_t count = a.size() > b.size() ? a.size() : b.size();
    for (size_t i = 0; i < count; ++i) {
        uint32_t left = i < a.size() ? a[i] : 0;
        uint32_t right = i < b.size() ? b[i] : 0;
        if (left != right)
            return left < right ? -1 : 1;
    }
    return 0;
}

bool ParseManifest(const std::string& bytes, std::vector<ManifestEntry>& entries)
{
    entries.clear();
    size_t pos = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string::npos)
            end = bytes.size();
        std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        // NUL and other control bytes mean a damaged or binary file, comments included.
        for (char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                return false;
        }
        std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';')
            continue;
        ManifestEntry entry;
        if (!ParseLine(trimmed, entry))
            return false;
        entries.push_back(entry);
    }
    return true;
}

bool FindNewestEntry(const std::vector<ManifestEntry>& entries, const std::string& toolId,
                     ManifestEntry& newest)
{
    bool found = false;
    for (const ManifestEntry& entry : entries) {
        if (entry.toolId != toolId)
            continue;
        if (!found || CompareToolVersions(entry.version, newest.version) > 0)
            newest = entry;
        found = true;
    }
    return found;
}

bool IsValidToolId(const std::string& toolId)
{
    if (toolId.empty() || toolId.size() > 64)
        return false;
    for (char c : toolId) {
        bool ok = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  c == '.' || c == '_' || c == '-';
        if (!ok)
            return false;
    }
    return true;
}
