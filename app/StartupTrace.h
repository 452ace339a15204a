// Start-up breakdown of the benchmark build (KESTRUNE_STARTUP_TRACE): marks of the start-up's
// stages, written beside the executable once the panel has painted. Not in the shipped module.
#pragma once

#ifdef KESTRUNE_STARTUP_TRACE
void StartupTraceBegin();
void StartupMark(const char* stage);
#else
inline void StartupTraceBegin() {}
inline void StartupMark(const char*) {}
#endif
