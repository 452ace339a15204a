/* The companion library's eleven exports as function types: undecorated names, C calling
 * convention, 32-bit integer results, UTF-16 strings. Shared by the binding and the library. */
#ifndef KESTRUNE_FEEDBACK_EXPORTS_H
#define KESTRUNE_FEEDBACK_EXPORTS_H

#include <wtypes.h>

#include "feedback/FeedbackInitInfo.h"

/* GetToolIsNewVersion and GetToolIsNewVersionDown answers. Only 3 means anything to the tool. */
#define FEEDBACK_CHECK_FAILED 0    /* no manifest, unreachable, malformed, too large, bad version */
#define FEEDBACK_UP_TO_DATE 1      /* the running version is the newest listed (or newer) */
#define FEEDBACK_TOOL_UNLISTED 2   /* the manifest has no line for this tool id */
#define FEEDBACK_NEWER_VERSION 3   /* a newer version exists (Down: and was downloaded) */

typedef int(__cdecl* InitFreedbackDllProc)(FeedbackInitInfo* info);
typedef int(__cdecl* FeedbackQuestionProc)(const wchar_t* toolId, const wchar_t* version);
typedef int(__cdecl* OpenUrlProc)(BSTR url);
typedef int(__cdecl* GetInterNetStateProc)(void);
typedef int(__cdecl* CustomerFeedbackProc)(const wchar_t* toolId, const wchar_t* version, int kind);
typedef int(__cdecl* CustomerFeedbackExProc)(const wchar_t* toolId, const wchar_t* version,
                                             int kind, const wchar_t* timeText,
                                             const wchar_t* typeText);
typedef int(__cdecl* WriteCustomerFeedbackInfoFileProc)(const wchar_t* toolId,
                                                        const wchar_t* version, int kind,
                                                        const wchar_t* text);
typedef int(__cdecl* GetToolIsNewVersionProc)(const wchar_t* toolId, const wchar_t* version);
typedef int(__cdecl* GetToolIsNewVersionDownProc)(const wchar_t* toolId, const wchar_t* version,
                                                  const wchar_t* folder);
typedef int(__cdecl* OpenToolDownUrlProc)(void);
typedef int(__cdecl* OpenUseAgreementUrlProc)(void);

#endif
