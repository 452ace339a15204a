// Turns a byte stream that arrives in chunks (a pipe) into UTF-16 text without breaking a
// double-byte character that a chunk boundary splits: the incomplete tail waits for the next chunk.
#pragma once
#include <windows.h>
#include <string>

class CAnsiChunkDecoder {
public:
    explicit CAnsiChunkDecoder(UINT codePage = CP_ACP) : m_codePage(codePage) {}

    // Appends the text of every complete character in pending bytes plus this chunk.
    void Append(const char* bytes, size_t count, std::wstring& output);
    // Converts what is left when the stream ends (a lone lead byte becomes the code page's default).
    void Finish(std::wstring& output);

private:
    UINT m_codePage;
    std::string m_pending;
};

// Appends the conversion of the bytes from the given code page to output.
void AppendConverted(UINT codePage, const char* bytes, size_t count, std::wstring& output);
