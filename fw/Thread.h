// Starts a worker thread that runs on detached: default security and stack, started at once.
#pragma once
#include <windows.h>

bool StartDetachedThread(LPTHREAD_START_ROUTINE routine, void* parameter);
