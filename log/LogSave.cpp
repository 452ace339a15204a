#include "log/LogSave.h"
#include "fw/FileFind.h"
#include "fw/Profile.h"
#include "fw/Str.h"
#include "log/LogSaveCloseFile.h"
#include "sys/PlatformQueries.h"

std::wstring LogBaseFolder()
{
    std::wstring base = GetCommonAppDataPath();
    // Never a relative folder: the current directory is often the tool's own folder, which is
    // removed at exit. The temporary folder outlives the tool.
    if (base.empty())
        base = GetTempFolderPath();
    return base;
}

CLogSave* CLogSave::GetInstance()
{
    static CLogSave instance;
    return &instance;
}

CLogSave::CLogSave()
{
    std::wstring base = LogBaseFolder();
    m_strLogDir = base + L"ToolLog";
    if (!PathExists(m_strLogDir))
        CreateDirectoryW(m_strLogDir.c_str(), nullptr);
    m_strLogDir += L"\\";

    std::wstring print = ReadIniString(base + L"logCfg.ini", L"Log", L"print", L"-1");
    m_bPrint = ParseLeadingInt(print) == 1;

    // The keep-open writer is never chosen: the strategy is fixed to open and close per entry.
    m_pLog = new CLogSaveCloseFile(m_strLogDir);
}

CLogSave::~CLogSave()
{
    delete m_pLog;
    m_pLog = nullptr;
}

void CLogSave::WriteLog(std::string text, std::string fileName, bool force)
{
    if (m_pLog != nullptr && (force || m_bPrint))
        m_pLog->WriteText(std::move(text), std::move(fileName));
}
