// libFuzzer target: the crash-dump header parser over arbitrary bytes. The input is copied into a
// heap block of exactly its size, so AddressSanitizer reports any read beyond it.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "../dumpinfo/CrashDumpHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    unsigned char* block = static_cast<unsigned char*>(malloc(size == 0 ? 1 : size));
    if (size > 0)
        memcpy(block, data, size);
    CrashDumpHeader header;
    const bool parsed = ParseCrashDumpHeader(size == 0 ? nullptr : block, size, header);
    // A header is taken only whole and only with one of the two signatures.
    if (parsed && (size < (header.is64 ? 0x2000u : 0x1000u) ||
                   memcmp(block, header.is64 ? "PAGEDU64" : "PAGEDUMP", 8) != 0))
        abort();
    if (parsed)
        BugCheckName(header.bugCheckCode);
    free(block);
    return 0;
}
