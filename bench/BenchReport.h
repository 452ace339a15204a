// What the benchmark programs share: a monotonic clock and the line each figure is printed on,
// beside its baseline and the ratio.
#pragma once
#include <windows.h>

#include <cstdio>

inline double Now()
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / frequency.QuadPart;
}

inline void Line(const char* what, double value, double baseline, const char* unit)
{
    printf("%-58s %10.3f %-4s baseline %10.3f %-4s ratio ", what, value, unit, baseline, unit);
    if (baseline > 0)
        printf("%6.2f\n", value / baseline);
    else
        printf("   n/a (baseline 0)\n");
}
