// The blocks of the crash summary (UTF-8, CR LF): for each exported file its stop code, the
// driver that probably caused the crash (from driver addresses, not symbols), the drivers on its
// saved stack and advice for the commonest stop codes; newest crash first.
#pragma once
#include "TriageDump.h"

#include <string>
#include <vector>

struct CrashSummaryEntry {
    std::string name;  // UTF-8, relative to the export folder: "Minidump\120726-01.dmp"
    uint64_t size = 0;
    std::string crashTime;  // UTF-8, the crash time in the PC's local time
    bool readable = false;
    CrashDumpHeader header;
    DumpKind kind = kDumpKindUnknown;
    std::string cause;     // what follows "可能原因："
    std::string involved;  // what follows "涉及驱动："; empty for no such line
};

// Reads the file and fills all but name, size and crashTime. The file's contents go to triage,
// whose buffers a caller of many files passes again.
void DescribeCrashDump(CDumpFile& file, CrashSummaryEntry& entry, TriageDump& triage);

// Every entry's block, each after an empty line. A kernel or complete dump takes its cause from a
// small dump of the same crash among the entries.
std::string CrashSummaryBlocks(std::vector<CrashSummaryEntry> entries);
