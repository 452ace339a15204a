// For a test build of the companion library whose initialisation fails: exported under the name
// InitFreedbackDll by init_fails.def.
#include "feedback/FeedbackInitInfo.h"

extern "C" int __cdecl InitFreedbackDllFailing(FeedbackInitInfo* info)
{
    (void)info;
    return 0;
}
