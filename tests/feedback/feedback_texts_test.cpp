// The time and device-type texts of a feedback report.
#include "ui/popups/ProblemSolvingFeedbackChildDlg.h"

#include <gtest/gtest.h>
#include <climits>

TEST(FeedbackTexts, TypeText_DeviceTypePlusOne_NoOverflowAtIntMax)
{
    EXPECT_EQ(L"1", FeedbackTypeText(0));
    EXPECT_EQ(L"2", FeedbackTypeText(1));
    EXPECT_EQ(L"3", FeedbackTypeText(2));
    EXPECT_EQ(L"0", FeedbackTypeText(-1));
    EXPECT_EQ(L"2147483648", FeedbackTypeText(INT_MAX));
    EXPECT_EQ(L"-2147483647", FeedbackTypeText(INT_MIN));
}

TEST(FeedbackTexts, TimeText_LowThirtyTwoBitsAsSignedDecimal)
{
    EXPECT_EQ(L"1714564800", FeedbackTimeText(1714564800LL));
    EXPECT_EQ(L"0", FeedbackTimeText(0));
    EXPECT_EQ(L"2147483647", FeedbackTimeText(2147483647LL));
    // After January 2038 the low 32 bits read as a negative number.
    EXPECT_EQ(L"-2147483648", FeedbackTimeText(2147483648LL));
    EXPECT_EQ(L"5", FeedbackTimeText(0x100000005LL));
}
