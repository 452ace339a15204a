// The crash summary that the export leaves beside the dumps: what each exported file says
// (stop code, parameters, probable cause, crash time, dump type, processors, build), newest first.
#pragma once
#include "dumpinfo/CrashSummaryText.h"

#include <windows.h>

#include <string>

// An open dump file read by ranges, one positioned read a range: under Wine each call is a round
// trip, and an export may hold hundreds of files.
class CDumpHandleFile : public CDumpFile {
public:
    CDumpHandleFile(HANDLE file, uint64_t size) : m_file(file), m_size(size) {}
    uint64_t Size() const override { return m_size; }
    bool Read(uint64_t offset, void* buffer, size_t bytes) override;

private:
    HANDLE m_file;
    uint64_t m_size;
};

// Reads the header and, of a small dump, the driver list, context and stack, opening the file
// without denying others; false for a file that cannot be opened or read, that is no file on disk
// (a directory, a link, a pipe), or that is not a crash dump. Triage's buffers are reused.
bool ReadCrashDumpFile(const std::wstring& path, CrashSummaryEntry& entry, TriageDump& triage);

// Writes "蓝屏摘要.txt" (UTF-8 with byte-order mark, CR LF) into the export folder, replacing an
// older one, for its MEMORY.DMP and the files of its Minidump folder. A failure is logged in
// "Pandrell.txt" and returns false; it never touches the dumps.
bool WriteCrashSummary(const std::wstring& exportFolder);
