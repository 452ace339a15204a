// Test helper: prints the version pair and class that the product's detection gives this process.
#include "dump/CrashDumpJobs.h"

#include <cstdio>

int main()
{
    CCrashDumpJobs jobs;
    bool supported = jobs.DetectOsClass();
    unsigned major = 0;
    unsigned minor = 0;
    ReadSystemVersion(major, minor);
    printf("version=%u.%u class=%d supported=%d\n", major, minor, jobs.m_osClass, supported ? 1 : 0);
    return 0;
}
