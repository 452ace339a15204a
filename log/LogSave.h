// The process-wide log front door: reads logCfg.ini, keeps the ToolLog folder and its writer.
#pragma once
#include "log/LogBase.h"

#include <memory>
#include <string>

class CLogSave {
public:
    // Created on the first call (safe when two threads make it at once), destroyed at exit.
    static CLogSave* GetInstance();

    CLogSave();
    virtual ~CLogSave();
    CLogSave(const CLogSave&) = delete;
    CLogSave& operator=(const CLogSave&) = delete;

    // Hands the entry to the writer when force is set or logCfg.ini switches printing on.
    void WriteLog(std::string text, std::string fileName, bool force);

    bool m_bPrint = false;
    std::wstring m_strLogDir;
    CLogBase* m_pLog = nullptr;
};

// The folder that holds logCfg.ini and ToolLog, with a trailing backslash.
std::wstring LogBaseFolder();
