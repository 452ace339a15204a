// The crash-dump header reader, natively under AddressSanitizer. The layout is the one published
// in Volatility 3's crash-dump type definitions (volatility3/framework/symbols/windows/crash.json
// and crash64.json) and in QEMU's Windows crash-dump writer (include/qemu/win_dump_defs.h).
#include <gtest/gtest.h>

#include <stdio.h>

#include <vector>

#include "../dumpinfo/CrashSummaryText.h"
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

namespace {

// Bases of 64-bit kernel addresses; a 32-bit dump keeps their low halves.
const uint64_t kNt = 0xFFFFF80002800000, kHal = 0xFFFFF80002E00000, kAmdppm = 0xFFFFF88004A00000,
               kD0 = 0xFFFFF88005000000;

TriageFields Triage(bool is64, uint32_t code, uint64_t ip, std::vector<uint64_t> stack)
{
    TriageFields f;
    f.header.is64 = is64;
    f.header.machine = is64 ? 0x8664 : 0x14C;
    f.header.code = code;
    const uint64_t mask = is64 ? ~0ULL : 0xFFFFFFFF;
    f.instructionPointer = ip & mask;
    for (uint64_t& value : stack)
        value &= mask;
    f.stack = stack;
    f.drivers = {{u"\\SystemRoot\\system32\\ntoskrnl.exe", kNt & mask, 0x5E0000},
                 {u"\\SystemRoot\\system32\\HALMACPI.DLL", kHal & mask, 0x49000},
                 {u"\\SystemRoot\\System32\\drivers\\amdppm.sys", kAmdppm & mask, 0x14000}};
    for (int i = 0; i < 10; ++i)
        f.drivers.push_back({u"\\SystemRoot\\System32\\drivers\\d" + std::u16string(1, u'0' + i) +
                                 u".sys",
                             (kD0 + i * 0x100000) & mask, 0x8000});
    return f;
}

std::string Summary(const std::string& bytes, CrashSummaryEntry* described = nullptr,
                    TriageDump* reused = nullptr)
{
    CBytesDumpFile file(bytes);
    CrashSummaryEntry entry;
    entry.name = "Minidump\\x.dmp";
    TriageDump fresh;
    DescribeCrashDump(file, entry, reused != nullptr ? *reused : fresh);
    if (described != nullptr)
        *described = entry;
    return CrashSummaryBlocks({entry});
}

// The line after the one that starts with prefix; empty when there is none.
std::string LineAfter(const std::string& text, const std::string& prefix)
{
    size_t start = text.find("\r\n" + prefix);
    if (start == std::string::npos)
        return "";
    start = text.find("\r\n", start + 2);
    size_t end = text.find("\r\n", start + 2);
    return start == std::string::npos ? "" : text.substr(start + 2, end - start - 2);
}

}  // namespace

TEST(Triage, RealArm64SmallDump_KernelIsTheCause)
{
    std::string bytes;
    {
        FILE* file = fopen(KESTRUNE_SHARED_DUMPS "/triage_arm64.dmp", "rb");
        ASSERT_NE(nullptr, file);
        char buffer[65536];
        for (size_t got; (got = fread(buffer, 1, sizeof(buffer), file)) > 0;)
            bytes.append(buffer, got);
        fclose(file);
    }
    CBytesDumpFile file(bytes);
    CrashDumpHeader header;
    DumpKind kind;
    TriageDump triage;
    ASSERT_TRUE(ReadCrashDump(file, header, kind, triage));
    EXPECT_EQ(0x1C8u, header.bugCheckCode);
    EXPECT_EQ(kDumpSmall, kind);
    EXPECT_EQ(245u, triage.drivers.size());
    EXPECT_TRUE(triage.stackRead && triage.hasInstructionPointer);
    std::string text = Summary(bytes);
    EXPECT_EQ("可能原因：ntoskrnl.exe（\\SystemRoot\\system32\\ntoskrnl.exe，地址 0xFFFFF803F32DE014，"
              "偏移 +0x4DE014）",
              LineAfter(text, "参数：")) << text;
    EXPECT_EQ("涉及驱动：无", LineAfter(text, "可能原因：")) << text;
    EXPECT_EQ(std::string::npos, text.find("建议："));
}

TEST(Triage, ProbableCause_BuiltSmallDumps_32And64Bit)
{
    std::vector<uint64_t> tenDrivers = {kNt + 1, kHal + 2};
    for (int i = 0; i < 10; ++i)
        tenDrivers.insert(tenDrivers.end(), {kD0 + i * 0x100000 + 8, 0x1234, kD0 + 0x10});
    const struct {
        const char* what;
        TriageFields fields;
        const char* cause64;
        const char* cause32;
        const char* involved;
        bool advice;
    } cases[] = {
        {"ip in a third-party driver", Triage(true, 0x7E, kAmdppm + 0x4567, {kNt + 0x10, kD0 + 0x100020, kHal + 0x30, kD0 + 0x40, kD0 + 0x100050}),
         "amdppm.sys（\\SystemRoot\\System32\\drivers\\amdppm.sys，地址 0xFFFFF88004A04567，偏移 +0x4567）",
         "amdppm.sys（\\SystemRoot\\System32\\drivers\\amdppm.sys，地址 0x04A04567，偏移 +0x4567）",
         "d1.sys、d0.sys", true},
        {"ip in the kernel, code address in parameter 2", Triage(true, 0x1000008E, kNt + 0x2000, {kD0 + 0x300008}),
         "d2.sys（\\SystemRoot\\System32\\drivers\\d2.sys，地址 0xFFFFF88005201234，偏移 +0x1234）",
         "d2.sys（\\SystemRoot\\System32\\drivers\\d2.sys，地址 0x05201234，偏移 +0x1234）", "d3.sys", false},
        {"only the stack names drivers", Triage(true, 0x139, 0x1000, tenDrivers),
         "d0.sys（\\SystemRoot\\System32\\drivers\\d0.sys，地址 0xFFFFF88005000008，偏移 +0x8）",
         "d0.sys（\\SystemRoot\\System32\\drivers\\d0.sys，地址 0x05000008，偏移 +0x8）",
         "d0.sys、d1.sys、d2.sys、d3.sys、d4.sys、d5.sys、d6.sys、d7.sys等", true},
        {"only kernel and HAL", Triage(true, 0x1C8, kHal + 0x300, {kNt + 0x40, kHal}),
         "HALMACPI.DLL（\\SystemRoot\\system32\\HALMACPI.DLL，地址 0xFFFFF80002E00300，偏移 +0x300）",
         "HALMACPI.DLL（\\SystemRoot\\system32\\HALMACPI.DLL，地址 0x02E00300，偏移 +0x300）", "无", false},
        {"no hit", Triage(true, 0xD1, 0x1000, {0x2000, kD0 + 0x8000}),
         "未知（地址不在已加载的驱动内）", "未知（地址不在已加载的驱动内）", "无", true},
    };
    for (const auto& c : cases) {
        for (bool is64 : {true, false}) {
            TriageFields f = Triage(is64, c.fields.header.code, c.fields.instructionPointer, c.fields.stack);
            // Parameter 2 of 0x8E is a code address, parameter 1 (an amdppm address here) is not.
            f.header.parameters[0] = (kAmdppm + 0x10) & (is64 ? ~0ULL : 0xFFFFFFFF);
            f.header.parameters[1] = (kD0 + 0x201234) & (is64 ? ~0ULL : 0xFFFFFFFF);
            std::string text = Summary(TriageDumpBytes(f));
            EXPECT_EQ(std::string("可能原因：") + (is64 ? c.cause64 : c.cause32), LineAfter(text, "参数："))
                << c.what << " " << is64;
            EXPECT_EQ(std::string("涉及驱动：") + c.involved, LineAfter(text, "可能原因："))
                << c.what << " " << is64;
            EXPECT_EQ(c.advice, LineAfter(text, "涉及驱动：").find("建议：") == 0) << c.what;
        }
    }
}

TEST(Triage, HostileCountsOffsetsAndLengths_UnknownNeverACrash)
{
    const struct {
        const char* what;
        size_t TriageLayout::*part;
        size_t at;
        uint32_t value;
        const char* reason;
    } cases[] = {
        {"drivers in the millions", &TriageLayout::block, 0x34, 3000000, "驱动列表无法读取"},
        {"driver list past the end", &TriageLayout::block, 0x30, 0xFFFFFF00, "驱动列表无法读取"},
        {"pool inside the list", &TriageLayout::block, 0x38, 0, "驱动列表无法读取"},
        {"pool of 2 GiB", &TriageLayout::block, 0x3C, 0x80000000, "驱动列表无法读取"},
        {"name past the pool", &TriageLayout::list, 0, 0xFFFFFFF0, "驱动列表无法读取"},
        {"name of a huge length", &TriageLayout::pool, 0, 0x7FFFFFFF, "驱动列表无法读取"},
        {"name without its terminator", &TriageLayout::pool, 4 + 2 * 32, 0x00410041, "驱动列表无法读取"},
        {"no TRGD mark", &TriageLayout::block, 0x08, 0x100, "驱动列表无法读取"},
        {"mark past the end", &TriageLayout::block, 0x08, 0xFFFFFFFE, "驱动列表无法读取"},
        {"stack larger than the file", &TriageLayout::block, 0x2C, 0xFFF0, "地址不在已加载的驱动内"},
        {"stack of 4 GiB", &TriageLayout::block, 0x2C, 0xFFFFFFFC, "地址不在已加载的驱动内"},
        {"stack past the end", &TriageLayout::block, 0x28, 0xFFFFFFF0, "地址不在已加载的驱动内"},
        {"file cut inside the triage block", &TriageLayout::block, 0x20, 0, "驱动列表无法读取"},
    };
    for (bool is64 : {true, false}) {
        for (const auto& c : cases) {
            TriageLayout layout;
            std::string bytes = TriageDumpBytes(Triage(is64, 0x139, 0x1000, {kD0 + 8}), &layout);
            // The buffers of a summary go from file to file: nothing of the intact dump may show.
            TriageDump reused;
            Summary(bytes, nullptr, &reused);
            size_t at = layout.*c.part + c.at;
            if (std::string(c.what) == "pool inside the list")
                PutLittle(bytes, at, layout.list + 0x10, 4);
            else if (std::string(c.what) == "file cut inside the triage block")
                bytes.resize(at);
            else
                PutLittle(bytes, at, c.value, 4);
            std::string text = Summary(bytes, nullptr, &reused);
            EXPECT_NE(std::string::npos, text.find("停止代码：0x00000139")) << c.what << is64 << text;
            EXPECT_EQ(std::string("可能原因：未知（") + c.reason + "）", LineAfter(text, "参数："))
                << c.what << " " << is64;
            EXPECT_EQ("涉及驱动：未知", LineAfter(text, "可能原因：")) << c.what << " " << is64;
        }
    }
}

TEST(Summary, DumpTypesByNumberAndBitmapSignature)
{
    const struct {
        bool is64;
        uint32_t type;
        const char* at0x2000;
        const char* text;
        const char* cause;
    } cases[] = {
        {true, 1, "", "完全内存转储", "未知（完全或核心内存转储需用调试器分析）"},
        {false, 2, "", "核心内存转储", "未知（完全或核心内存转储需用调试器分析）"},
        {true, 5, "SDMPDUMP", "核心内存转储", "未知（完全或核心内存转储需用调试器分析）"},
        {true, 6, "FDMPDUMP", "完全内存转储", "未知（完全或核心内存转储需用调试器分析）"},
        {true, 6, "PAGEPAGE", "6（未知类型）", "未知（不是小内存转储）"},
        {true, 5, "", "5（未知类型）", "未知（不是小内存转储）"},  // too short for a signature
        {false, 5, "SDMPDUMP", "5（未知类型）", "未知（不是小内存转储）"},
        {true, 3, "", "3（未知类型）", "未知（不是小内存转储）"},
        {true, 4, "", "小内存转储", "未知（驱动列表无法读取）"},
    };
    for (const auto& c : cases) {
        DumpHeaderFields f;
        f.is64 = c.is64;
        f.dumpType = c.type;
        std::string bytes = DumpHeaderBytes(f);
        bytes.resize(0x2000, 'p');
        bytes += c.at0x2000;
        std::string text = Summary(bytes);
        EXPECT_EQ(std::string("可能原因：") + c.cause, LineAfter(text, "参数：")) << c.text;
        EXPECT_NE(std::string::npos, text.find(std::string("\r\n转储类型：") + c.text + "\r\n")) << c.text;
        EXPECT_EQ(c.type == 4, text.find("涉及驱动：") != std::string::npos) << c.text;
    }
}

TEST(Summary, KernelDumpTakesTheCauseOfTheNearestSmallDumpOfTheSameCrash)
{
    auto entry = [](const char* name, uint32_t type, uint64_t seconds, uint64_t parameter) {
        TriageFields f = Triage(true, 0x7E, kAmdppm + 0x10, {kD0 + 8});
        f.header.dumpType = type;
        f.header.systemTime = seconds == 0 ? 0 : 133590000000000000ULL + seconds * 10000000ULL;
        f.header.parameters[0] = parameter;
        CrashSummaryEntry described;
        Summary(TriageDumpBytes(f), &described);
        described.name = name;
        return described;
    };
    std::string text = CrashSummaryBlocks(
        {entry("Minidump\\far.dmp", 4, 1050, 5), entry("MEMORY.DMP", 2, 1000, 5),
         entry("Minidump\\near.dmp", 4, 990, 5), entry("Minidump\\late.dmp", 4, 1061, 5),
         entry("Minidump\\other.dmp", 4, 1001, 6)});
    EXPECT_EQ("可能原因：amdppm.sys（\\SystemRoot\\System32\\drivers\\amdppm.sys，地址 0xFFFFF88004A00010，"
              "偏移 +0x10）（依据 Minidump\\near.dmp）",
              LineAfter(text.substr(text.find("文件：MEMORY.DMP")), "参数：")) << text;
    EXPECT_EQ("涉及驱动：d0.sys", LineAfter(text.substr(text.find("文件：MEMORY.DMP")), "可能原因："));
    // A dump without a crash time is of no known crash; one 61 s away is of another.
    for (uint64_t seconds : {0, 1061}) {
        text = CrashSummaryBlocks({entry("MEMORY.DMP", 2, seconds ? 1000 : 0, 5),
                                   entry("Minidump\\x.dmp", 4, seconds, 5)});
        EXPECT_EQ("可能原因：未知（完全或核心内存转储需用调试器分析）",
                  LineAfter(text.substr(text.find("文件：MEMORY.DMP")), "参数："))
            << text;
    }
}

TEST(Triage, DriverNamesCleanedBeforeTheyAreWritten)
{
    const struct {
        std::u16string path;
        std::string name;
    } cases[] = {
        {u"\\SystemRoot\\drivers\\a\r\nb.sys", "a\xEF\xBF\xBD\xEF\xBF\xBD" "b.sys"},  // no forged line
        {u"\\SystemRoot\\drivers\\" + std::u16string(300, u'x'), std::string(260, 'x')},
        {u"\\SystemRoot\\drivers\\", "未知"},
    };
    for (const auto& c : cases) {
        TriageFields f = Triage(true, 0x139, kAmdppm + 0x10, {});
        f.drivers[2].path = c.path;
        std::string cause = LineAfter(Summary(TriageDumpBytes(f)), "参数：");
        EXPECT_EQ(0u, cause.find("可能原因：" + c.name + "（")) << cause;
        EXPECT_EQ(std::string::npos, cause.find_first_of("\r\n")) << cause;
    }
}
