// Opens a page through the shell's "open" verb, or in log mode only names it in the call log.
#pragma once
#include <string>

// True when the shell took the target (or, in log mode, always); note says what happened.
bool OpenThroughShell(const std::wstring& target, bool logOnly, std::wstring& note);
