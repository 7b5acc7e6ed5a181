#include "app/pointer_watch.h"

#include <gtest/gtest.h>

namespace {

TEST(PointerWatchTest, TheFirstMovementOnlyStoresThePosition)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.MovedTooFar(900, 900));
    EXPECT_FALSE(watch.MovedTooFar(920, 880)); // exactly 20 both ways
    EXPECT_TRUE(watch.MovedTooFar(921, 900));
}

TEST(PointerWatchTest, SmallMovementsAddUpFromTheFirstPosition)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.MovedTooFar(100, 100));
    EXPECT_FALSE(watch.MovedTooFar(115, 100));
    EXPECT_TRUE(watch.MovedTooFar(125, 100));
}

TEST(PointerWatchTest, EitherAxisAloneCountsAndDiagonalsDoNotAdd)
{
    PointerWatch watch;
    EXPECT_FALSE(watch.MovedTooFar(50, 50));
    EXPECT_FALSE(watch.MovedTooFar(30, 70)); // 20 and 20: within the square
    EXPECT_TRUE(watch.MovedTooFar(50, 29));

    watch.Forget();
    EXPECT_FALSE(watch.MovedTooFar(0, 0));
    EXPECT_FALSE(watch.MovedTooFar(20, 0));
}

} // namespace
