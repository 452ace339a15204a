// The writer that opens, appends to and closes the file for every entry, one entry at a time.
#pragma once
#include "fw/CriticalSection.h"
#include "fw/Handle.h"
#include "log/LogBase.h"

class CLogSaveCloseFile : public CLogBase {
public:
    explicit CLogSaveCloseFile(std::wstring logDir);
    ~CLogSaveCloseFile() override;
    CLogSaveCloseFile(const CLogSaveCloseFile&) = delete;
    CLogSaveCloseFile& operator=(const CLogSaveCloseFile&) = delete;

    void WritePacket(const CPacketLog& entry) override;
    void WriteHex(const unsigned char* data, int length, std::string fileName) override;
    void WriteText(std::string text, std::string fileName) override;

private:
    CCriticalSection m_cs;
    // The appending turn that our processes share (see WritePacket); null when unavailable.
    CHandle m_turnMapping;
    volatile LONG* m_pTurn = nullptr;
};
