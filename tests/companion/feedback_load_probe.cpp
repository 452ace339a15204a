// Loads the companion library the way the tool does, from its own folder, and prints what came
// of it: "load=1 module=1 resolved=11111111111 init=1 more=<fourth string> freed=1".
// With the argument "check" it asks for a newer version first and, after unloading the library,
// waits a while: a request the library gave up on must not bring the process down.
#include "feedback/FeedbackLibrary.h"

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    bool check = argc > 1 && strcmp(argv[1], "check") == 0;
    CFeedbackLibrary library;
    bool loaded = library.Load();
    std::string resolved;
    for (int i = 0; i < CFeedbackLibrary::kExportCount; ++i)
        resolved += library.HasExport(i) ? '1' : '0';
    printf("load=%d module=%d resolved=%s", loaded ? 1 : 0, library.Module() != nullptr ? 1 : 0,
           resolved.c_str());
    if (loaded) {
        FeedbackInitInfo info = {};
        int init = library.InitFreedbackDll(&info);
        char more[FEEDBACK_INFO_CHARS * 3] = {};
        WideCharToMultiByte(CP_UTF8, 0, info.szMoreToolsUrl, -1, more, sizeof(more), nullptr,
                            nullptr);
        printf(" init=%d more=%s", init, more);
    }
    if (loaded && check)
        printf(" check=%d", library.GetToolIsNewVersion(L"10107", L"1.3.22.1026"));
    HMODULE module = library.Module();
    library.Free();
    // After Free the library is gone from the process and the binding holds nothing.
    wchar_t name[MAX_PATH] = {};
    bool gone = module == nullptr || GetModuleFileNameW(module, name, MAX_PATH) == 0;
    bool cleared = library.Module() == nullptr;
    for (int i = 0; i < CFeedbackLibrary::kExportCount; ++i)
        cleared = cleared && !library.HasExport(i);
    printf(" freed=%d", cleared ? 1 : 0);
    if (check) {
        Sleep(2000);
        printf(" survived=1");
    } else {
        printf(" unloaded=%d", gone ? 1 : 0);
    }
    printf("\n");
    fflush(stdout);
    return 0;
}
