#include "CrashDumpHeader.h"
#include "LittleEndian.h"

namespace {

const size_t kHeader32Bytes = 0x1000;

struct Layout {
    char valid[5];  // the four bytes after "PAGE"
    size_t headerBytes;
    size_t machineImageType, processors, bugCheckCode, firstParameter, parameterBytes, dumpType,
        systemTime;
};

const Layout kLayouts[] = {
    {"DUMP", kHeader32Bytes, 0x20, 0x24, 0x28, 0x2C, 4, 0xF88, 0xFC0},
    {"DU64", kCrashDumpHeaderMaxBytes, 0x30, 0x34, 0x38, 0x40, 8, 0xF98, 0xFA8},
};

bool SameBytes(const unsigned char* at, const char* text)
{
    for (size_t i = 0; text[i] != '\0'; ++i)
        if (at[i] != static_cast<unsigned char>(text[i]))
            return false;
    return true;
}

}  // namespace

bool ParseCrashDumpHeader(const unsigned char* bytes, size_t size, CrashDumpHeader& header)
{
    if (bytes == nullptr || size < 8 || !SameBytes(bytes, "PAGE"))
        return false;
    for (const Layout& layout : kLayouts) {
        if (!SameBytes(bytes + 4, layout.valid))
            continue;
        if (size < layout.headerBytes)
            return false;
        header.is64 = layout.parameterBytes == 8;
        header.majorVersion = Little32(bytes + 0x08);
        header.buildNumber = Little32(bytes + 0x0C);
        header.machineImageType = Little32(bytes + layout.machineImageType);
        header.processors = Little32(bytes + layout.processors);
        header.bugCheckCode = Little32(bytes + layout.bugCheckCode);
        for (size_t i = 0; i < 4; ++i)
            header.parameters[i] =
                Little(bytes + layout.firstParameter + i * layout.parameterBytes, layout.parameterBytes);
        header.dumpType = Little32(bytes + layout.dumpType);
        header.systemTime = Little(bytes + layout.systemTime, 8);
        return true;
    }
    return false;
}
