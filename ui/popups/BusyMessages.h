// The message that ends the busy popup: sent by every worker to the panel, which forwards it to
// the popup's frame.
#pragma once
#include <windows.h>

#define WM_CLOSE_BUSY_PROMPT (WM_USER + 501)
