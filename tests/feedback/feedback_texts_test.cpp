// The time text of a feedback report (the device-type text is seen in the popup's own report).
#include "ui/popups/ProblemSolvingFeedbackChildDlg.h"

#include <gtest/gtest.h>

TEST(FeedbackTexts, TimeText_LowThirtyTwoBitsAsSignedDecimal)
{
    EXPECT_EQ(L"1714564800", FeedbackTimeText(1714564800LL));
    EXPECT_EQ(L"2147483647", FeedbackTimeText(2147483647LL));
    // After January 2038 the low 32 bits read as a negative number.
    EXPECT_EQ(L"-2147483648", FeedbackTimeText(2147483648LL));
    EXPECT_EQ(L"5", FeedbackTimeText(0x100000005LL));
}
