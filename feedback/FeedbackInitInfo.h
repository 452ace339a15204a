/* The block that the tool owns and the companion library fills at initialisation. Both sides
 * include this one header; only plain C types cross, because the executable and the library each
 * carry their own static runtime. Layout: six arrays of FEEDBACK_INFO_CHARS UTF-16 code units,
 * each zero-terminated (at most FEEDBACK_INFO_CHARS - 1 characters; longer values are cut),
 * no padding: 6 * 260 * 2 = 3120 bytes in the 32-bit and the 64-bit build alike. */
#ifndef KESTRUNE_FEEDBACK_INIT_INFO_H
#define KESTRUNE_FEEDBACK_INIT_INFO_H

#include <wchar.h>

#define FEEDBACK_INFO_CHARS 260

typedef struct FeedbackInitInfo {
    wchar_t szDownloadUrl[FEEDBACK_INFO_CHARS];   /* page with the newest version of the tools */
    wchar_t szAgreementUrl[FEEDBACK_INFO_CHARS];  /* the user agreement */
    wchar_t szFeedbackUrl[FEEDBACK_INFO_CHARS];   /* feedback page; {tool} and {version} unexpanded */
    wchar_t szMoreToolsUrl[FEEDBACK_INFO_CHARS];  /* the fourth: what the more-tools button opens */
    wchar_t szDataFolder[FEEDBACK_INFO_CHARS];    /* folder of feedback.txt and calls.log */
    wchar_t szLibraryVersion[FEEDBACK_INFO_CHARS];/* the companion library's own version */
} FeedbackInitInfo;

#ifdef __cplusplus
static_assert(sizeof(wchar_t) == 2, "UTF-16 code units");
static_assert(sizeof(FeedbackInitInfo) == 6 * FEEDBACK_INFO_CHARS * 2, "no padding");
#endif

#endif
