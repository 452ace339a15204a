#include "TriageDump.h"
#include "LittleEndian.h"

#include <string.h>

namespace {

// Offsets inside the triage block; its offsets are file offsets.
const size_t kValidOffset = 0x08, kContextOffset = 0x0C, kCallStackOffset = 0x28,
             kCallStackSize = 0x2C, kDriverListOffset = 0x30, kDriverCount = 0x34,
             kStringPoolOffset = 0x38, kStringPoolSize = 0x3C, kTriageBlockBytes = 0x40;
const uint32_t kMaxDriverEntryBytes = 0x400;

struct Width {
    uint64_t triageBlock, entryBytes, minEntryBytes, dllBase, sizeOfImage;
    size_t pointerBytes;
};
const Width kWidth32 = {0x1000, 0x4C, 0x28, 0x1C, 0x24, 4};
const Width kWidth64 = {0x2000, 0x90, 0x4C, 0x38, 0x48, 8};

// Reads served from the head when they lie inside it; every range checked against the file.
class CRangeReader {
public:
    CRangeReader(CDumpFile& file, const unsigned char* head, size_t headBytes)
        : m_file(file), m_head(head), m_headBytes(headBytes)
    {
    }

    bool Fits(uint64_t offset, uint64_t bytes) const
    {
        return offset <= m_file.Size() && bytes <= m_file.Size() - offset;
    }

    bool Read(uint64_t offset, void* buffer, size_t bytes)
    {
        if (!Fits(offset, bytes))
            return false;
        if (offset <= m_headBytes && bytes <= m_headBytes - offset) {
            memcpy(buffer, m_head + offset, bytes);
            return true;
        }
        return m_file.Read(offset, buffer, bytes);
    }

    // The range as a block of its own; empty and false when it does not fit the file.
    bool ReadBlock(uint64_t offset, uint64_t bytes, DumpBytes& block)
    {
        if (!Fits(offset, bytes))
            return false;
        block.Resize(static_cast<size_t>(bytes));
        return bytes == 0 || Read(offset, block.data(), block.size);
    }

private:
    CDumpFile& m_file;
    const unsigned char* m_head;
    size_t m_headBytes;
};

DumpKind KindOf(const CrashDumpHeader& header, const unsigned char* head, size_t headBytes)
{
    switch (header.dumpType) {
    case 1: return kDumpComplete;
    case 2: return kDumpKernel;
    case 4: return kDumpSmall;
    case 5:
    case 6:
        // Bitmap dumps: the numbers differ between references, the signature does not.
        if (!header.is64 || headBytes < 0x2004)
            return kDumpKindUnknown;
        if (memcmp(head + 0x2000, "SDMP", 4) == 0)
            return kDumpKernel;
        if (memcmp(head + 0x2000, "FDMP", 4) == 0)
            return kDumpComplete;
        return kDumpKindUnknown;
    default: return kDumpKindUnknown;
    }
}

// Each entry's name must lie inside the pool, with its terminator: anything else means the list
// is not what it claims to be.
bool ReadDrivers(CRangeReader& reader, const Width& width, const unsigned char* block,
                 TriageDump& triage)
{
    uint64_t listOffset = Little32(block + kDriverListOffset);
    uint32_t count = Little32(block + kDriverCount);
    uint64_t poolOffset = Little32(block + kStringPoolOffset);
    uint32_t poolBytes = Little32(block + kStringPoolSize);
    if (count > kMaxTriageDrivers || poolBytes > kMaxTriageStringPool)
        return false;
    uint64_t entryBytes = width.entryBytes;
    if (count > 0 && poolOffset > listOffset)
        entryBytes = (poolOffset - listOffset) / count;
    if (entryBytes < width.minEntryBytes || entryBytes > kMaxDriverEntryBytes)
        return false;
    uint64_t listEnd = listOffset + entryBytes * count;
    if (poolOffset < listEnd && listOffset < poolOffset + poolBytes && count > 0)
        return false;  // the list and the pool overlap
    DumpBytes& list = triage.read;
    DumpBytes& pool = triage.namePool;
    if (!reader.ReadBlock(listOffset, entryBytes * count, list) ||
        !reader.ReadBlock(poolOffset, poolBytes, pool))
        return false;
    triage.drivers.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const unsigned char* entry = list.data() + i * entryBytes;
        uint64_t nameOffset = Little32(entry);
        if (nameOffset < poolOffset || poolBytes < 4 || nameOffset - poolOffset > poolBytes - 4u)
            return false;
        size_t at = static_cast<size_t>(nameOffset - poolOffset) + 4;
        uint64_t length = Little32(pool.data() + at - 4);
        if (length >= (pool.size - at) / 2 || pool.data()[at + 2 * length] != 0 ||
            pool.data()[at + 2 * length + 1] != 0)
            return false;  // no room for the characters and their terminator
        TriageDriver& driver = triage.drivers[i];
        driver.base = Little(entry + width.dllBase, width.pointerBytes);
        driver.size = Little32(entry + width.sizeOfImage);
        driver.nameAt = at;
        driver.nameLength = static_cast<size_t>(length);
    }
    return true;
}

void ReadTriage(CRangeReader& reader, const CrashDumpHeader& header, TriageDump& triage)
{
    const Width& width = header.is64 ? kWidth64 : kWidth32;
    unsigned char block[kTriageBlockBytes];
    unsigned char mark[4];
    if (!reader.Read(width.triageBlock, block, sizeof(block)) ||
        !reader.Read(Little32(block + kValidOffset), mark, sizeof(mark)) ||
        memcmp(mark, "TRGD", 4) != 0)
        return;
    triage.valid = true;
    triage.driversRead = ReadDrivers(reader, width, block, triage);
    if (!triage.driversRead) {
        triage.drivers.clear();
        triage.namePool.size = 0;
    }

    uint64_t pointerAt = 0;
    switch (header.machineImageType) {
    case 0x14C: pointerAt = header.is64 ? 0 : 0xB8; break;    // Eip
    case 0x8664: pointerAt = header.is64 ? 0xF8 : 0; break;   // Rip
    case 0xAA64: pointerAt = header.is64 ? 0x108 : 0; break;  // Pc
    }
    unsigned char pointer[8];
    if (pointerAt != 0 &&
        reader.Read(Little32(block + kContextOffset) + pointerAt, pointer, width.pointerBytes)) {
        triage.hasInstructionPointer = true;
        triage.instructionPointer = Little(pointer, width.pointerBytes);
    }

    uint32_t stackBytes = Little32(block + kCallStackSize);
    DumpBytes& stack = triage.read;
    if (stackBytes > kMaxTriageCallStack ||
        !reader.ReadBlock(Little32(block + kCallStackOffset), stackBytes, stack))
        return;
    triage.stackRead = true;
    size_t pointerBytes = width.pointerBytes;
    triage.stack.resize(stack.size / pointerBytes);
    uint64_t* values = triage.stack.data();
    const unsigned char* bytes = stack.data();
    for (size_t i = 0; i < triage.stack.size(); ++i)
        values[i] = Little(bytes + i * pointerBytes, pointerBytes);
}

}  // namespace

bool ReadCrashDump(CDumpFile& file, CrashDumpHeader& header, DumpKind& kind, TriageDump& triage)
{
    unsigned char head[kCrashDumpHeadBytes];
    size_t headBytes = file.Size() < sizeof(head) ? static_cast<size_t>(file.Size()) : sizeof(head);
    if (!file.Read(0, head, headBytes) || !ParseCrashDumpHeader(head, headBytes, header))
        return false;
    kind = KindOf(header, head, headBytes);
    triage.Clear();
    if (kind == kDumpSmall) {
        CRangeReader reader(file, head, headBytes);
        ReadTriage(reader, header, triage);
    }
    return true;
}
