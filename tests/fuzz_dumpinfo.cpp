// libFuzzer target: the crash-dump reader and the summary's text over arbitrary bytes, read by
// ranges from a copy of exactly the input's size, so AddressSanitizer reports any read beyond it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "../dumpinfo/CrashSummaryText.h"

namespace {

class CFuzzDumpFile : public CDumpFile {
public:
    CFuzzDumpFile(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, void* buffer, size_t bytes) override
    {
        if (offset > m_size || bytes > m_size - offset)
            abort();  // the reader promises to check every range first
        memcpy(buffer, m_data + offset, bytes);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint8_t* block = static_cast<uint8_t*>(malloc(size == 0 ? 1 : size));
    if (size > 0)
        memcpy(block, data, size);
    CFuzzDumpFile file(block, size);
    CrashSummaryEntry entry;
    entry.name = "Minidump\\fuzz.dmp";
    DescribeCrashDump(file, entry);
    // A header is taken only whole and only with one of the two signatures.
    if (entry.readable && (size < (entry.header.is64 ? 0x2000u : 0x1000u) ||
                           memcmp(block, entry.header.is64 ? "PAGEDU64" : "PAGEDUMP", 8) != 0))
        abort();
    CrashSummaryBlocks({entry, entry});
    free(block);
    return 0;
}
