// Test helper: writes a file's bytes to standard output unchanged, in one write.
#include <windows.h>

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD size = GetFileSize(file, nullptr);
    HANDLE heap = GetProcessHeap();
    char* bytes = static_cast<char*>(HeapAlloc(heap, 0, size + 1));
    DWORD read = 0;
    BOOL ok = bytes != nullptr && ReadFile(file, bytes, size, &read, nullptr);
    CloseHandle(file);
    DWORD written = 0;
    if (ok)
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes, read, &written, nullptr);
    return ok && written == read ? 0 : 1;
}
