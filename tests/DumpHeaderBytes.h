// Kernel crash-dump headers built byte by byte from the published layout, for the reader's tests,
// the acceptance run and the benchmark. No Windows headers: the native tests use it too.
#pragma once
#include <stdint.h>

#include <string>

struct DumpHeaderFields {
    bool is64 = true;
    uint32_t code = 0x7E;
    uint64_t parameters[4] = {0xFFFFFFFFC0000005ULL, 0xFFFFF80002A8B0B4ULL, 0xFFFFF880031B6A58ULL,
                              0xFFFFF880031B62C0ULL};
    uint64_t systemTime = 133590000000000000ULL;  // FILETIME, 2024-05-01
    uint32_t build = 19041;
    uint32_t processors = 8;
    uint32_t dumpType = 4;
    uint32_t machine = 0x8664;
};

inline void PutLittle(std::string& bytes, size_t at, uint64_t value, size_t width)
{
    for (size_t i = 0; i < width; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A whole header (0x1000 bytes for 32-bit, 0x2000 for 64-bit); the bytes between the fields are
// a pattern, so a field read from a wrong place never comes out right by chance.
inline std::string DumpHeaderBytes(const DumpHeaderFields& f)
{
    std::string bytes(f.is64 ? 0x2000 : 0x1000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(0x5A ^ (i * 7));
    bytes.replace(0, 8, f.is64 ? "PAGEDU64" : "PAGEDUMP");
    PutLittle(bytes, 0x08, 0xF, 4);
    PutLittle(bytes, 0x0C, f.build, 4);
    PutLittle(bytes, f.is64 ? 0x30 : 0x20, f.machine, 4);
    PutLittle(bytes, f.is64 ? 0x34 : 0x24, f.processors, 4);
    PutLittle(bytes, f.is64 ? 0x38 : 0x28, f.code, 4);
    for (size_t i = 0; i < 4; ++i)
        PutLittle(bytes, f.is64 ? 0x40 + 8 * i : 0x2C + 4 * i, f.parameters[i], f.is64 ? 8 : 4);
    PutLittle(bytes, f.is64 ? 0xF98 : 0xF88, f.dumpType, 4);
    PutLittle(bytes, f.is64 ? 0xFA8 : 0xFC0, f.systemTime, 8);
    return bytes;
}
