// Kernel crash-dump headers built byte by byte from the published layout, for the reader's tests,
// the acceptance run and the benchmark. No Windows headers: the native tests use it too.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "../dumpinfo/TriageDump.h"

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

// A small memory dump built from the published triage layout: the header above, then the triage
// block, the saved stack, the driver list and its string pool, and the block's "TRGD" mark. The
// 32-bit layout comes from the references alone: no real 32-bit small dump was at hand.
struct TriageDriverFields {
    std::u16string path;
    uint64_t base;
    uint32_t size;
};

struct TriageFields {
    DumpHeaderFields header;
    uint64_t instructionPointer = 0;
    std::vector<uint64_t> stack;
    std::vector<TriageDriverFields> drivers;
};

// Where the builder put the parts, for tests that damage them.
struct TriageLayout {
    size_t block, stack, list, pool;
};

inline std::string TriageDumpBytes(const TriageFields& f, TriageLayout* layout = nullptr)
{
    const bool is64 = f.header.is64;
    const size_t pointer = is64 ? 8 : 4, entryBytes = is64 ? 0x90 : 0x4C;
    std::string bytes = DumpHeaderBytes(f.header);
    const size_t block = bytes.size(), context = is64 ? 0x348 : 0x320;
    const size_t stack = block + 0x100, list = stack + f.stack.size() * pointer;
    size_t pool = list + f.drivers.size() * entryBytes;
    bytes.resize(pool, '\0');
    PutLittle(bytes, block + 0x0C, context, 4);
    const size_t pc = f.header.machine == 0x14C ? 0xB8 : f.header.machine == 0xAA64 ? 0x108 : 0xF8;
    PutLittle(bytes, context + pc, f.instructionPointer, pointer);
    PutLittle(bytes, block + 0x28, stack, 4);
    PutLittle(bytes, block + 0x2C, f.stack.size() * pointer, 4);
    for (size_t i = 0; i < f.stack.size(); ++i)
        PutLittle(bytes, stack + i * pointer, f.stack[i], pointer);
    PutLittle(bytes, block + 0x30, list, 4);
    PutLittle(bytes, block + 0x34, f.drivers.size(), 4);
    PutLittle(bytes, block + 0x38, pool, 4);
    for (size_t i = 0; i < f.drivers.size(); ++i) {
        const size_t entry = list + i * entryBytes, name = bytes.size();
        PutLittle(bytes, entry, name, 4);
        PutLittle(bytes, entry + (is64 ? 0x38 : 0x1C), f.drivers[i].base, pointer);
        PutLittle(bytes, entry + (is64 ? 0x48 : 0x24), f.drivers[i].size, 4);
        bytes.resize(name + 4 + 2 * f.drivers[i].path.size() + 2, '\0');
        PutLittle(bytes, name, f.drivers[i].path.size(), 4);
        for (size_t c = 0; c < f.drivers[i].path.size(); ++c)
            PutLittle(bytes, name + 4 + 2 * c, f.drivers[i].path[c], 2);
    }
    PutLittle(bytes, block + 0x3C, bytes.size() - pool, 4);
    PutLittle(bytes, block + 0x08, bytes.size(), 4);
    bytes += "TRGD";
    if (layout != nullptr)
        *layout = {block, stack, list, pool};
    return bytes;
}

// A dump file in memory; reads outside it are the reader's fault, and AddressSanitizer's to report.
class CBytesDumpFile : public CDumpFile {
public:
    explicit CBytesDumpFile(const std::string& bytes) : m_bytes(bytes.begin(), bytes.end()) {}
    uint64_t Size() const override { return m_bytes.size(); }
    bool Read(uint64_t offset, void* buffer, size_t bytes) override
    {
        for (size_t i = 0; i < bytes; ++i)
            static_cast<unsigned char*>(buffer)[i] = m_bytes.at(offset + i);
        return true;
    }

private:
    std::vector<unsigned char> m_bytes;
};
