// libFuzzer target: the crash-dump reader and the summary's text over arbitrary bytes. The file
// double stops the run on a read outside the input: the reader promises to check every range.
#include <stdlib.h>
#include <string.h>

#include "../dumpinfo/CrashSummaryText.h"
#include "DumpHeaderBytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CBytesDumpFile file(std::string(reinterpret_cast<const char*>(data), size));
    CrashSummaryEntry entry;
    entry.name = "Minidump\\fuzz.dmp";
    static TriageDump reused;  // as a summary reads its files: one set of buffers for all
    DescribeCrashDump(file, entry, reused);
    // A header is taken only whole and only with one of the two signatures.
    if (entry.readable && (size < (entry.header.is64 ? 0x2000u : 0x1000u) ||
                           memcmp(data, entry.header.is64 ? "PAGEDU64" : "PAGEDUMP", 8) != 0))
        abort();
    CrashSummaryBlocks({entry, entry});
    return 0;
}
