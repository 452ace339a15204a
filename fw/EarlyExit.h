// The early end of the program, right after a prompt (failed start-up check, newer version).
#pragma once

// Ends the process at once with status 0: no window is destroyed, so neither the clean-up of
// the windows nor the removal of the program's folder happens.
[[noreturn]] void ExitEarly();
