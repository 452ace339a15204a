#include "sys/AnsiChunkDecoder.h"

#include <vector>

void AppendConverted(UINT codePage, const char* bytes, size_t count, std::wstring& output)
{
    if (count == 0)
        return;
    int needed = MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), nullptr, 0);
    if (needed <= 0)
        return;
    std::vector<wchar_t> wide(needed);
    MultiByteToWideChar(codePage, 0, bytes, static_cast<int>(count), wide.data(), needed);
    output.append(wide.data(), needed);
}

void CAnsiChunkDecoder::Append(const char* bytes, size_t count, std::wstring& output)
{
    m_pending.append(bytes, count);
    // Trail bytes of code page 936 overlap its lead bytes, so only a walk from a known character
    // start tells whether the last byte begins a character.
    size_t complete = 0;
    size_t i = 0;
    while (i < m_pending.size()) {
        unsigned char b = static_cast<unsigned char>(m_pending[i]);
        size_t width = IsDBCSLeadByteEx(m_codePage, b) ? 2 : 1;
        if (i + width > m_pending.size())
            break;
        i += width;
        complete = i;
    }
    AppendConverted(m_codePage, m_pending.data(), complete, output);
    m_pending.erase(0, complete);
}

void CAnsiChunkDecoder::Finish(std::wstring& output)
{
    AppendConverted(m_codePage, m_pending.data(), m_pending.size(), output);
    m_pending.clear();
}
