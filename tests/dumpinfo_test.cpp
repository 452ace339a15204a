// The crash-dump header reader, natively under AddressSanitizer. The layout is the one published
// in Volatility 3's crash-dump type definitions (volatility3/framework/symbols/windows/crash.json
// and crash64.json) and in QEMU's Windows crash-dump writer (include/qemu/win_dump_defs.h).
#include <gtest/gtest.h>

#include <vector>

#include "../dumpinfo/CrashDumpHeader.h"
#include "DumpHeaderBytes.h"

namespace {

// Parsed from a heap block of exactly the given bytes, so any read beyond them is reported.
bool Parse(const std::string& bytes, CrashDumpHeader& header)
{
    std::vector<unsigned char> block(bytes.begin(), bytes.end());
    return ParseCrashDumpHeader(block.empty() ? nullptr : block.data(), block.size(), header);
}

}  // namespace

TEST(DumpHeader, EveryFieldAtItsOffset_32And64Bit)
{
    // Every byte of every value differs, so a wrong offset, width or byte order shows.
    DumpHeaderFields fields[2];
    fields[0] = {false, 0x1000008E, {0xC0000005, 0x82A4B6C8, 0x91B3D5F7, 0x13579BDF},
                 0x01D6A1B2C3D4E5F6ULL, 7601, 0x0302, 2, 0x14C};
    fields[1].code = 0x139;
    fields[1].systemTime = 0x01DA9B8C7D6E5F40ULL;
    fields[1].dumpType = 0x0605;
    for (const DumpHeaderFields& f : fields) {
        CrashDumpHeader header;
        ASSERT_TRUE(Parse(DumpHeaderBytes(f), header)) << f.is64;
        EXPECT_EQ(f.is64, header.is64);
        EXPECT_EQ(0xFu, header.majorVersion);
        EXPECT_EQ(f.build, header.buildNumber);
        EXPECT_EQ(f.machine, header.machineImageType);
        EXPECT_EQ(f.processors, header.processors);
        EXPECT_EQ(f.code, header.bugCheckCode);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(f.parameters[i], header.parameters[i]) << f.is64 << " parameter " << i;
        EXPECT_EQ(f.dumpType, header.dumpType);
        EXPECT_EQ(f.systemTime, header.systemTime);
    }
}

TEST(DumpHeader, ShorterThanItsHeaderOrWrongSignature_NotADump)
{
    for (bool is64 : {false, true}) {
        DumpHeaderFields f;
        f.is64 = is64;
        const std::string whole = DumpHeaderBytes(f);
        CrashDumpHeader header;
        for (size_t size = 0; size < whole.size(); ++size)
            ASSERT_FALSE(Parse(whole.substr(0, size), header)) << is64 << " cut at " << size;
        EXPECT_TRUE(Parse(whole + "more bytes", header)) << "a longer file is read too";
    }
    for (const char* signature : {"PAGEDUMQ", "pageDUMP", "PAGEDU32", "MDMP\x93\xA7\0\0", "PAGE\0\0\0\0"}) {
        std::string bytes = DumpHeaderBytes(DumpHeaderFields());
        bytes.replace(0, 8, std::string(signature, 8));
        CrashDumpHeader header;
        EXPECT_FALSE(Parse(bytes, header)) << signature;
    }
}

TEST(DumpHeader, StopCodeNames)
{
    const struct {
        uint32_t code;
        const char* name;
    } cases[] = {
        {0x0A, "IRQL_NOT_LESS_OR_EQUAL"}, {0x139, "KERNEL_SECURITY_CHECK_FAILURE"},
        {0x1000008E, "KERNEL_MODE_EXCEPTION_NOT_HANDLED_M"}, {0xDEADDEAD, "MANUALLY_INITIATED_CRASH1"},
        {0x12345, ""}, {0, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(c.name, BugCheckName(c.code)) << std::hex << c.code;
}
