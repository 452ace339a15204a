// The crash summary that the export leaves beside the dumps: what each exported file says
// (stop code and name, parameters, crash time, dump type, processors, build), newest crash first.
#pragma once
#include "dumpinfo/CrashDumpHeader.h"

#include <string>

// Reads the header only, opening the file without denying others; false for a file that cannot be
// opened or read, or that is not a crash dump (also a directory).
bool ReadCrashDumpFile(const std::wstring& path, CrashDumpHeader& header);

// Writes "蓝屏摘要.txt" (UTF-8 with byte-order mark, CR LF) into the export folder, replacing an
// older one, for its MEMORY.DMP and the files of its Minidump folder. A failure is logged in
// "Pandrell.txt" and returns false; it never touches the dumps.
bool WriteCrashSummary(const std::wstring& exportFolder);
