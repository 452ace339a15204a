#include "fw/FileFind.h"

bool CFileFind::FindFile(const std::wstring& pattern)
{
    Close();
    m_hFind = FindFirstFileW(pattern.c_str(), &m_data);
    return m_hFind != INVALID_HANDLE_VALUE;
}

bool CFileFind::FindNextFile()
{
    if (m_hFind == INVALID_HANDLE_VALUE)
        return false;
    return ::FindNextFileW(m_hFind, &m_data) != FALSE;
}

void CFileFind::Close()
{
    if (m_hFind != INVALID_HANDLE_VALUE)
        FindClose(m_hFind);
    m_hFind = INVALID_HANDLE_VALUE;
}

bool CFileFind::IsDots() const
{
    return wcscmp(m_data.cFileName, L".") == 0 || wcscmp(m_data.cFileName, L"..") == 0;
}

bool PathExists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DirectoryExists(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
