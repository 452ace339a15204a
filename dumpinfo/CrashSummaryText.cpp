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

// Formatted text appended in place: a summary of hundreds of blocks makes no string per value.
void AppendFormat(std::string& text, const char* format, ...)
{
    char formatted[256];
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(formatted, sizeof(formatted), format, arguments);
    va_end(arguments);
    text.append(formatted, length < 0 ? 0 : std::min<size_t>(length, sizeof(formatted) - 1));
}

void AppendHex(std::string& text, uint64_t value, bool is64)
{
    if (is64)
        AppendFormat(text, "0x%016llX", static_cast<unsigned long long>(value));
    else
        AppendFormat(text, "0x%08X", static_cast<unsigned>(value));
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
// Images start on page boundaries, so an image's page and its index in the list share one integer
// key, which sorts and searches fast; a dump that puts two images in one page (none that Windows
// writes) finds the first listed only.
class CDriverMap {
public:
    explicit CDriverMap(const TriageDump& triage)
        : m_triage(triage), m_kernel(triage.drivers.size(), kNotKnown)
    {
        static_assert(kMaxTriageDrivers <= kPage, "an index fits below the page");
        const std::vector<TriageDriver>& drivers = triage.drivers;
        m_keys.reserve(drivers.size());
        for (size_t i = 0; i < drivers.size(); ++i) {
            m_keys.push_back((drivers[i].base & ~(kPage - 1)) | i);
            uint64_t end = drivers[i].base + drivers[i].size;
            m_end = std::max<uint64_t>(m_end, end < drivers[i].base ? UINT64_MAX : end);
        }
        std::sort(m_keys.begin(), m_keys.end());
        m_keys.erase(std::unique(m_keys.begin(), m_keys.end(),
                                 [](uint64_t a, uint64_t b) { return (a ^ b) < kPage; }),
                     m_keys.end());
    }

    // The driver whose image holds the address, or -1.
    long Find(uint64_t address) const
    {
        // Most values on a stack are data, below or above every image.
        if (m_keys.empty() || address < (m_keys.front() & ~(kPage - 1)) || address >= m_end)
            return -1;
        // The last image whose page is at or below the address's.
        size_t i = *(std::upper_bound(m_keys.begin(), m_keys.end(), address | (kPage - 1)) - 1) &
                   (kPage - 1);
        const TriageDriver& driver = m_triage.drivers[i];
        return address - driver.base < driver.size ? static_cast<long>(i) : -1;
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
    static constexpr uint64_t kPage = 0x1000;
    std::vector<uint64_t> m_keys;  // page of the image's base, index in the list
    uint64_t m_end = 0;            // past the highest image
    mutable std::vector<signed char> m_kernel;
};

// What the saved stack says, in one pass: its first driver hit, its first hit outside kernel and
// HAL, and the drivers outside them in stack order, as many as the summary lists and one more.
struct StackDrivers {
    long first = -1, firstOther = -1;
    uint64_t firstAddress = 0, otherAddress = 0;
    std::vector<long> listed;
};

StackDrivers ScanStack(const TriageDump& triage, const CDriverMap& drivers)
{
    StackDrivers found;
    for (uint64_t value : triage.stack) {
        long hit = drivers.Find(value);
        if (hit < 0)
            continue;
        if (found.first < 0) {
            found.first = hit;
            found.firstAddress = value;
        }
        if (drivers.IsKernel(hit))
            continue;
        if (found.firstOther < 0) {
            found.firstOther = hit;
            found.otherAddress = value;
        }
        if (found.listed.size() <= kMaxInvolvedListed &&
            std::find(found.listed.begin(), found.listed.end(), hit) == found.listed.end())
            found.listed.push_back(hit);
    }
    return found;
}

std::string CauseText(const CrashSummaryEntry& entry, const TriageDump& triage,
                      const CDriverMap& drivers, const StackDrivers& stack)
{
    if (entry.kind == kDumpKernel || entry.kind == kDumpComplete)
        return "未知（完全或核心内存转储需用调试器分析）";
    if (entry.kind != kDumpSmall)
        return "未知（不是小内存转储）";
    if (!triage.valid || !triage.driversRead)
        return "未知（驱动列表无法读取）";
    // The instruction pointer, the parameter that is a code address, then the stack in order.
    long first = -1, cause = -1;
    uint64_t firstAddress = 0, address = 0;
    auto consider = [&](uint64_t candidate, long hit) {
        if (hit < 0)
            return false;
        if (first < 0) {
            first = hit;
            firstAddress = candidate;
        }
        if (drivers.IsKernel(hit))
            return false;
        cause = hit;
        address = candidate;
        return true;
    };
    int parameter = CodeAddressParameter(entry.header.bugCheckCode);
    uint64_t value = parameter >= 0 ? entry.header.parameters[parameter] : 0;
    if (!(triage.hasInstructionPointer &&
          consider(triage.instructionPointer, drivers.Find(triage.instructionPointer))) &&
        !(parameter >= 0 && consider(value, drivers.Find(value))) &&
        !consider(stack.otherAddress, stack.firstOther))
        consider(stack.firstAddress, stack.first);
    if (cause < 0) {
        cause = first;
        address = firstAddress;
    }
    if (cause < 0)
        return "未知（地址不在已加载的驱动内）";
    const TriageDriver& driver = triage.drivers[cause];
    std::string text = drivers.FileName(cause) + "（" + CleanName(PathOf(triage, driver)) + "，地址 ";
    AppendHex(text, address, entry.header.is64);
    AppendFormat(text, "，偏移 +0x%llX）", static_cast<unsigned long long>(address - driver.base));
    return text;
}

std::string InvolvedText(const CrashSummaryEntry& entry, const TriageDump& triage,
                         const CDriverMap& drivers, const StackDrivers& stack)
{
    if (entry.kind != kDumpSmall)
        return "";
    if (!triage.valid || !triage.driversRead || !triage.stackRead)
        return "未知";
    const std::vector<long>& listed = stack.listed;
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

void AppendDumpType(std::string& text, const CrashSummaryEntry& entry)
{
    switch (entry.kind) {
    case kDumpComplete: text += "完全内存转储"; break;
    case kDumpKernel: text += "核心内存转储"; break;
    case kDumpSmall: text += "小内存转储"; break;
    default: AppendFormat(text, "%u（未知类型）", entry.header.dumpType);
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

void AppendBlock(std::string& text, const CrashSummaryEntry& entry)
{
    text += "\r\n文件：";
    text += entry.name;
    if (!entry.readable) {
        text += "　不是可读的蓝屏转储文件\r\n";
        return;
    }
    const CrashDumpHeader& header = entry.header;
    AppendFormat(text, "\r\n大小：%llu 字节\r\n蓝屏时间：", static_cast<unsigned long long>(entry.size));
    text += entry.crashTime;
    AppendFormat(text, "\r\n停止代码：0x%08X", header.bugCheckCode);
    std::string name = BugCheckName(header.bugCheckCode);
    if (!name.empty()) {
        text += ' ';
        text += name;
    }
    text += "\r\n参数：";
    for (int i = 0; i < 4; ++i) {
        if (i > 0)
            text += ' ';
        AppendHex(text, header.parameters[i], header.is64);
    }
    text += "\r\n可能原因：";
    text += entry.cause;
    if (!entry.involved.empty()) {
        text += "\r\n涉及驱动：";
        text += entry.involved;
    }
    if (const char* advice = AdviceText(header.bugCheckCode)) {
        text += "\r\n建议：";
        text += advice;
    }
    text += "\r\n转储类型：";
    AppendDumpType(text, entry);
    AppendFormat(text, "\r\n处理器数：%u\r\n内部版本：%u\r\n", header.processors, header.buildNumber);
}

}  // namespace

void DescribeCrashDump(CDumpFile& file, CrashSummaryEntry& entry, TriageDump& triage)
{
    entry.readable = ReadCrashDump(file, entry.header, entry.kind, triage);
    if (!entry.readable)
        return;
    CDriverMap drivers(triage);
    StackDrivers stack = ScanStack(triage, drivers);
    entry.cause = CauseText(entry, triage, drivers, stack);
    entry.involved = InvolvedText(entry, triage, drivers, stack);
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
        AppendBlock(text, entry);
    }
    return text;
}
