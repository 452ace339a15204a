// What a crash dump file holds beyond its stop code: the dump's kind, and for a small memory dump
// the drivers that were loaded, the instruction pointer at the crash and the saved call stack.
// Reads only those ranges, each checked against the file and capped: the file comes from someone
// else's crashed PC.
#pragma once
#include "CrashDumpHeader.h"

#include <memory>
#include <string>
#include <vector>

// The first bytes read of every file: the larger header and the triage block that follows it.
const size_t kCrashDumpHeadBytes = 0x2100;
const uint32_t kMaxTriageDrivers = 4096;
const uint32_t kMaxTriageStringPool = 1u << 20;
const uint32_t kMaxTriageCallStack = 64u << 10;

// A dump file read by ranges; the reader checks every range against Size() before reading it.
class CDumpFile {
public:
    virtual ~CDumpFile() = default;
    virtual uint64_t Size() const = 0;
    // All of the bytes at offset, or false.
    virtual bool Read(uint64_t offset, void* buffer, size_t bytes) = 0;
};

// Bytes read from a file: not cleared first, since the read fills them all. The room stays for
// the next file: a summary reads hundreds, and under Wine each large allocation is a heap search.
struct DumpBytes {
    std::unique_ptr<unsigned char[]> bytes;
    size_t size = 0;
    size_t room = 0;
    unsigned char* data() const { return bytes.get(); }
    void Resize(size_t n)
    {
        if (n > room || !bytes) {
            bytes.reset(new unsigned char[n == 0 ? 1 : n]);
            room = n;
        }
        size = n;
    }
};

enum DumpKind { kDumpKindUnknown, kDumpSmall, kDumpKernel, kDumpComplete };

struct TriageDriver {
    uint64_t base = 0;
    uint32_t size = 0;
    size_t nameAt = 0;       // where its UTF-16LE path starts in the name pool
    size_t nameLength = 0;  // in characters
};

struct TriageDump {
    bool valid = false;  // a small dump's triage block with its "TRGD" mark
    bool driversRead = false;
    std::vector<TriageDriver> drivers;
    // The string pool as read: names are decoded only for the drivers a summary names.
    DumpBytes namePool;
    bool hasInstructionPointer = false;
    uint64_t instructionPointer = 0;
    bool stackRead = false;
    std::vector<uint64_t> stack;  // pointer-sized values from the top of the saved stack
    DumpBytes read;  // the driver list, then the stack, as read

    // Nothing read, the room of every buffer kept.
    void Clear()
    {
        valid = driversRead = hasInstructionPointer = stackRead = false;
        drivers.clear();
        namePool.size = 0;
        instructionPointer = 0;
        stack.clear();
    }
};

// The n-th character of a driver's path, as the kernel loaded it
// ("\SystemRoot\System32\drivers\ACPI.sys").
inline char16_t PathCharacter(const TriageDump& triage, const TriageDriver& driver, size_t n)
{
    const unsigned char* at = triage.namePool.data() + driver.nameAt + 2 * n;
    return static_cast<char16_t>(at[0] | (at[1] << 8));
}

// False when the file is not a crash dump (wrong signature, shorter than its header, unreadable).
// A damaged triage block still gives true, with what could not be read marked in triage. Whatever
// triage held before is cleared; its buffers are reused.
bool ReadCrashDump(CDumpFile& file, CrashDumpHeader& header, DumpKind& kind, TriageDump& triage);
