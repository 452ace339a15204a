// File finding over FindFirstFileW / FindNextFileW, in the shape the jobs use.
#pragma once
#include <windows.h>
#include <string>

class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search; true when the first entry is available.
    bool FindFile(const std::wstring& pattern);
    // Moves to the next entry; false when there is none.
    bool FindNextFile();
    void Close();

    std::wstring GetFileName() const { return m_data.cFileName; }
    bool IsDots() const;
    bool IsDirectory() const { return (m_data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    DWORD GetAttributes() const { return m_data.dwFileAttributes; }
    unsigned long long GetLength() const
    {
        return (static_cast<unsigned long long>(m_data.nFileSizeHigh) << 32) | m_data.nFileSizeLow;
    }

private:
    HANDLE m_hFind = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAW m_data = {};
};

// True when a file or directory of that name exists.
bool PathExists(const std::wstring& path);
// True when a directory of that name exists.
bool DirectoryExists(const std::wstring& path);
