#include "CrashSummaryText.h"

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>

namespace {

const uint32_t kManualVariant = 0x10000000;  // the "_M" codes carry the same parameters
const uint64_t kTimeNotSet = 0x4547415045474150ULL;  // the header's filler "PAGEPAGE"
const uint64_t kSameCrashWindow = 60 * 10000000ULL;  // in 100 ns
const size_t kMaxNameCharacters = 260;
const size_t kMaxInvolvedListed = 8;

std::string Format(const char* format, ...)
{
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof(text), format, arguments);
    va_end(arguments);
    return text;
}

std::string Hex(uint64_t value, bool is64)
{
    return is64 ? Format("0x%016llX", static_cast<unsigned long long>(value))
                : Format("0x%08X", static_cast<unsigned>(value));
}

void AppendUtf8(std::string& text, uint32_t c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else if (c < 0x800) {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        text += static_cast<char>(0xE0 | (c >> 12));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (c >> 18));
        text += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// A name from the dump as the summary may show it: a CR or LF in it would forge lines of its own.
std::string CleanName(const std::u16string& name)
{
    std::string text;
    size_t characters = 0;
    for (size_t i = 0; i < name.size() && characters < kMaxNameCharacters; ++characters) {
        uint32_t c = name[i++];
        bool high = c >= 0xD800 && c < 0xDC00;
        if (high && i < name.size() && name[i] >= 0xDC00 && name[i] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (name[i++] - 0xDC00);
        else if (c >= 0xD800 && c < 0xE000)
            c = 0xFFFD;  // half a pair
        if (c < 0x20 || (c >= 0x7F && c < 0xA0))
            c = 0xFFFD;
        AppendUtf8(text, c);
    }
    return text.empty() ? "未知" : text;
}

std::u16string FileNameOf(const std::u16string& path)
{
    size_t slash = path.find_last_of(u'\\');
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string PathOf(const TriageDump& triage, const TriageDriver& driver)
{
    std::u16string path(driver.nameLength, u'\0');
    for (size_t i = 0; i < path.size(); ++i)
        path[i] = PathCharacter(triage, driver, i);
    return path;
}

// The kernel and the HAL are on every stack; what people look for is the driver beside them.
bool IsKernelOrHal(const TriageDump& triage, const TriageDriver& driver)
{
    size_t start = driver.nameLength;
    while (start > 0 && PathCharacter(triage, driver, start - 1) != u'\\')
        --start;
    auto is = [&](size_t at, const char* lowerCase) {
        for (size_t i = 0; lowerCase[i] != '\0'; ++i) {
            char16_t c = PathCharacter(triage, driver, at + i);
            if ((c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c) != lowerCase[i])
                return false;
        }
        return true;
    };
    size_t length = driver.nameLength - start;
    if (length == 12)
        for (const char* kernel : {"ntoskrnl.exe", "ntkrnlpa.exe", "ntkrnlmp.exe", "ntkrpamp.exe"})
            if (is(start, kernel))
                return true;
    return length >= 7 && is(start, "hal") && is(driver.nameLength - 4, ".dll");  // hal*.dll
}

// Index of the stop parameter that holds the faulting code's address, or -1.
int CodeAddressParameter(uint32_t code)
{
    switch (code & ~kManualVariant) {
    case 0x1E: case 0x3B: case 0x7E: case 0x8E: return 1;
    case 0x50: return 2;
    case 0x0A: case 0xC5: case 0xD1: return 3;
    default: return -1;
    }
}

// Drivers by image base, so that each address is one search even on a stack of thousands.
class CDriverMap {
public:
    explicit CDriverMap(const TriageDump& triage)
        : m_triage(triage), m_kernel(triage.drivers.size(), kNotKnown)
    {
        const std::vector<TriageDriver>& drivers = triage.drivers;
        m_indices.resize(drivers.size());
        for (size_t i = 0; i < drivers.size(); ++i) {
            m_indices[i] = i;
            uint64_t end = drivers[i].base + drivers[i].size;
            m_end = std::max<uint64_t>(m_end, end < drivers[i].base ? UINT64_MAX : end);
        }
        // Stable, so that of two images at one base the first listed is found.
        std::stable_sort(m_indices.begin(), m_indices.end(),
                         [&](size_t a, size_t b) { return drivers[a].base < drivers[b].base; });
        m_bases.reserve(drivers.size());
        for (size_t i : m_indices)
            m_bases.push_back(drivers[i].base);
    }

    // The driver whose image holds the address, or -1.
    long Find(uint64_t address) const
    {
        // Most values on a stack are data, below or above every image.
        if (m_bases.empty() || address < m_bases.front() || address >= m_end)
            return -1;
        size_t after = std::upper_bound(m_bases.begin(), m_bases.end(), address) - m_bases.begin();
        const TriageDriver& driver = m_triage.drivers[m_indices[after - 1]];
        return address - driver.base < driver.size ? static_cast<long>(m_indices[after - 1]) : -1;
    }

    bool IsKernel(long i) const
    {
        if (m_kernel[i] == kNotKnown)
            m_kernel[i] = IsKernelOrHal(m_triage, m_triage.drivers[i]) ? 1 : 0;
        return m_kernel[i] == 1;
    }

    // The driver's file name as its path ends, cleaned for the summary.
    std::string FileName(long i) const
    {
        return CleanName(FileNameOf(PathOf(m_triage, m_triage.drivers[i])));
    }

private:
    static constexpr signed char kNotKnown = -1;
    const TriageDump& m_triage;
    std::vector<uint64_t> m_bases;
    std::vector<size_t> m_indices;
    uint64_t m_end = 0;  // past the highest image
    mutable std::vector<signed char> m_kernel;
};

std::string CauseText(const CrashSummaryEntry& entry, const TriageDump& triage,
                      const CDriverMap& drivers, const std::vector<long>& stackHits)
{
    if (entry.kind == kDumpKernel || entry.kind == kDumpComplete)
        return "未知（完全或核心内存转储需用调试器分析）";
    if (entry.kind != kDumpSmall)
        return "未知（不是小内存转储）";
    if (!triage.valid || !triage.driversRead)
        return "未知（驱动列表无法读取）";
    std::vector<std::pair<uint64_t, long>> candidates;
    candidates.reserve(2 + triage.stack.size());
    if (triage.hasInstructionPointer)
        candidates.push_back({triage.instructionPointer, drivers.Find(triage.instructionPointer)});
    int parameter = CodeAddressParameter(entry.header.bugCheckCode);
    if (parameter >= 0) {
        uint64_t value = entry.header.parameters[parameter];
        candidates.push_back({value, drivers.Find(value)});
    }
    for (size_t i = 0; i < triage.stack.size(); ++i)
        candidates.push_back({triage.stack[i], stackHits[i]});

    long first = -1, cause = -1;
    uint64_t firstAddress = 0, address = 0;
    for (const auto& at : candidates) {
        uint64_t candidate = at.first;
        long hit = at.second;
        if (hit < 0)
            continue;
        if (first < 0) {
            first = hit;
            firstAddress = candidate;
        }
        if (!drivers.IsKernel(hit)) {
            cause = hit;
            address = candidate;
            break;
        }
    }
    if (cause < 0) {
        cause = first;
        address = firstAddress;
    }
    if (cause < 0)
        return "未知（地址不在已加载的驱动内）";
    const TriageDriver& driver = triage.drivers[cause];
    return drivers.FileName(cause) + "（" + CleanName(PathOf(triage, driver)) + "，地址 " +
           Hex(address, entry.header.is64) +
           Format("，偏移 +0x%llX）", static_cast<unsigned long long>(address - driver.base));
}

std::string InvolvedText(const CrashSummaryEntry& entry, const TriageDump& triage,
                         const CDriverMap& drivers, const std::vector<long>& stackHits)
{
    if (entry.kind != kDumpSmall)
        return "";
    if (!triage.valid || !triage.driversRead || !triage.stackRead)
        return "未知";
    std::vector<long> listed;
    for (long hit : stackHits) {
        if (hit >= 0 && !drivers.IsKernel(hit) &&
            std::find(listed.begin(), listed.end(), hit) == listed.end())
            listed.push_back(hit);
    }
    if (listed.empty())
        return "无";
    std::string text;
    for (size_t i = 0; i < listed.size() && i < kMaxInvolvedListed; ++i)
        text += (i > 0 ? "、" : "") + drivers.FileName(listed[i]);
    return listed.size() > kMaxInvolvedListed ? text + "等" : text;
}

// From the resolution advice of Microsoft's bug check code reference, for a PC owner.
const char* AdviceText(uint32_t code)
{
    switch (code & ~kManualVariant) {
    case 0x0A: return "驱动程序访问了无效的内存地址：请更新或卸载“可能原因”中的驱动程序，并撤销最近新装的硬件和软件。";
    case 0x1E: return "内核程序出现未处理的错误：请更新或卸载“可能原因”中的驱动程序，并确认系统盘有足够的剩余空间。";
    case 0x3B: return "系统服务运行出错：请更新或卸载“可能原因”中的驱动程序，并安装最新的 Windows 更新。";
    case 0x50: return "访问了无效的内存：请运行 Windows 内存诊断检测内存，检查硬盘，并更新或卸载“可能原因”中的驱动程序。";
    case 0x7E: return "系统线程出现未处理的错误：请更新或卸载“可能原因”中的驱动程序，必要时更新显卡驱动和 BIOS。";
    case 0x9F: return "驱动程序在睡眠、唤醒或关机时没有响应：请更新或卸载“可能原因”中的驱动程序，常见于网卡、显卡和 USB 设备。";
    case 0xD1: return "驱动程序访问了无效的内存地址：请更新或卸载“可能原因”中的驱动程序。";
    case 0xEF: return "系统关键进程意外结束：请用 chkdsk 检查硬盘、用 sfc /scannow 修复系统文件，并撤销最近的系统更改。";
    case 0x133: return "驱动程序或设备长时间没有响应：请更新“可能原因”中的驱动程序，以及固态硬盘固件和存储控制器驱动。";
    case 0x139: return "内核发现数据结构被破坏：请更新或卸载“可能原因”中的驱动程序，并检测内存。";
    default: return nullptr;
    }
}

std::string DumpTypeText(const CrashSummaryEntry& entry)
{
    switch (entry.kind) {
    case kDumpComplete: return "完全内存转储";
    case kDumpKernel: return "核心内存转储";
    case kDumpSmall: return "小内存转储";
    default: return Format("%u（未知类型）", entry.header.dumpType);
    }
}

bool HasCrashTime(const CrashDumpHeader& header)
{
    return header.systemTime != 0 && header.systemTime != kTimeNotSet;
}

bool SameStop(const CrashDumpHeader& a, const CrashDumpHeader& b)
{
    return a.bugCheckCode == b.bugCheckCode &&
           std::equal(a.parameters, a.parameters + 4, b.parameters);
}

// Windows writes a small dump of the same crash beside MEMORY.DMP; only it names drivers.
void TakeCauseFromSmallDump(CrashSummaryEntry& entry, const std::vector<CrashSummaryEntry>& all)
{
    const CrashSummaryEntry* nearest = nullptr;
    uint64_t nearestGap = 0;
    for (const CrashSummaryEntry& small : all) {
        if (!small.readable || small.kind != kDumpSmall || !SameStop(small.header, entry.header) ||
            !HasCrashTime(small.header) || !HasCrashTime(entry.header))
            continue;
        uint64_t a = small.header.systemTime, b = entry.header.systemTime;
        uint64_t gap = a > b ? a - b : b - a;
        if (gap <= kSameCrashWindow && (nearest == nullptr || gap < nearestGap)) {
            nearest = &small;
            nearestGap = gap;
        }
    }
    if (nearest != nullptr) {
        entry.cause = nearest->cause + "（依据 " + nearest->name + "）";
        entry.involved = nearest->involved;
    }
}

std::string BlockText(const CrashSummaryEntry& entry)
{
    std::string text = "文件：" + entry.name;
    if (!entry.readable)
        return text + "　不是可读的蓝屏转储文件\r\n";
    const CrashDumpHeader& header = entry.header;
    text += Format("\r\n大小：%llu 字节\r\n", static_cast<unsigned long long>(entry.size));
    text += "蓝屏时间：" + entry.crashTime + Format("\r\n停止代码：0x%08X", header.bugCheckCode);
    std::string name = BugCheckName(header.bugCheckCode);
    if (!name.empty())
        text += " " + name;
    text += "\r\n参数：";
    for (int i = 0; i < 4; ++i)
        text += (i > 0 ? " " : "") + Hex(header.parameters[i], header.is64);
    text += "\r\n可能原因：" + entry.cause + "\r\n";
    if (!entry.involved.empty())
        text += "涉及驱动：" + entry.involved + "\r\n";
    if (const char* advice = AdviceText(header.bugCheckCode))
        text += std::string("建议：") + advice + "\r\n";
    text += "转储类型：" + DumpTypeText(entry);
    text += Format("\r\n处理器数：%u\r\n内部版本：%u\r\n", header.processors, header.buildNumber);
    return text;
}

}  // namespace

void DescribeCrashDump(CDumpFile& file, CrashSummaryEntry& entry)
{
    TriageDump triage;
    entry.readable = ReadCrashDump(file, entry.header, entry.kind, triage);
    if (!entry.readable)
        return;
    CDriverMap drivers(triage);
    std::vector<long> stackHits;
    stackHits.reserve(triage.stack.size());
    for (uint64_t value : triage.stack)
        stackHits.push_back(drivers.Find(value));
    entry.cause = CauseText(entry, triage, drivers, stackHits);
    entry.involved = InvolvedText(entry, triage, drivers, stackHits);
}

std::string CrashSummaryBlocks(std::vector<CrashSummaryEntry> entries)
{
    // Newest crash first; files that say nothing follow, by name.
    std::sort(entries.begin(), entries.end(),
              [](const CrashSummaryEntry& a, const CrashSummaryEntry& b) {
                  if (a.readable != b.readable)
                      return a.readable;
                  if (a.readable && a.header.systemTime != b.header.systemTime)
                      return a.header.systemTime > b.header.systemTime;
                  return a.name < b.name;
              });
    std::string text;
    for (CrashSummaryEntry& entry : entries) {
        if (entry.readable && (entry.kind == kDumpKernel || entry.kind == kDumpComplete))
            TakeCauseFromSmallDump(entry, entries);
        text += "\r\n" + BlockText(entry);
    }
    return text;
}
