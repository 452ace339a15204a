// The tool's identity as the companion library knows it: the id and the version the panel shows.
#pragma once

inline constexpr wchar_t kToolId[] = L"10107";
inline constexpr wchar_t kToolVersion[] = L"1.3.22.1026";
