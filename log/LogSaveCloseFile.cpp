#include "log/LogSaveCloseFile.h"
#include "fw/Handle.h"
#include "fw/Str.h"
#include "sys/PlatformQueries.h"

std::string FormatHexText(const unsigned char* data, int length)
{
    std::string text;
    for (int i = 0; i < length; ++i)
        text += FormatA("%02X ", static_cast<unsigned>(data[i]));
    return text;
}

std::string LogText(const wchar_t* text)
{
    return WideToCodePage(text, 936);
}

std::string FormatLogLine(const SYSTEMTIME& t, const std::string& text)
{
    return FormatA("[%04d-%02d-%02d %02d:%02d:%02d %03dms]   ", t.wYear, t.wMonth, t.wDay, t.wHour,
                   t.wMinute, t.wSecond, t.wMilliseconds) +
           text + "\r\r\n";
}

void CLogSaveCloseFile::WritePacket(const CPacketLog& entry)
{
    CSingleLock lock(m_cs);

    std::wstring path = m_strLogDir + AnsiToWide(entry.GetFileName());

    CHandle file(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return;  // dropped silently: logging never changes what the caller does

    SYSTEMTIME now;
    GetLocalTime(&now);
    std::string line = FormatLogLine(now, entry.GetText());

    LARGE_INTEGER zero = {};
    if (!SetFilePointerEx(file.Get(), zero, nullptr, FILE_END))
        return;
    // Prefix and body in one write, so another process sharing the file never splits them.
    DWORD written = 0;
    WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);

    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file.Get(), &size) &&
        static_cast<unsigned long long>(size.QuadPart) > kLogRotationSize) {
        file.Close();
        std::wstring backup = path + L"bak";
        MoveFileExW(path.c_str(), backup.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
}

void CLogSaveCloseFile::WriteHex(const unsigned char* data, int length, std::string fileName)
{
    WriteText(FormatHexText(data, length), std::move(fileName));
}

void CLogSaveCloseFile::WriteText(std::string text, std::string fileName)
{
    CPacketLog entry;
    entry.SetText(std::move(text));
    entry.SetFileName(std::move(fileName));
    WritePacket(entry);
}
