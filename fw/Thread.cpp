#include "fw/Thread.h"

bool StartDetachedThread(LPTHREAD_START_ROUTINE routine, void* parameter)
{
    HANDLE thread = CreateThread(nullptr, 0, routine, parameter, 0, nullptr);
    if (thread == nullptr)
        return false;
    CloseHandle(thread);
    return true;
}
