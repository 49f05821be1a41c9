#include "Base/CMemoryBudget.h"

#include "Support/LogCapture.h"

#include <gtest/gtest.h>

TEST(CMemoryBudget, RefusesTheFirstChargePastTheLimitAndEveryOneAfterIt) {
    LogCapture log;
    CMemoryBudget budget(4);
    EXPECT_TRUE(budget.Charge(3 << 20, "texture", "Sky"));
    EXPECT_TRUE(budget.Charge(1 << 20, "texture", "Sea")); // exactly the limit still fits
    EXPECT_FALSE(budget.Exceeded());
    EXPECT_FALSE(budget.Charge(1, "layer", "W"));
    EXPECT_EQ(budget.Failure(), "The presentation needs more memory than the limit of 4 MiB (at layer 'W')");
    EXPECT_TRUE(log.Contains("The presentation needs more memory than the limit of 4 MiB (at layer 'W')"));
    EXPECT_EQ(budget.Used(), int64_t(4) << 20);
    // Start-up stops at the first refusal: what comes after is refused even where it would fit, and the
    // message keeps naming the first.
    budget.Refund(2 << 20);
    EXPECT_FALSE(budget.Charge(1, "texture", "Small"));
    EXPECT_EQ(budget.Failure(), "The presentation needs more memory than the limit of 4 MiB (at layer 'W')");
}

TEST(CMemoryBudget, ChargesThatCannotBeRightAreRefused) {
    CMemoryBudget budget(1);
    EXPECT_FALSE(budget.Charge(-1, "model", "M"));
    CMemoryBudget huge(1048576);
    EXPECT_FALSE(huge.Charge(INT64_MAX, "music", "song.ogg")); // no overflow past the limit
    EXPECT_EQ(CMemoryBudget::TextureBytes(8192, 8192, 2), int64_t(320) << 20);
    EXPECT_EQ(CMemoryBudget::RenderTargetBytes(1024), int64_t(4) << 20);
}
