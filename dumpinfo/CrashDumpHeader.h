// The header of a kernel crash dump (MEMORY.DMP, Minidump\*.dmp): the stop code, its parameters
// and when and where it happened. Only the header: a complete dump is as large as memory.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>

// Bytes of the larger (64-bit) header; a 32-bit header takes the first half of them.
const size_t kCrashDumpHeaderMaxBytes = 0x2000;

struct CrashDumpHeader {
    bool is64 = false;
    uint32_t majorVersion = 0;  // 0xF free build, 0xC checked build
    uint32_t buildNumber = 0;   // MinorVersion: 7601, 19041, ...
    uint32_t machineImageType = 0;
    uint32_t processors = 0;
    uint32_t bugCheckCode = 0;
    uint64_t parameters[4] = {};
    uint32_t dumpType = 0;     // 1 complete, 2 kernel, 4 small; other values stay numbers
    uint64_t systemTime = 0;   // FILETIME, UTC
};

// Fills header from the first size bytes of a file; false when they are not a whole header of
// either layout (wrong signature, or fewer bytes than that layout's header).
bool ParseCrashDumpHeader(const unsigned char* bytes, size_t size, CrashDumpHeader& header);

// The name of a stop code from Microsoft's bug check code reference ("_M" variants included);
// empty for a code not listed.
std::string BugCheckName(uint32_t code);
