// The writer interface: appends time-stamped entries to named files in one log folder.
#pragma once
#include "log/PacketLog.h"

#include <windows.h>
#include <string>

class CLogBase {
public:
    explicit CLogBase(std::wstring logDir) : m_strLogDir(std::move(logDir)) {}
    virtual ~CLogBase() = default;

    virtual void WritePacket(const CPacketLog& entry) = 0;
    virtual void WriteHex(const unsigned char* data, int length, std::string fileName) = 0;
    virtual void WriteText(std::string text, std::string fileName) = 0;

protected:
    std::wstring m_strLogDir;  // ends in a backslash
};

// Files longer than this after an entry are moved to their "bak" generation.
const unsigned long long kLogRotationSize = 6020000;

// "01 AB FF " for the bytes 0x01 0xAB 0xFF; empty for a length of 0 or less.
std::string FormatHexText(const unsigned char* data, int length);
// The bytes of one entry as stored: the time-stamp prefix, the text's bytes unchanged (code page
// 936, see LogText), and CR CR LF, the ending that existing log readers expect.
std::string FormatLogLine(const SYSTEMTIME& time, const std::string& text);
// An entry text in code page 936, the encoding of every log file, whatever the system's code page.
std::string LogText(const wchar_t* text);
